// The structures real archives carry, built exactly: ZIP64 records, data
// descriptors, prepended stubs and comments, names in code page 437, UTF-8 and
// the Unicode path field, and times from the extended fields.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "allocations.h"
#include "test_files.h"
#include "tests/fakes/same_text.h"
#include "unzip_harness.h"
#include "worker_pool.h"
#include "zip_builder.h"

namespace ziptest {
namespace {

class Structures : public ::testing::Test {
protected:
    int32_t extract(const Built& built) {
        write_file(folder / "a.zip", built.bytes);
        const int32_t result = unzip.run(folder / "a.zip", folder / "out");
        return result;
    }
    TempFolder folder;
    UnzipRun unzip{&Wiz_SingleEntryUnzip};
};

TEST_F(Structures, Zip64StubCommentAndDescriptorsTogether) {
    const std::string big(70000, 'q');
    ASSERT_EQ(extract(build_zip({{.name = "a", .data = big, .data_descriptor = true, .zip64 = true},
                                 {.name = "b", .data = "b", .method = 0, .zip64 = true},
                                 {.name = "c", .data = big, .data_descriptor = true}},
                                {.prepend = std::string(5000, 'S'), .comment = "PK\x05\x06 fake signature in comment",
                                 .zip64_end = true})),
              UZP_OK)
        << unzip.printed;
    EXPECT_EQ(snapshot(folder.path() / "out"),
              (std::map<std::string, std::string>{{"a", big}, {"b", "b"}, {"c", big}}));
}

TEST_F(Structures, NameEncodings) {
    const std::string unicode_field = [] {
        std::string name = "old-name.txt", field;
        const std::string utf8 = "nuovo-\xc3\xa8.txt";
        const uint32_t crc = crc32_of(name);
        field += std::string("\x75\x70", 2);
        field += static_cast<char>(5 + utf8.size());
        field += '\0';
        field += '\x01';
        for (int i = 0; i < 4; ++i) field += static_cast<char>((crc >> (8 * i)) & 0xFF);
        return field + utf8;
    }();
    EXPECT_EQ(extract(build_zip({{.name = "caf\x82.txt", .data = "437"},
                                 {.name = "perch\xc3\xa9.txt", .data = "utf8", .flags = 0x800},
                                 {.name = "old-name.txt", .data = "field", .central_extra = unicode_field},
                                 {.name = "bad\xff.txt", .data = "x", .flags = 0x800}})),
              UZP_ENTRY_ERRORS);
    EXPECT_EQ(snapshot(folder.path() / "out"),
              (std::map<std::string, std::string>{
                  {"caf\xc3\xa9.txt", "437"}, {"perch\xc3\xa9.txt", "utf8"}, {"nuovo-\xc3\xa8.txt", "field"}}));
    // Callback texts are single-byte: é is 0xE9 in Windows-1252.
    EXPECT_NE(unzip.printed.find("perch\xe9.txt"), std::string::npos) << unzip.printed;
    EXPECT_NE(unzip.printed.find("not valid UTF-8"), std::string::npos);
}

TEST_F(Structures, FoldersMarkedOnlyByTheDirectoryAttribute) {
    // Hosts MS-DOS, OS/2 HPFS, NTFS and VFAT use the DOS attributes; elsewhere the bit means nothing.
    std::vector<Entry> entries;
    for (const int host : {0, 6, 10, 14}) {
        const std::string name = "folder" + std::to_string(host);
        const auto made_by = static_cast<uint16_t>(host << 8 | 20);
        entries.push_back({.name = name, .data = "", .made_by = made_by, .external = 0x10});
        entries.push_back({.name = name + "/inside.txt", .data = "in"});
    }
    entries.push_back({.name = "unix", .data = "u", .made_by = 0x0314, .external = (0100644u << 16) | 0x10});
    entries.push_back({.name = "mvs", .data = "m", .made_by = 0x0B14, .external = 0x10});
    ASSERT_EQ(extract(build_zip(entries)), UZP_OK) << unzip.printed;
    const auto tree = snapshot(folder.path() / "out");
    EXPECT_EQ(tree.size(), 10u);
    for (const char* host : {"0", "6", "10", "14"})
        EXPECT_EQ(tree.at(std::string("folder") + host + "/inside.txt"), "in") << host;
    EXPECT_EQ(tree.at("unix"), "u");
    EXPECT_EQ(tree.at("mvs"), "m");
}

TEST_F(Structures, ExtendedTimestampWinsOverDosTime) {
    std::string field("\x55\x54\x05\x00\x01", 5);
    const uint32_t when = 1700000000;
    for (int i = 0; i < 4; ++i) field += static_cast<char>((when >> (8 * i)) & 0xFF);
    ASSERT_EQ(extract(build_zip({{.name = "t", .data = "t", .central_extra = field}})), UZP_OK);
    struct stat status {};
    ASSERT_EQ(::stat((folder.path() / "out/t").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1700000000);
}

// Local headers are read through a window of 64 KiB: one that runs past its
// end is still read whole.
TEST_F(Structures, LocalHeaderAcrossTheReadWindow) {
    const std::string first(65536 - 10 - 31, 'f');
    const Built built = build_zip({{.name = "a", .data = first, .method = 0}, {.name = "b", .data = "b", .method = 0}});
    ASSERT_EQ(built.local_offsets[1], 65536u - 10);
    ASSERT_EQ(extract(built), UZP_OK) << unzip.printed;
    EXPECT_EQ(snapshot(folder.path() / "out"), (std::map<std::string, std::string>{{"a", first}, {"b", "b"}}));
}

// An entry waiting to be reported keeps what its file's job needs and its
// name for the message, not its directory record nor copies of its paths:
// with names of 64 KiB (flattened to short files), the 64 entries that may
// wait hold about 64 names.
TEST_F(Structures, AWaitingEntryHoldsLittleMoreThanItsName) {
    std::vector<Entry> entries;
    std::string folders;
    for (int i = 0; i < 260; ++i) folders += std::string(250, 'd') + "/";
    for (int i = 0; i < 100; ++i) entries.push_back({.name = folders + "f" + std::to_string(i), .data = "x"});
    write_file(folder / "a.zip", build_zip(entries).bytes);
    std::string archive = folder / "a.zip", target = folder / "out";
    DCL options{};
    options.archive_name = archive.data();
    options.extract_folder = target.data();
    uz::max_workers = 0;
    allocations::reset_peak();
    const int32_t result = Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, nullptr);  // no callbacks to hold names
    const size_t peak = allocations::peak();
    uz::max_workers = -1;
    ASSERT_EQ(result, UZP_OK);
    EXPECT_LT(peak, 64 * 65536 * 3 / 2 + (2 << 20)) << peak;
}

}  // namespace
}  // namespace ziptest

