#include "zip_builder.h"

#include <zlib.h>

namespace ziptest {
namespace {

void add16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void add32(std::string& out, uint32_t v) {
    add16(out, v & 0xFFFF);
    add16(out, v >> 16);
}
void add64(std::string& out, uint64_t v) {
    add32(out, static_cast<uint32_t>(v));
    add32(out, static_cast<uint32_t>(v >> 32));
}

// The traditional PKWARE cipher, as the library's but encrypting.
class Cipher {
public:
    explicit Cipher(std::string_view password) {
        for (const char c : password) update(static_cast<uint8_t>(c));
    }
    uint8_t stream_byte() const {
        const uint32_t temp = (keys_[2] & 0xFFFFu) | 2u;
        return static_cast<uint8_t>((temp * (temp ^ 1u)) >> 8);
    }
    char encrypt(char plain) {
        const auto out = static_cast<char>(static_cast<uint8_t>(plain) ^ stream_byte());
        update(static_cast<uint8_t>(plain));
        return out;
    }
    char decrypt(char cipher) {
        const auto plain = static_cast<uint8_t>(static_cast<uint8_t>(cipher) ^ stream_byte());
        update(plain);
        return static_cast<char>(plain);
    }

private:
    static uint32_t crc_byte(uint32_t crc, uint8_t b) {
        return static_cast<uint32_t>(get_crc_table()[(crc ^ b) & 0xFFu]) ^ (crc >> 8);
    }
    void update(uint8_t plain) {
        keys_[0] = crc_byte(keys_[0], plain);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
        keys_[2] = crc_byte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
    }
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// The 12-byte header and the payload, encrypted; the header's filler is
// chosen so that `also_passes`, if any, passes the check byte too.
std::string encrypted(const Entry& e, const std::string& payload, uint32_t crc) {
    const char check = static_cast<char>(e.data_descriptor ? e.dos_time >> 8 : crc >> 24);
    for (uint32_t seed = 1;; ++seed) {
        std::string header;
        for (int i = 0; i < 11; ++i) header += static_cast<char>((seed * 2654435761u) >> (i % 4 * 8));
        header += check;
        Cipher cipher(e.password);
        std::string out;
        for (const char c : header + payload) out += cipher.encrypt(c);
        if (e.also_passes.empty()) return out;
        Cipher other(e.also_passes);
        std::string tried;
        for (size_t i = 0; i < 12; ++i) tried += other.decrypt(out[i]);
        if (tried[11] == check) return out;
    }
}

}  // namespace

void put16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
void put32(std::string& bytes, size_t at, uint32_t value) {
    put16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
    put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

uint32_t crc32_of(std::string_view data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string deflate_raw(std::string_view data) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Built build_zip(const std::vector<Entry>& entries, const Options& options) {
    Built built;
    std::string& out = built.bytes;
    out = options.prepend;
    struct Written {
        uint32_t crc;
        uint64_t compressed, uncompressed, offset;
    };
    std::vector<Written> written;
    for (const Entry& e : entries) {
        const uint32_t crc = e.crc.value_or(crc32_of(e.data));
        std::string payload = e.raw_payload ? *e.raw_payload : e.method == 8 ? deflate_raw(e.data) : e.data;
        if (!e.password.empty()) payload = encrypted(e, payload, crc);
        Written w{crc, payload.size(), e.uncompressed_size.value_or(e.data.size()),
                  out.size() - options.prepend.size()};
        built.local_offsets.push_back(out.size());
        const uint16_t flags =
            static_cast<uint16_t>(e.flags | (e.data_descriptor ? 8 : 0) | (e.password.empty() ? 0 : 1));
        add32(out, 0x04034b50);
        add16(out, e.zip64 ? 45 : 20);
        add16(out, flags);
        add16(out, e.method);
        add16(out, e.dos_time);
        add16(out, e.dos_date);
        const bool hide = e.data_descriptor;
        add32(out, hide ? 0 : w.crc);
        add32(out, hide ? 0 : e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(w.compressed));
        add32(out, hide ? 0 : e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(w.uncompressed));
        add16(out, static_cast<uint32_t>(e.name.size()));
        add16(out, e.zip64 ? 20 : 0);
        out += e.name;
        if (e.zip64) {
            add16(out, 1);
            add16(out, 16);
            add64(out, w.uncompressed);
            add64(out, w.compressed);
        }
        out += payload;
        if (e.data_descriptor) {
            add32(out, 0x08074b50);
            add32(out, w.crc);
            if (e.zip64) {
                add64(out, w.compressed);
                add64(out, w.uncompressed);
            } else {
                add32(out, static_cast<uint32_t>(w.compressed));
                add32(out, static_cast<uint32_t>(w.uncompressed));
            }
        }
        written.push_back(w);
    }
    built.directory_offset = out.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const Written& w = written[i];
        built.central_offsets.push_back(out.size());
        std::string extra;
        if (e.zip64) {
            add16(extra, 1);
            add16(extra, 24);
            add64(extra, w.uncompressed);
            add64(extra, w.compressed);
            add64(extra, w.offset);
        }
        extra += e.central_extra;
        add32(out, 0x02014b50);
        add16(out, e.made_by);
        add16(out, e.zip64 ? 45 : 20);
        add16(out, static_cast<uint16_t>(e.flags | (e.data_descriptor ? 8 : 0) | (e.password.empty() ? 0 : 1)));
        add16(out, e.method);
        add16(out, e.dos_time);
        add16(out, e.dos_date);
        add32(out, w.crc);
        add32(out, e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(w.compressed));
        add32(out, e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(w.uncompressed));
        add16(out, static_cast<uint32_t>(e.name.size()));
        add16(out, static_cast<uint32_t>(extra.size()));
        add16(out, 0);
        add16(out, 0);
        add16(out, e.internal);
        add32(out, e.external);
        add32(out, e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(w.offset));
        out += e.name;
        out += extra;
    }
    const uint64_t directory_size = out.size() - built.directory_offset;
    const uint64_t directory_offset = built.directory_offset - options.prepend.size();
    const uint64_t count = options.entry_count.value_or(entries.size());
    if (options.zip64_end) {
        const uint64_t record_offset = out.size() - options.prepend.size();
        add32(out, 0x06064b50);
        add64(out, 44);
        add16(out, 45);
        add16(out, 45);
        add32(out, 0);
        add32(out, 0);
        add64(out, count);
        add64(out, count);
        add64(out, directory_size);
        add64(out, directory_offset);
        add32(out, 0x07064b50);
        add32(out, 0);
        add64(out, record_offset);
        add32(out, 1);
    }
    built.end_offset = out.size();
    add32(out, 0x06054b50);
    add16(out, 0);
    add16(out, 0);
    add16(out, options.zip64_end ? 0xFFFF : static_cast<uint32_t>(count));
    add16(out, options.zip64_end ? 0xFFFF : static_cast<uint32_t>(count));
    add32(out, options.zip64_end ? 0xFFFFFFFF : static_cast<uint32_t>(directory_size));
    add32(out, options.zip64_end ? 0xFFFFFFFF : static_cast<uint32_t>(directory_offset));
    add16(out, static_cast<uint32_t>(options.comment.size()));
    out += options.comment;
    return built;
}

}  // namespace ziptest
