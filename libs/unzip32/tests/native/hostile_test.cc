// Archives built to hurt: names that climb out, links, overlaps, lying sizes
// and counts, truncations and corruption anywhere. Whatever happens, nothing
// lands outside the target folder and no half-written file stays behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <set>

#include "allocations.h"
#include "test_files.h"
#include "unzip_harness.h"
#include "worker_pool.h"
#include "zip_builder.h"

namespace ziptest {
namespace {

class Hostile : public ::testing::Test {
protected:
    int32_t extract(const std::string& bytes, UnzipRun& attempt) {
        write_file(archive, bytes);
        return attempt.run(archive, target.string());
    }
    int32_t extract(const std::string& bytes) {
        UnzipRun attempt{&Wiz_SingleEntryUnzip};
        attempt.options.always_overwrite = 1;
        const int32_t result = extract(bytes, attempt);
        printed = attempt.printed;
        return result;
    }
    /// Nothing but the archive and the target folder beside each other, and no
    /// temporary file left in the target.
    void expect_contained() {
        for (const auto& item : fs::directory_iterator(folder.path()))
            EXPECT_TRUE(item.path() == archive || item.path() == target) << item.path();
        if (!fs::exists(target)) return;
        for (const auto& item : fs::recursive_directory_iterator(target))
            EXPECT_EQ(item.path().filename().string().find(".uz"), std::string::npos) << item.path();
    }

