#pragma once
// Builds zip archives in memory, byte by byte, so that tests can make the
// structures other tools never write: hostile names, overlaps, lying sizes
// and counts, truncations. Archives of ordinary shape come from real tools.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ziptest {

struct Entry {
    std::string name;
    std::string data;
    uint16_t method = 8;                 // 0 stored, 8 deflated; others store `data` as is
    uint16_t flags = 0;
    uint16_t made_by = 20;               // MS-DOS host; 0x0314 for Unix
    uint32_t external = 0;
    uint16_t dos_time = (12 << 11) | (34 << 5) | 28;  // 12:34:56
    uint16_t dos_date = (40 << 9) | (5 << 5) | 15;    // 15 May 2020
    uint16_t internal = 0;
    bool data_descriptor = false;
    bool zip64 = false;                  // sizes and offset through the ZIP64 extra field
    std::string central_extra;
    std::optional<uint32_t> crc;         // overrides of the true values
    std::optional<uint64_t> uncompressed_size;
    std::optional<std::string> raw_payload;  // bytes stored instead of the encoded data
    std::string password;                // traditional PKWARE encryption when not empty
    std::string also_passes;             // a wrong password its check byte lets through (1 in 256 do)
};

struct Options {
    std::string prepend;
    std::string comment;
    bool zip64_end = false;
    std::optional<uint64_t> entry_count;
};

struct Built {
    std::string bytes;
    std::vector<size_t> local_offsets;
    std::vector<size_t> central_offsets;
    size_t directory_offset = 0;
    size_t end_offset = 0;  // of the plain end record
};

Built build_zip(const std::vector<Entry>& entries, const Options& options = {});

std::string deflate_raw(std::string_view data);
uint32_t crc32_of(std::string_view data);

void put16(std::string& bytes, size_t at, uint16_t value);
void put32(std::string& bytes, size_t at, uint32_t value);

}  // namespace ziptest