namespace ziptest {
namespace {

// Big entries are decoded on a second thread; the outcome must be the one a
// strictly sequential extraction gives.
TEST_F(Structures, BigEntriesInParallelKeepArchiveOrderAndReportFailures) {
    std::string big_a(3 << 20, 'a'), big_b(2 << 20, 'b');
    for (size_t i = 0; i < big_a.size(); i += 4093) big_a[i] = static_cast<char>(i);
    write_file(folder.path() / "out/bad", "precious");
    unzip.options.prompt_to_overwrite = 1;
    unzip.replace_answers = {UZP_REPLACE_YES, UZP_REPLACE_YES};
    ASSERT_EQ(extract(build_zip({{.name = "dup", .data = big_a},
                                 {.name = "dup", .data = big_b},         // must see the first one and ask
                                 {.name = "bad", .data = big_a, .crc = 3},
                                 {.name = "DUP/inner", .data = "x"},     // a folder where the file is
                                 {.name = "small", .data = "s"},
                                 {.name = "last", .data = big_b}})),
              UZP_ENTRY_ERRORS)
        << unzip.printed;
    EXPECT_EQ(unzip.questions, (std::vector<std::string>{"dup", "bad"}));
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(folder.path() / "out/dup"), big_b);
    EXPECT_EQ(read_file(folder.path() / "out/bad"), "precious");
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(folder.path() / "out/last"), big_b);
    EXPECT_NE(unzip.printed.find("bad  (CRC error)"), std::string::npos);
    for (const auto& item : fs::directory_iterator(folder.path() / "out"))
        EXPECT_EQ(item.path().filename().string().find(".uz"), std::string::npos) << item.path();
}

// Where no second thread can be started, the caller's thread decodes: a limit
// on processes is not a shortage of memory. The child process runs under a
// user allowed no more threads than it has.
TEST_F(Structures, WithoutASecondThreadBigEntriesAreDecodedOnTheCallersThread) {
    const std::string big(2 << 20, 'b');
    write_file(folder / "a.zip", build_zip({{.name = "big", .data = big}, {.name = "small", .data = "s"}}).bytes);
    fs::permissions(folder.path(), fs::perms::all);
    const auto limited_run = [&] {
        if (::getuid() == 0 && ::setuid(65534) != 0) ::_exit(3);
        const struct rlimit none{1, 1};
        if (::setrlimit(RLIMIT_NPROC, &none) != 0) ::_exit(3);
        const int32_t result = unzip.run(folder / "a.zip", folder / "out");
        ::_exit(result == UZP_OK && read_file(folder.path() / "out/big") == big ? 0 : 100 + result);
    };
    EXPECT_EXIT(limited_run(), ::testing::ExitedWithCode(0), "");
}

// A write the system refuses (a full disk; here a limit on the size of files)
// fails the entry with the system's own reason, on either thread, and leaves
// no file behind.
TEST_F(Structures, AFailedWriteTellsTheSystemsReason) {
    write_file(folder / "a.zip", build_zip({{.name = "big", .data = std::string(2 << 20, 'b')},
                                            {.name = "small", .data = std::string(100000, 's')}})
                                     .bytes);
    const std::string reason = std::strerror(EFBIG);
    const auto limited_run = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small{65536, 65536};
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0) ::_exit(3);
        const int32_t result = unzip.run(folder / "a.zip", folder / "out");
        std::fputs(unzip.printed.c_str(), stderr);
        const bool told = unzip.printed.find("error: big  (" + reason + ")") != std::string::npos &&
                          unzip.printed.find("error: small  (" + reason + ")") != std::string::npos;
        ::_exit(result == UZP_ENTRY_ERRORS && told && snapshot(folder.path() / "out").empty() ? 0 : 1);
    };
    EXPECT_EXIT(limited_run(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace ziptest
