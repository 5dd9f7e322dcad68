#pragma once
// Turns one entry's stored bytes into its content, streaming through two fixed
// buffers: stored and deflated data, traditional PKWARE decryption, CRC and
// size checks. Output beyond the declared size is an error, so the declared
// size bounds what an entry can write.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "input_source.h"
#include "result.h"

namespace uz {

class EntrySink {
public:
    virtual ~EntrySink() = default;
    /// Takes all of `data`, or says why not (the system's reason for a file).
    virtual Result write(const uint8_t* data, size_t size) = 0;
};

// Writes text entries with CR LF line ends, for the end-of-line option.
class LineEndSink final : public EntrySink {
public:
    explicit LineEndSink(EntrySink& inner) : inner_(inner) {}
    Result write(const uint8_t* data, size_t size) override {
        static constexpr uint8_t kCrLf[2] = {'\r', '\n'};
        size_t start = 0;
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == '\n' && !after_cr_) {
                if (Result line = inner_.write(data + start, i - start); !line.ok()) return line;
                if (Result end = inner_.write(kCrLf, 2); !end.ok()) return end;
                start = i + 1;
            }
            after_cr_ = data[i] == '\r';
        }
        return inner_.write(data + start, size - start);
    }

private:
    EntrySink& inner_;
    bool after_cr_ = false;
};

/// What decoding an entry needs to know of it: a few numbers, not its name, so
/// that an entry waiting for a worker holds little.
struct EntryData {
    uint64_t start = 0;  // where its stored bytes start (an encryption header first)
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    uint32_t crc32 = 0;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint16_t dos_time = 0;

    static EntryData of(const CentralEntry& entry, uint64_t start) {
        return {start, entry.compressed_size, entry.uncompressed_size, entry.crc32,
                entry.method, entry.flags, entry.dos_time};
    }
    bool encrypted() const { return flags & 1u; }
};

/// The outcome of a password its entry's check byte refuses.
Result wrong_password();

/// Reads an encrypted entry's header and checks `password` against its check
/// byte: wrong_password when refused, before anything is decoded or written.
Result check_password(InputSource& input, const EntryData& data, const std::string& password);

/// Whether the method can be decoded here (stored or deflated, no AES).
bool method_supported(const CentralEntry& entry);

/// The method's name as listings show it.
const char* method_name(const CentralEntry& entry);

class EntryDecoder {
public:
    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    /// Decodes the entry into `sink`. For an encrypted entry `password` is
    /// checked against the entry's check byte before anything is written
    /// (wrong_password otherwise). Failures of the data are bad_data; those of
    /// reading and writing come from the input and the sink as they gave them.
    /// Out of memory (zlib's too) is std::bad_alloc.
    Result decode(InputSource& input, const EntryData& data, const std::string& password, EntrySink& sink);

private:
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
    std::vector<uint8_t> input_buffer_;
    std::vector<uint8_t> output_buffer_;
};

}  // namespace uz
