#pragma once
// Random-access reading of an archive, so that the parser never needs more
// than a small window of it in memory (and the fuzzer can feed bytes directly).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

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

}  // namespace uz
