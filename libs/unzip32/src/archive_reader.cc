#include "archive_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <zlib.h>

#include "byte_cursor.h"

namespace uz {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr uint8_t kHostUnix = 3;
constexpr char kSpanned[] = "archive spans several disks";

uint32_t signature_at(const uint8_t* bytes) { return ByteCursor(bytes, 4).u32(); }

struct EndRecord {
    uint16_t disk = 0;
    uint16_t directory_disk = 0;
    uint16_t entries_here = 0;
    uint16_t entries = 0;
    uint32_t directory_size = 0;
    uint32_t directory_offset = 0;
    uint16_t comment_length = 0;
};

// `bytes` hold the whole fixed part of an end record, signature first.
EndRecord read_end_record(const uint8_t* bytes) {
    ByteCursor record(bytes, kEndSize);
    record.skip(4);  // signature
    EndRecord end;
    end.disk = record.u16();
    end.directory_disk = record.u16();
    end.entries_here = record.u16();
    end.entries = record.u16();
    end.directory_size = record.u32();
    end.directory_offset = record.u32();
    end.comment_length = record.u16();
    return end;
}

// Where the directory is, as the end records tell it.
struct DirectoryExtent {
    uint64_t entries = 0;
    uint64_t size = 0;
    uint64_t offset = 0;  // as stored: bytes prepended to the archive not counted
    uint64_t end = 0;     // where the end records start
};

// Follows the ZIP64 locator that stands right before the end record to the
// ZIP64 end record, and takes the directory's counts and positions from it.
Result read_zip64_end(InputSource& input, uint64_t locator_position, const uint8_t* locator_bytes,
                      DirectoryExtent& directory) {
    ByteCursor locator(locator_bytes, kZip64LocatorSize);
    locator.skip(4);  // signature
    const uint32_t record_disk = locator.u32();
    uint64_t record_position = locator.u64();
    const uint32_t disks = locator.u32();
    if (disks > 1 || record_disk != 0) return {Code::bad_archive, kSpanned};

    // The ZIP64 end record normally sits right before its locator; its stored
    // offset does not count any bytes prepended to the archive.
    uint8_t bytes[kZip64EndSize];
    const auto read_record = [&](uint64_t position) {
        return input.read_at(position, bytes, sizeof bytes).ok() && signature_at(bytes) == kZip64EndSignature;
    };
    bool found = record_position <= locator_position - std::min<uint64_t>(locator_position, kZip64EndSize) &&
                 read_record(record_position);
    if (!found && locator_position >= kZip64EndSize) {
        record_position = locator_position - kZip64EndSize;
        found = read_record(record_position);
    }
    if (!found) return {Code::bad_archive, "ZIP64 end of central directory record missing"};

    ByteCursor record(bytes, sizeof bytes);
    record.skip(4 + 8 + 2 + 2);  // signature, size of the record, versions made by and needed
    const uint32_t disk = record.u32();
    const uint32_t directory_disk = record.u32();
    const uint64_t entries_here = record.u64();
    directory.entries = record.u64();
    directory.size = record.u64();
    directory.offset = record.u64();
    directory.end = record_position;
    if (disk != 0 || directory_disk != 0 || entries_here != directory.entries) return {Code::bad_archive, kSpanned};
    return {};
}

// Reads the layout one end record describes (following it to its ZIP64
// record) and checks that a directory record starts where it says.
Result read_layout(InputSource& input, uint64_t end_position, const EndRecord& end, ArchiveLayout& layout) {
    layout = {};
    layout.comment_length = end.comment_length;
    DirectoryExtent directory{end.entries, end.directory_size, end.directory_offset, end_position};

    uint8_t locator[kZip64LocatorSize];
    if (end_position >= kZip64LocatorSize &&
        input.read_at(end_position - kZip64LocatorSize, locator, sizeof locator).ok() &&
        signature_at(locator) == kZip64LocatorSignature) {
        if (Result read = read_zip64_end(input, end_position - kZip64LocatorSize, locator, directory); !read.ok())
            return read;
    } else if (end.disk != 0 || end.directory_disk != 0 || end.entries_here != end.entries) {
        return {Code::bad_archive, kSpanned};
    }

    // The directory ends where the end records start; anything between the
    // stored offset and the real position was prepended to the archive.
    if (directory.size > directory.end || directory.end - directory.size < directory.offset)
        return {Code::bad_archive, "central directory size or offset beyond the file"};
    layout.directory_start = directory.end - directory.size;
    layout.base = layout.directory_start - directory.offset;
    layout.directory_size = directory.size;
    // Each entry takes at least 46 bytes: a count beyond that is a lie that
    // would otherwise drive allocations or loops.
    if (directory.entries > directory.size / kCentralSize)
        return {Code::bad_archive, "central directory claims more entries than it can hold"};
    uint8_t signature[4];
    if (directory.entries > 0 && (!input.read_at(layout.directory_start, signature, sizeof signature).ok() ||
                                  signature_at(signature) != kCentralSignature))
        return {Code::bad_archive, "no central directory where the end record puts it"};
    layout.entry_count = directory.entries;
    return {};
}

// Whether `bytes` hold the signature of a zip record (local, directory, end or
// descriptor): bytes after an end record that are another archive's, not junk.
bool holds_zip_records(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i + 4 <= size; ++i) {
        const uint32_t signature = signature_at(bytes + i);
        if (signature == kLocalSignature || signature == kCentralSignature || signature == kEndSignature ||
            signature == kZip64EndSignature || signature == kZip64LocatorSignature ||
            signature == kDescriptorSignature)
            return true;
    }
    return false;
}

