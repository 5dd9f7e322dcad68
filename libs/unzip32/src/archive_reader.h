#pragma once
// The structures of a zip archive that lead to its entries: the end record
// (plain or ZIP64), the central directory and each entry's local header.
// Every offset and count read from the file is checked against the file
// before it is used, so a damaged or hostile archive ends in an error.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "input_source.h"
#include "result.h"

namespace uz {

struct ArchiveLayout {
    uint64_t directory_start = 0;  // absolute position in the file
    uint64_t directory_size = 0;
    uint64_t entry_count = 0;
    uint64_t base = 0;             // bytes before the archive proper (self-extractor stubs)
    uint16_t comment_length = 0;
};

/// Finds the end record that describes the archive and where its directory
/// lies: not_zip without any end record, bad_archive for a damaged or spanned
/// one, read_error when the file cannot be read.
Result locate_directory(InputSource& input, ArchiveLayout& layout);

struct CentralEntry {
    uint16_t version_made_by = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint16_t internal_attributes = 0;
    uint32_t crc32 = 0;
    uint32_t external_attributes = 0;
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    uint64_t local_offset = 0;                 // absolute, prepended bytes included
    std::string raw_name;                      // as stored
    std::optional<std::string> unicode_path;   // Info-ZIP Unicode path field, UTF-8
    std::optional<int64_t> unix_mtime;         // from the extended or NTFS time field
    bool aes = false;                          // WinZip AES field present

    bool encrypted() const { return flags & 1u; }
    bool strong_encryption() const { return flags & 0x40u; }
    bool utf8_name() const { return flags & 0x800u; }
    bool has_data_descriptor() const { return flags & 8u; }
    /// Unix symbolic links and Windows reparse points.
    bool is_link() const;
    bool read_only() const;
    /// A folder marked only by the directory attribute, as MS-DOS and Windows
    /// writers may store one (its name need not end in a separator).
    bool has_directory_attribute() const;
};

/// Streams the central directory through a small buffer, one entry at a time.
class DirectoryReader {
public:
    DirectoryReader(InputSource& input, const ArchiveLayout& layout);
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    /// Reads the next of the layout's entries; bad_archive when the directory
    /// is damaged.
    Result next(CentralEntry& entry);

    /// Whether every byte of the directory has been read.
    bool at_end() const { return buffer_start_ == buffer_end_ && position_ == end_; }

private:
    Result read(void* data, size_t length);

    InputSource& input_;
    ArchiveLayout layout_;
    uint64_t position_;
    uint64_t end_;
    std::vector<uint8_t> buffer_;
    size_t buffer_start_ = 0;
    size_t buffer_end_ = 0;
};

/// Where an entry's data starts, from its local header; checks that header and
/// that the data lies before the central directory.
Result locate_data(InputSource& input, const ArchiveLayout& layout, const CentralEntry& entry, uint64_t& data_start);

/// Checks that the directory holds exactly the entries the end record counts
/// (a record beyond the count would otherwise be dropped unseen) and that no
/// two entries share bytes, from every local header. Refuses archives built
/// to multiply their data. Entries in directory order need no memory; others
/// are sorted, 16 bytes each.
Result check_no_overlap(InputSource& input, const ArchiveLayout& layout);

}  // namespace uz
