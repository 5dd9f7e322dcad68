#pragma once
// Reads the little-endian fields of a record one after the other, in the order
// the format lists them, instead of at offsets counted by hand. Reading past
// the end gives zeros and leaves the cursor failed: a field too short for what
// it claims to hold is found by one check of ok() after reading it.
#include <cstddef>
#include <cstdint>

namespace uz {

class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    uint64_t u64() { return take(8); }

    /// Passes over fields that are not needed.
    void skip(size_t count) { static_cast<void>(sub(count)); }

    /// The next `count` bytes as a cursor of their own; this one moves past them.
    ByteCursor sub(size_t count) {
        if (count > remaining()) {
            fail();
            return ByteCursor(data_ + at_, 0);
        }
        const ByteCursor part(data_ + at_, count);
        at_ += count;
        return part;
    }

    const uint8_t* position() const { return data_ + at_; }
    size_t remaining() const { return size_ - at_; }
    /// False once a read went past the end.
    bool ok() const { return ok_; }

private:
    uint64_t take(size_t count) {
        if (count > remaining()) {
            fail();
            return 0;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) value |= uint64_t{data_[at_ + i]} << (8 * i);
        at_ += count;
        return value;
    }
    void fail() {
        at_ = size_;
        ok_ = false;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace uz