// Whether `bytes` end in the first two or three bytes of a record's signature.
bool ends_in_record_start(const uint8_t* bytes, size_t size) {
    if (size < 2) return false;
    const uint8_t third = bytes[size - 1];  // of local, directory, end, ZIP64 and descriptor records
    if (size >= 3 && bytes[size - 3] == 'P' && bytes[size - 2] == 'K' &&
        (third == 1 || third == 3 || third == 5 || third == 6 || third == 7))
        return true;
    return bytes[size - 2] == 'P' && bytes[size - 1] == 'K';
}

}  // namespace

// The end record sits within the last 64 KiB + 22 bytes (its comment is at
// most 65535 bytes), so nothing more is read, however big the file. The
// signature also turns up in comments (a whole archive may be one) and in
// zips stored inside entries: the record that counts is the first whose
// comment ends where the file ends; any later one lies in its comment.
Result locate_directory(InputSource& input, ArchiveLayout& layout) {
    static constexpr char kNoEndRecord[] = "no end of central directory record";
    layout = {};
    const uint64_t size = input.size();
    if (size < kEndSize) return {Code::not_zip, kNoEndRecord};
    const size_t window = static_cast<size_t>(std::min<uint64_t>(size, 0xFFFF + kEndSize));
    std::vector<uint8_t> tail(window);
    if (Result read = input.read_at(size - window, tail.data(), window); !read.ok()) return read;

    std::optional<size_t> last_complete;
    for (size_t i = 0; i + kEndSize <= window; ++i) {
        if (signature_at(&tail[i]) != kEndSignature) continue;
        last_complete = i;
        const EndRecord end = read_end_record(&tail[i]);
        if (i + kEndSize + end.comment_length != window) continue;
        if (Result read = read_layout(input, size - window + i, end, layout); !read.ok()) {
            layout = {};
            return read;
        }
        return {};
    }
    if (!last_complete) return {Code::not_zip, kNoEndRecord};

    // No record ends the file. Bytes appended after the archive are passed
    // over, but only after the last record, and only when they are not the
    // rest of an archive that holds this one in an entry, nor end in the
    // first bytes of a record (the same, cut short). A comment cut short is a
    // truncated archive.
    const size_t at = *last_complete;
    const EndRecord last = read_end_record(&tail[at]);
    const size_t comment_end = at + kEndSize + last.comment_length;
    if (comment_end > window)
        return {Code::bad_archive, "archive comment runs past the end of the file (truncated archive)"};
    if (Result read = read_layout(input, size - window + at, last, layout); !read.ok()) return read;
    if (holds_zip_records(&tail[comment_end], window - comment_end) ||
        ends_in_record_start(&tail[comment_end], window - comment_end)) {
        layout = {};
        return {Code::bad_archive,
                "zip records follow the last end record (an archive stored in an entry of a damaged one)"};
    }
    return {};
}

bool CentralEntry::is_link() const {
    const auto host = static_cast<uint8_t>(version_made_by >> 8);
    if (host == kHostUnix) return ((external_attributes >> 16) & 0170000u) == 0120000u;
    return (external_attributes & 0x400u) != 0;  // FILE_ATTRIBUTE_REPARSE_POINT
}

bool CentralEntry::has_directory_attribute() const {
    // Hosts whose attributes are the DOS ones: MS-DOS, OS/2 HPFS, NTFS, VFAT.
    const auto host = static_cast<uint8_t>(version_made_by >> 8);
    const bool dos_attributes = host == 0 || host == 6 || host == 10 || host == 14;
    return dos_attributes && (external_attributes & 0x10u) != 0;  // FILE_ATTRIBUTE_DIRECTORY
}

