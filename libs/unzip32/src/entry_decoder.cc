#include "entry_decoder.h"

#include <algorithm>
#include <new>

#include <zlib.h>

namespace uz {
namespace {

constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr size_t kBufferSize = 256 * 1024;

Result bad_data(const char* why) { return {Code::bad_data, why}; }

// The traditional PKWARE stream cipher: three keys stirred by every plain byte.
class TraditionalCipher {
public:
    explicit TraditionalCipher(const std::string& password) {
        for (char c : password) update(static_cast<uint8_t>(c));
    }
    void decrypt(uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            const uint32_t temp = (keys_[2] & 0xFFFFu) | 2u;
            data[i] = static_cast<uint8_t>(data[i] ^ ((temp * (temp ^ 1u)) >> 8));
            update(data[i]);
        }
    }

private:
    // One byte's step of CRC-32, with zlib's own table.
    uint32_t crc_byte(uint32_t crc, uint8_t b) const {
        return (crc >> 8) ^ static_cast<uint32_t>(crc_table_[(crc ^ b) & 0xFFu]);
    }
    void update(uint8_t plain) {
        keys_[0] = crc_byte(keys_[0], plain);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
        keys_[2] = crc_byte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
    }
    const z_crc_t* crc_table_ = get_crc_table();
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

}  // namespace

// zlib allocates through operator new, as the rest of the library does, and
// a shortage is std::bad_alloc like any other (never taken for bad data).
// zlib is C: the allocator answers null, and the caller throws.
voidpf zlib_allocate(voidpf, uInt items, uInt size) {
    if (size != 0 && items > SIZE_MAX / size) return Z_NULL;
    return ::operator new(static_cast<size_t>(items) * size, std::nothrow);
}
void zlib_free(voidpf, voidpf address) { ::operator delete(address); }

struct EntryDecoder::Inflater {
    z_stream stream{};
    Inflater() {
        stream.zalloc = zlib_allocate;
        stream.zfree = zlib_free;
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();  // memory is all it can lack
    }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

Result wrong_password() { return {Code::wrong_password, "wrong password"}; }

bool method_supported(const CentralEntry& entry) {
    return !entry.aes && (entry.method == kStored || entry.method == kDeflated);
}

const char* method_name(const CentralEntry& entry) {
    if (entry.aes || entry.method == 99) return "AES";
    switch (entry.method) {
        case 0: return "Stored";
        case 1: return "Shrunk";
        case 2: case 3: case 4: case 5: return "Reduced";
        case 6: return "Imploded";
        case 7: return "Tokenized";
        case 8: return "Deflated";
        case 9: return "Deflate64";
        case 10: return "PKWARE DCL Imploded";
        case 12: return "BZip2";
        case 14: return "LZMA";
        case 18: return "IBM TERSE";
        case 19: return "IBM LZ77";
        case 93: return "Zstd";
        case 94: return "MP3";
        case 95: return "XZ";
        case 96: return "JPEG";
        case 97: return "WavPack";
        case 98: return "PPMd";
        default: return "Unknown";
    }
}

EntryDecoder::EntryDecoder()
    : inflater_(std::make_unique<Inflater>()), input_buffer_(kBufferSize), output_buffer_(kBufferSize) {}

EntryDecoder::~EntryDecoder() = default;

namespace {

// The PKWARE header's last byte, decrypted, is a check byte: with a data
// descriptor the CRC was unknown when the header was made, so it is the high
// byte of the time instead of the CRC's.
constexpr size_t kHeaderSize = 12;

uint8_t check_byte(const EntryData& data) {
    return static_cast<uint8_t>(data.flags & 8u ? data.dos_time >> 8 : data.crc32 >> 24);
}

Result read_header(InputSource& input, const EntryData& data, uint8_t (&header)[kHeaderSize]) {
    if (data.compressed_size < kHeaderSize) return bad_data("data shorter than its declared size (truncated)");
    return input.read_at(data.start, header, kHeaderSize);
}

}  // namespace

Result check_password(InputSource& input, const EntryData& data, const std::string& password) {
    uint8_t header[kHeaderSize];
    if (Result read = read_header(input, data, header); !read.ok()) return read;
    TraditionalCipher(password).decrypt(header, kHeaderSize);
    return header[kHeaderSize - 1] == check_byte(data) ? Result{} : wrong_password();
}

Result EntryDecoder::decode(InputSource& input, const EntryData& data, const std::string& password,
                            EntrySink& sink) {
    static constexpr char kTooLong[] = "data longer than its declared size";
    static constexpr char kTooShort[] = "data shorter than its declared size (truncated)";
    uint64_t position = data.start;
    uint64_t remaining = data.compressed_size;
    std::unique_ptr<TraditionalCipher> cipher;
    if (data.encrypted()) {
        uint8_t header[kHeaderSize];
        if (Result read = read_header(input, data, header); !read.ok()) return read;
        cipher = std::make_unique<TraditionalCipher>(password);
        cipher->decrypt(header, sizeof header);
        if (header[kHeaderSize - 1] != check_byte(data)) return wrong_password();
        position += sizeof header;
        remaining -= sizeof header;
    }
    const auto read_chunk = [&](size_t& got) {
        got = static_cast<size_t>(std::min<uint64_t>(remaining, input_buffer_.size()));
        Result read = input.read_at(position, input_buffer_.data(), got);
        if (!read.ok()) return read;
        if (cipher) cipher->decrypt(input_buffer_.data(), got);
        position += got;
        remaining -= got;
        return read;
    };

    uLong crc = crc32(0, nullptr, 0);
    uint64_t written = 0;
    const auto emit = [&](const uint8_t* bytes, size_t size) {
        if (size > data.uncompressed_size - written) return bad_data(kTooLong);
        crc = crc32(crc, bytes, static_cast<uInt>(size));
        written += size;
        return sink.write(bytes, size);
    };

    if (data.method == kStored) {
        if (remaining != data.uncompressed_size)
            return bad_data(remaining > data.uncompressed_size ? kTooLong : kTooShort);
        while (remaining > 0) {
            size_t got = 0;
            if (Result read = read_chunk(got); !read.ok()) return read;
            if (Result wrote = emit(input_buffer_.data(), got); !wrote.ok()) return wrote;
        }
    } else {
        z_stream& stream = inflater_->stream;
        inflateReset(&stream);
        stream.avail_in = 0;
        for (;;) {
            if (stream.avail_in == 0 && remaining > 0) {
                size_t got = 0;
                if (Result read = read_chunk(got); !read.ok()) return read;
                stream.next_in = input_buffer_.data();
                stream.avail_in = static_cast<uInt>(got);
            }
            stream.next_out = output_buffer_.data();
            stream.avail_out = static_cast<uInt>(output_buffer_.size());
            const int status = inflate(&stream, Z_NO_FLUSH);
            if (status == Z_MEM_ERROR) throw std::bad_alloc();
            const size_t produced = output_buffer_.size() - stream.avail_out;
            if (produced > 0)
                if (Result wrote = emit(output_buffer_.data(), produced); !wrote.ok()) return wrote;
            if (status == Z_STREAM_END) break;
            if (status != Z_OK && status != Z_BUF_ERROR) return bad_data("damaged compressed data");
            // No more input and no way forward: the stream was cut short.
            if (stream.avail_in == 0 && remaining == 0 && produced < output_buffer_.size()) return bad_data(kTooShort);
        }
    }
    if (written != data.uncompressed_size) return bad_data(kTooShort);
    if (crc != data.crc32) return bad_data("CRC error");
    return {};
}

}  // namespace uz