    TempFolder folder;
    fs::path archive = folder.path() / "hostile.zip";
    fs::path target = folder.path() / "target";
    std::string printed;
};

TEST_F(Hostile, NamesThatLeaveTheFolderAreRefusedOthersStillExtracted) {
    const std::string names[] = {"../escape.txt", "a/../../escape.txt", "/tmp/unzip32-absolute.txt", "C:\\escape.txt",
                                 "\\\\server\\share\\escape.txt", "file.txt:stream", "CON", "sub/nul.txt", "dots.../x",
                                 std::string("nul\0in\x1f.txt", 11)};
    std::vector<Entry> entries;
    for (const std::string& name : names) entries.push_back({.name = name, .data = "evil"});
    entries.push_back({.name = "good.txt", .data = "good"});
    EXPECT_EQ(extract(build_zip(entries).bytes), UZP_ENTRY_ERRORS);
    EXPECT_EQ(snapshot(target), (std::map<std::string, std::string>{{"good.txt", "good"}}));
    EXPECT_FALSE(fs::exists("/tmp/unzip32-absolute.txt"));
    EXPECT_NE(printed.find("\"..\" component"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Windows device name"), std::string::npos);
    // Control characters are shown, not passed on to cut the message short.
    EXPECT_NE(printed.find("nul^@in^_.txt  (refused name: character"), std::string::npos) << printed;
    EXPECT_EQ(printed.find('\0'), std::string::npos);
    expect_contained();
}

TEST_F(Hostile, LinkEntriesAreRefused) {
    const std::string bytes = build_zip({{.name = "link", .data = "/etc/passwd", .method = 0, .made_by = 0x0314,
                                          .external = 0120777u << 16},
                                         {.name = "reparse", .data = "x", .external = 0x400}})
                                  .bytes;
    EXPECT_EQ(extract(bytes), UZP_ENTRY_ERRORS);
    EXPECT_TRUE(snapshot(target).empty());
    EXPECT_NE(printed.find("link entry"), std::string::npos);
}

TEST_F(Hostile, OverlappingEntriesRefuseTheArchive) {
    // Directory record `from` points at the local record of entry `to`, among `count` entries.
    const struct { size_t count, from, to; } cases[] = {{2, 1, 0}, {3, 1, 0}, {3, 2, 0}, {4, 1, 0}};
    for (const auto& c : cases) {
        std::vector<Entry> entries;
        for (size_t i = 0; i < c.count; ++i)
            entries.push_back({.name = std::to_string(i), .data = std::string(100, 'x')});
        Built built = build_zip(entries);
        put32(built.bytes, built.central_offsets[c.from] + 42, static_cast<uint32_t>(built.local_offsets[c.to]));
        EXPECT_EQ(extract(built.bytes), UZP_BAD_ARCHIVE) << c.count << " " << c.from;
        EXPECT_FALSE(fs::exists(target));
        EXPECT_NE(printed.find("overlap"), std::string::npos);
    }
}

TEST_F(Hostile, EntriesOutOfDirectoryOrderAreFineUnlessTheyOverlap) {
    Built built = build_zip({{.name = "a", .data = "first"}, {.name = "b", .data = "second"}});
    // Swap the two directory records: a valid archive whose directory is not in file order.
    const size_t first = built.central_offsets[0], second = built.central_offsets[1];
    const std::string record_a = built.bytes.substr(first, second - first);
    const std::string record_b = built.bytes.substr(second, built.end_offset - second);
    built.bytes.replace(first, record_a.size() + record_b.size(), record_b + record_a);
    EXPECT_EQ(extract(built.bytes), UZP_OK) << printed;
    EXPECT_EQ(snapshot(target), (std::map<std::string, std::string>{{"a", "first"}, {"b", "second"}}));
    // Now the (first) record of b points at a's local record too.
    put32(built.bytes, first + 42, 0);
    EXPECT_EQ(extract(built.bytes), UZP_BAD_ARCHIVE);
    EXPECT_NE(printed.find("overlap"), std::string::npos) << printed;
}

TEST_F(Hostile, ImpossibleCountsAndOffsetsRefuseTheArchive) {
    const std::vector<Entry> one = {{.name = "a", .data = "a"}};
    EXPECT_EQ(extract(build_zip(one, {.entry_count = 1000}).bytes), UZP_BAD_ARCHIVE);
    EXPECT_EQ(extract(build_zip(one, {.zip64_end = true, .entry_count = uint64_t{1} << 60}).bytes), UZP_BAD_ARCHIVE);
    Built built = build_zip(one);
    put32(built.bytes, built.end_offset + 16, 0x7FFFFFFF);  // directory offset beyond the file
    EXPECT_EQ(extract(built.bytes), UZP_BAD_ARCHIVE);
    built = build_zip(one);
    put32(built.bytes, built.central_offsets[0] + 20, 0x7FFFFFF0);  // data running into the directory
    EXPECT_EQ(extract(built.bytes), UZP_BAD_ARCHIVE);
    EXPECT_FALSE(fs::exists(target));
}

// The end record that counts is the one the file ends with; a stray one in a
// comment or in a zip stored inside an entry must neither hide the archive nor
// stand in for it, and the directory must hold exactly what it counts.
TEST_F(Hostile, EndRecordAndCountDescribeTheWholeArchive) {
    const std::vector<Entry> two = {{.name = "a", .data = "alpha"}, {.name = "b", .data = "beta"}};
    const std::map<std::string, std::string> both = {{"a", "alpha"}, {"b", "beta"}};
    const std::string stray = std::string("PK\x05\x06", 4) + std::string(18, '\0');  // an empty archive's end record
    const std::string inner = build_zip({{.name = "inner.txt", .data = "inside"}}).bytes;
    const std::vector<Entry> holding_a_zip = {{.name = "a", .data = "alpha"},
                                              {.name = "in.zip", .data = inner, .method = 0}};
    const std::string outer = build_zip(holding_a_zip).bytes;
    const std::string outer_with_comment = build_zip(holding_a_zip, {.comment = "outer comment"}).bytes;
    const struct {
        const char* label;
        std::string bytes;
        int32_t result;
        std::map<std::string, std::string> tree;
    } cases[] = {
        {"stray record inside the comment", build_zip(two, {.comment = "x " + stray + " y"}).bytes, UZP_OK, both},
        {"stray record ending the comment", build_zip(two, {.comment = "x " + stray}).bytes, UZP_OK, both},
        {"bytes appended after the archive", build_zip(two).bytes + "appended", UZP_OK, both},
        {"comment cut short, a zip in an entry", outer_with_comment.substr(0, outer_with_comment.size() - 4),
         UZP_BAD_ARCHIVE, {}},
        {"end record cut short, a zip in an entry", outer.substr(0, outer.size() - 4), UZP_BAD_ARCHIVE, {}},
        {"an empty archive, stray bytes after it", build_zip({}).bytes + "stray bytes", UZP_OK, {}},
        {"an empty archive, then a record's first bytes", build_zip({}).bytes + "PK\x03", UZP_BAD_ARCHIVE, {}},
        {"an archive as another's comment", build_zip(two, {.comment = inner}).bytes, UZP_OK, both},
        {"count short of the directory", build_zip(two, {.entry_count = 1}).bytes, UZP_BAD_ARCHIVE, {}},
    };
    for (const auto& c : cases) {
        fs::remove_all(target);
        EXPECT_EQ(extract(c.bytes), c.result) << c.label << ": " << printed;
        if (c.result != UZP_OK) EXPECT_FALSE(fs::exists(target)) << c.label;
        else EXPECT_EQ(snapshot(target), c.tree) << c.label;
    }
    EXPECT_NE(printed.find("holds more than the 1 entries"), std::string::npos) << printed;
}

TEST_F(Hostile, DataBeyondItsDeclaredSizeFailsTheEntry) {
    const std::string big(100000, 'z');
    EXPECT_EQ(extract(build_zip({{.name = "bomb", .data = big, .uncompressed_size = 10},
                                 {.name = "stored", .data = big, .method = 0, .uncompressed_size = 10},
                                 {.name = "short", .data = "abc", .uncompressed_size = 10}})
                          .bytes),
              UZP_ENTRY_ERRORS);
    EXPECT_TRUE(snapshot(target).empty());
    EXPECT_NE(printed.find("bomb  (data longer than its declared size)"), std::string::npos) << printed;
    expect_contained();
}

TEST_F(Hostile, FailedEntryKeepsTheFileItWouldHaveReplaced) {
    write_file(target / "keep.txt", "precious");
    EXPECT_EQ(extract(build_zip({{.name = "keep.txt", .data = std::string(50000, 'n'), .crc = 42}}).bytes),
              UZP_ENTRY_ERRORS);
    EXPECT_EQ(read_file(target / "keep.txt"), "precious");
    EXPECT_NE(printed.find("CRC error"), std::string::npos);
    expect_contained();
}

TEST_F(Hostile, UnsupportedMethodsSkipTheEntryWithAMessage) {
    EXPECT_EQ(extract(build_zip({{.name = "b.bz2", .data = "BZh9", .method = 12},
                                 {.name = "shrunk", .data = "xxxx", .method = 1},
                                 {.name = "reduced", .data = "xxxx", .method = 3},
                                 {.name = "imploded", .data = "xxxx", .method = 6},
                                 {.name = "tokenized", .data = "xxxx", .method = 7},
                                 {.name = "strong", .data = std::string(40, 'x'), .flags = 0x41},
                                 {.name = "l.lzma", .data = "xxxx", .method = 14},
                                 {.name = "d64", .data = "xxxx", .method = 9},
                                 {.name = "aes", .data = std::string(40, 'x'), .method = 99, .flags = 1,
                                  .central_extra = std::string("\x01\x99\x07\x00\x02\x00" "AE\x03\x08\x00", 11)},
                                 {.name = "ok", .data = "ok"}})
                          .bytes),
              UZP_ENTRY_ERRORS);
    EXPECT_EQ(snapshot(target), (std::map<std::string, std::string>{{"ok", "ok"}}));
    for (const char* method :
         {"BZip2", "LZMA", "Deflate64", "AES", "Shrunk (1)", "Reduced (3)", "Imploded", "Tokenized"})
        EXPECT_NE(printed.find(std::string("unsupported compression method: ") + method), std::string::npos) << method;
    EXPECT_NE(printed.find("strong  (strong encryption is not supported)"), std::string::npos) << printed;
}

TEST_F(Hostile, EntryWhereAFolderIsAndFolderWhereAFileIs) {
    write_file(target / "file", "x");
    fs::create_directories(target / "dir");
    EXPECT_EQ(extract(build_zip({{.name = "dir", .data = "d"}, {.name = "file/", .data = ""},
                                 {.name = "file/inner", .data = "i"}})
                          .bytes),
              UZP_ENTRY_ERRORS);
    EXPECT_EQ(read_file(target / "file"), "x");
    EXPECT_TRUE(fs::is_directory(target / "dir"));
}

std::string small_archive() {
    return build_zip({{.name = "dir/", .data = "", .method = 0},
                      {.name = "dir/stored.txt", .data = "stored bytes", .method = 0},
                      {.name = "dir/deflated.txt", .data = std::string(300, 'd') + "tail", .data_descriptor = true},
                      {.name = "z64", .data = "zip64 entry", .zip64 = true}},
                     {.prepend = "MZ stub", .comment = "comment", .zip64_end = true})
        .bytes;
}

TEST_F(Hostile, TruncationAtEveryByteNeverSucceedsNorLeavesDebris) {
    const std::string whole = small_archive();
    ASSERT_EQ(extract(whole), UZP_OK) << printed;
    for (size_t length = 0; length < whole.size(); ++length) {
        fs::remove_all(target);
        const int32_t result = extract(whole.substr(0, length));
        EXPECT_TRUE(result == UZP_BAD_ARCHIVE || result == UZP_ENTRY_ERRORS) << length << ": " << result;
        expect_contained();
    }
}

TEST_F(Hostile, CorruptionOfAnyByteEndsCleanly) {
    const std::string whole = small_archive();
    for (size_t at = 0; at < whole.size(); ++at) {
        for (const uint8_t mask : {uint8_t{0xFF}, uint8_t{0x01}}) {
            std::string damaged = whole;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            fs::remove_all(target);
            const int32_t result = extract(damaged);
            EXPECT_TRUE(result == UZP_OK || result == UZP_BAD_ARCHIVE || result == UZP_ENTRY_ERRORS) << at;
            expect_contained();
        }
    }
}

// Callbacks that allocate nothing, for runs where allocations fail.
struct Quiet {
    static inline char printed[1 << 20];
    static inline size_t length = 0;
    static int32_t UNZIP32_CALL print(const char* text, uint32_t size) {
        const size_t taken = std::min<size_t>(size, sizeof printed - length);
        std::memcpy(printed + length, text, taken);
        length += taken;
        return 0;
    }
    static int32_t UNZIP32_CALL password(char* buffer, int32_t size, const char*, const char*) {
        std::snprintf(buffer, static_cast<size_t>(size), "Secret");
        return 0;
    }
};

// Memory runs out at the Nth allocation on the caller's thread or on the
// workers', for every N until a run needs fewer: the run never aborts, ends
// with 0 or 15, leaves no temporary file, and leaves the files of a
// sequential run stopped at some entry, each one reported as extracted.
TEST_F(Hostile, MemoryRunningOutAnywhereLeavesOnlyReportedFiles) {
    std::vector<Entry> entries;
    for (int i = 0; i < 12; ++i)
        entries.push_back({.name = "d" + std::to_string(i % 3) + "/f" + std::to_string(i),
                           .data = std::string(static_cast<size_t>(i) * 700 + 1, static_cast<char>('a' + i)),
                           .method = static_cast<uint16_t>(i % 2 ? 8 : 0)});
    entries.insert(entries.begin() + 5, {.name = "old.txt", .data = "new"});
    entries.insert(entries.begin() + 7, {.name = "big.bin", .data = std::string(600000, 'b')});
    entries.insert(entries.begin() + 10, {.name = "secret.txt", .data = "hidden", .password = "Secret"});
    write_file(archive, build_zip(entries).bytes);
    std::map<std::string, std::string> expected;
    for (const Entry& entry : entries) expected[entry.name] = entry.data;

    std::string archive_name = archive.string(), target_name = target.string();
    DCL options{};
    options.recreate_folders = options.always_overwrite = 1;
    options.archive_name = archive_name.data();
    options.extract_folder = target_name.data();
    USERFUNCTIONS callbacks{&Quiet::print, nullptr, nullptr, &Quiet::password, nullptr, nullptr, 0, 0, 0, 0, 0};
    // What is wrong with one run's outcome, if anything.
    const auto problem = [&](int32_t result, bool failed) -> std::string {
        if (result != UZP_OK && (result != UZP_OUT_OF_MEMORY || !failed)) return "result " + std::to_string(result);
        std::set<std::string> reported;
        const std::string told(Quiet::printed, Quiet::length);
        for (size_t at = 0; (at = told.find("ing: ", at)) != std::string::npos; at += 5)
            reported.insert(told.substr(at + 5, told.find("\r\n", at) - at - 5));
        for (const auto& [name, content] : snapshot(target)) {
            if (content == "/") continue;
            if (name.find(".uz-tmp") != std::string::npos) return "temporary file " + name;
            if (!reported.contains(name) && !(name == "old.txt" && content == "old")) return "unreported file " + name;
            if (reported.contains(name) && content != expected.at(name)) return "wrong content in " + name;
        }
        for (size_t i = 0; i < entries.size(); ++i)
            if (reported.contains(entries[i].name) != (i < reported.size())) return "not a sequential run's files";
        return {};
    };
    const auto sweep = [&](allocations::Where where) {
        uz::max_workers = 2;
        for (uint64_t n = 1; n < 100000; ++n) {
            fs::remove_all(target);
            write_file(target / "old.txt", "old");
            Quiet::length = 0;
            allocations::fail_nth(where, n);
            const int32_t result = Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, &callbacks);
            const bool failed = allocations::disarm();
            if (const std::string wrong = problem(result, failed); !wrong.empty()) {
                std::fprintf(stderr, "allocation %llu: %s\n%.*s", static_cast<unsigned long long>(n), wrong.c_str(),
                             static_cast<int>(Quiet::length), Quiet::printed);
                ::_exit(1);
            }
            if (!failed) {
                std::fprintf(stderr, "%llu allocations\n", static_cast<unsigned long long>(n - 1));
                ::_exit(n > 1 ? 0 : 2);  // a run that needs fewer: done
            }
        }
        ::_exit(3);
    };
    EXPECT_EXIT(sweep(allocations::Where::caller), ::testing::ExitedWithCode(0), "") << "on the caller's thread";
    EXPECT_EXIT(sweep(allocations::Where::workers), ::testing::ExitedWithCode(0), "") << "on a worker";
}

}  // namespace
}  // namespace ziptest