bool CentralEntry::read_only() const {
    if (external_attributes & 1u) return true;  // FILE_ATTRIBUTE_READONLY
    const auto host = static_cast<uint8_t>(version_made_by >> 8);
    const uint32_t mode = external_attributes >> 16;
    return host == kHostUnix && (mode & 0170000u) == 0100000u && !(mode & 0200u);
}

DirectoryReader::DirectoryReader(InputSource& input, const ArchiveLayout& layout)
    : input_(input), layout_(layout), position_(layout.directory_start),
      end_(layout.directory_start + layout.directory_size), buffer_(64 * 1024) {}

Result DirectoryReader::read(void* data, size_t length) {
    auto* out = static_cast<uint8_t*>(data);
    while (length > 0) {
        if (buffer_start_ == buffer_end_) {
            const uint64_t left = end_ - position_;
            if (left == 0) return {Code::bad_archive, "central directory record truncated"};
            const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
            if (Result filled = input_.read_at(position_, buffer_.data(), chunk); !filled.ok()) return filled;
            position_ += chunk;
            buffer_start_ = 0;
            buffer_end_ = chunk;
        }
        const size_t take = std::min(length, buffer_end_ - buffer_start_);
        std::memcpy(out, buffer_.data() + buffer_start_, take);
        buffer_start_ += take;
        out += take;
        length -= take;
    }
    return {};
}

namespace {

constexpr uint16_t kZip64Field = 0x0001;
constexpr uint16_t kNtfsField = 0x000a;
constexpr uint16_t kExtendedTimestampField = 0x5455;
constexpr uint16_t kUnicodePathField = 0x7075;
constexpr uint16_t kAesField = 0x9901;

// The fields that overflow the 32-bit directory record are in the ZIP64 extra
// field, in this order, only when the record holds all ones.
bool apply_zip64(ByteCursor field, CentralEntry& entry, bool need_uncompressed, bool need_compressed,
                 bool need_offset) {
    if (need_uncompressed) entry.uncompressed_size = field.u64();
    if (need_compressed) entry.compressed_size = field.u64();
    if (need_offset) entry.local_offset = field.u64();
    return field.ok();
}

void apply_times(uint16_t id, ByteCursor field, CentralEntry& entry) {
    if (id == kExtendedTimestampField) {
        const uint8_t flags = field.u8();
        const auto mtime = static_cast<int32_t>(field.u32());
        if (field.ok() && (flags & 1)) entry.unix_mtime = mtime;
    } else if (id == kNtfsField) {
        field.skip(4);  // reserved
        const uint16_t tag = field.u16();
        const uint16_t tag_size = field.u16();
        const uint64_t file_time = field.u64();  // 100 ns since 1601
        // Tag 1 holds the modification, access and creation times.
        if (field.ok() && tag == 1 && tag_size >= 24 && field.remaining() >= 16)
            entry.unix_mtime = static_cast<int64_t>(file_time / 10000000) - 11644473600LL;
        // unix_mtime from NTFS stays approximate for times before 1601.
    }
}

}  // namespace

