#pragma once
// Random-access reading of an archive, so that the parser never needs more
// than a small window of it in memory (and the fuzzer can feed bytes directly).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "result.h"

namespace uz {

class InputSource {
public:
    virtual ~InputSource() = default;
    virtual uint64_t size() const = 0;
    /// Reads exactly `length` bytes at `offset`; a read_error when they are not all there.
    virtual Result read_at(uint64_t offset, void* data, size_t length) = 0;
};

class MemorySource final : public InputSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    Result read_at(uint64_t offset, void* data, size_t length) override {
        if (offset > bytes_.size() || length > bytes_.size() - offset) return {Code::read_error, "archive read error"};
        if (length) std::memcpy(data, bytes_.data() + offset, length);
        return {};
    }

private:
    std::string_view bytes_;
};

/// Reads small records through a window of the file: the local headers of
/// many small entries lie close together and then cost one read per window
/// rather than one each. Bigger reads go straight through. For one thread.
class ReadAhead final : public InputSource {
public:
    explicit ReadAhead(InputSource& input) : input_(input) {}
    uint64_t size() const override { return input_.size(); }
    Result read_at(uint64_t offset, void* data, size_t length) override {
        if (length > kWindow / 16) return input_.read_at(offset, data, length);
        if (offset < start_ || offset - start_ > filled_ || length > filled_ - (offset - start_)) {
            const uint64_t left = offset < input_.size() ? input_.size() - offset : 0;
            const size_t wanted = static_cast<size_t>(left < kWindow ? left : kWindow);
            // Short of the file's end, the input says what is wrong.
            if (wanted < length) return input_.read_at(offset, data, length);
            window_.resize(kWindow);
            filled_ = 0;
            if (Result read = input_.read_at(offset, window_.data(), wanted); !read.ok()) return read;
            start_ = offset;
            filled_ = wanted;
        }
        if (length) std::memcpy(data, window_.data() + (offset - start_), length);
        return {};
    }

private:
    static constexpr size_t kWindow = 64 * 1024;
    InputSource& input_;
    std::vector<uint8_t> window_;
    uint64_t start_ = 0;
    size_t filled_ = 0;
};

}  // namespace uz
