#include "entry_decoder.h"

#include <algorithm>

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

struct EntryDecoder::Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
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

Result EntryDecoder::decode(InputSource& input, uint64_t data_start, const CentralEntry& entry,
                            const std::string& password, EntrySink& sink) {
    static constexpr char kTooLong[] = "data longer than its declared size";
    static constexpr char kTooShort[] = "data shorter than its declared size (truncated)";
    uint64_t position = data_start;
    uint64_t remaining = entry.compressed_size;
    std::unique_ptr<TraditionalCipher> cipher;
    if (entry.encrypted()) {
        uint8_t header[12];
        if (remaining < sizeof header) return bad_data(kTooShort);
        if (Result read = input.read_at(position, header, sizeof header); !read.ok()) return read;
        cipher = std::make_unique<TraditionalCipher>(password);
        cipher->decrypt(header, sizeof header);
        // With a data descriptor the CRC was unknown when the header was made,
        // so the check byte is the high byte of the time instead.
        const auto check = static_cast<uint8_t>(entry.has_data_descriptor() ? entry.dos_time >> 8 : entry.crc32 >> 24);
        if (header[11] != check) return wrong_password();
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
    const auto emit = [&](const uint8_t* data, size_t size) {
        if (size > entry.uncompressed_size - written) return bad_data(kTooLong);
        crc = crc32(crc, data, static_cast<uInt>(size));
        written += size;
        return sink.write(data, size);
    };

    if (entry.method == kStored) {
        if (remaining != entry.uncompressed_size)
            return bad_data(remaining > entry.uncompressed_size ? kTooLong : kTooShort);
        while (remaining > 0) {
            size_t got = 0;
            if (Result read = read_chunk(got); !read.ok()) return read;
            if (Result wrote = emit(input_buffer_.data(), got); !wrote.ok()) return wrote;
        }
    } else {
        if (!inflater_->ready) return bad_data("damaged compressed data");
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
            const size_t produced = output_buffer_.size() - stream.avail_out;
            if (produced > 0)
                if (Result wrote = emit(output_buffer_.data(), produced); !wrote.ok()) return wrote;
            if (status == Z_STREAM_END) break;
            if (status != Z_OK && status != Z_BUF_ERROR) return bad_data("damaged compressed data");
            // No more input and no way forward: the stream was cut short.
            if (stream.avail_in == 0 && remaining == 0 && produced < output_buffer_.size()) return bad_data(kTooShort);
        }
    }
    if (written != entry.uncompressed_size) return bad_data(kTooShort);
    if (crc != entry.crc32) return bad_data("CRC error");
    return {};
}

}  // namespace uz