Result DirectoryReader::next(CentralEntry& entry) {
    uint8_t fixed[kCentralSize];
    if (Result filled = read(fixed, sizeof fixed); !filled.ok()) return filled;
    ByteCursor record(fixed, sizeof fixed);
    if (record.u32() != kCentralSignature) return {Code::bad_archive, "central directory record missing"};
    entry = {};
    entry.version_made_by = record.u16();
    record.skip(2);  // version needed to extract
    entry.flags = record.u16();
    entry.method = record.u16();
    entry.dos_time = record.u16();
    entry.dos_date = record.u16();
    entry.crc32 = record.u32();
    entry.compressed_size = record.u32();
    entry.uncompressed_size = record.u32();
    const size_t name_length = record.u16();
    const size_t extra_length = record.u16();
    const size_t comment_length = record.u16();
    const uint16_t disk = record.u16();
    entry.internal_attributes = record.u16();
    entry.external_attributes = record.u32();
    entry.local_offset = record.u32();

    entry.raw_name.resize(name_length);
    std::vector<uint8_t> extra(extra_length + comment_length);
    if (Result filled = read(entry.raw_name.data(), name_length); !filled.ok()) return filled;
    if (Result filled = read(extra.data(), extra.size()); !filled.ok()) return filled;
    const bool need_uncompressed = entry.uncompressed_size == 0xFFFFFFFFu;
    const bool need_compressed = entry.compressed_size == 0xFFFFFFFFu;
    const bool need_offset = entry.local_offset == 0xFFFFFFFFu;
    bool zip64_done = !(need_uncompressed || need_compressed || need_offset);
    ByteCursor fields(extra.data(), extra_length);
    while (fields.remaining() >= 4) {
        const uint16_t id = fields.u16();
        const size_t size = fields.u16();
        if (size > fields.remaining()) break;  // a torn last field is ignored, as other tools do
        ByteCursor field = fields.sub(size);
        if (id == kZip64Field && !zip64_done) {
            if (!apply_zip64(field, entry, need_uncompressed, need_compressed, need_offset))
                return {Code::bad_archive, "ZIP64 extra field too short"};
            zip64_done = true;
        } else if (id == kUnicodePathField) {
            const uint8_t version = field.u8();
            const uint32_t name_crc = field.u32();
            // Only trusted while it still describes the stored name.
            if (field.ok() && version == 1 &&
                name_crc == crc32(0, reinterpret_cast<const Bytef*>(entry.raw_name.data()),
                                  static_cast<uInt>(name_length)))
                entry.unicode_path.emplace(reinterpret_cast<const char*>(field.position()), field.remaining());
        } else if (id == kAesField) {
            entry.aes = true;
        } else {
            apply_times(id, field, entry);
        }
    }
    if (!zip64_done) return {Code::bad_archive, "ZIP64 sizes missing"};
    if (disk != 0 && disk != 0xFFFF) return {Code::bad_archive, "entry on another disk"};
    if (entry.local_offset > layout_.directory_start - layout_.base)
        return {Code::bad_archive, "entry offset beyond the central directory"};
    entry.local_offset += layout_.base;
    return {};
}

Result locate_data(InputSource& input, const ArchiveLayout& layout, const CentralEntry& entry, uint64_t& data_start) {
    static constexpr char kNoHeader[] = "local header missing";
    uint8_t header[kLocalSize];
    if (entry.local_offset + kLocalSize > layout.directory_start) return {Code::bad_archive, kNoHeader};
    if (Result read = input.read_at(entry.local_offset, header, sizeof header); !read.ok()) return read;
    ByteCursor local(header, sizeof header);
    if (local.u32() != kLocalSignature) return {Code::bad_archive, kNoHeader};
    // Version, flags, method, time, date, CRC and sizes: the directory's are the ones used.
    local.skip(2 + 2 + 2 + 2 + 2 + 4 + 4 + 4);
    const uint16_t name_length = local.u16();
    const uint16_t extra_length = local.u16();
    data_start = entry.local_offset + kLocalSize + name_length + extra_length;
    if (data_start > layout.directory_start || entry.compressed_size > layout.directory_start - data_start)
        return {Code::bad_archive, "entry data runs into the central directory"};
    return {};
}

namespace {

// Calls `visit(start, end)` with the bytes each entry occupies, local header included.
template <typename Visit>
Result for_each_span(InputSource& input, const ArchiveLayout& layout, Visit visit) {
    DirectoryReader reader(input, layout);
    CentralEntry entry;
    for (uint64_t i = 0; i < layout.entry_count; ++i) {
        if (Result read = reader.next(entry); !read.ok()) return read;
        uint64_t data_start = 0;
        if (Result located = locate_data(input, layout, entry, data_start); !located.ok()) {
            located.detail = "\"" + entry.raw_name + "\": " + located.detail;
            return located;
        }
        visit(entry.local_offset, data_start + entry.compressed_size);
    }
    if (!reader.at_end())
        return {Code::bad_archive, "central directory holds more than the " + std::to_string(layout.entry_count) +
                                       " entries the end record counts"};
    return {};
}

}  // namespace

Result check_no_overlap(InputSource& input, const ArchiveLayout& layout) {
    // Tools store entries in directory order: then a running end proves there
    // is no overlap without remembering anything per entry.
    bool in_order = true;
    uint64_t furthest_end = 0;
    Result result = for_each_span(input, layout, [&](uint64_t start, uint64_t end) {
        in_order = in_order && start >= furthest_end;
        furthest_end = std::max(furthest_end, end);
    });
    if (!result.ok() || in_order) return result;
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    spans.reserve(static_cast<size_t>(std::min<uint64_t>(layout.entry_count, 1u << 16)));
    result = for_each_span(input, layout, [&](uint64_t start, uint64_t end) { spans.emplace_back(start, end); });
    if (!result.ok()) return result;
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return {Code::bad_archive, "entries overlap: one local record is reached from two directory entries"};
    return {};
}

}  // namespace uz
