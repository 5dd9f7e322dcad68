// The options record and the callbacks, on archives built in the test.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "test_files.h"
#include "unzip_harness.h"
#include "worker_pool.h"
#include "zip_builder.h"

namespace ziptest {
namespace {

class Options : public ::testing::Test {
protected:
    std::string make(const std::vector<Entry>& entries, const ziptest::Options& options = {}) {
        const std::string path = folder / "archive.zip";
        write_file(path, build_zip(entries, options).bytes);
        return path;
    }
    int32_t run(UnzipRun& attempt, const std::string& archive) { return attempt.run(archive, folder / "out"); }
    std::string out(const std::string& name) { return read_file(folder.path() / "out" / name); }
    bool exists(const std::string& name) { return fs::exists(folder.path() / "out" / name); }

    TempFolder folder;
    UnzipRun unzip{&Wiz_SingleEntryUnzip};
};

TEST_F(Options, VersionRecordIsFilledOnlyForItsLength) {
    UzpVer2 version{};
    version.structure_length = 63;
    EXPECT_EQ(UzpVersion2(&version), uint32_t{UZP_VERSION_MISMATCH});
    EXPECT_EQ(version.unzip.major, 0);
    version.structure_length = UZPVER2_LENGTH;
    std::memset(version.release_date, ' ', sizeof version.release_date);
    EXPECT_EQ(UzpVersion2(&version), uint32_t{UZP_OK});
    EXPECT_EQ(version.unzip.major, 1);
    EXPECT_STRNE(version.zlib_version, "");
    EXPECT_EQ(std::string(version.release_date), "7 Dec 2026");
}

TEST_F(Options, ExtractsIntoNewNestedFolderAndFillsTotals) {
    const std::string archive = make({{.name = "dati/", .data = ""},
                                      {.name = "dati/indice.htm", .data = std::string(1000, 'x')},
                                      {.name = "vuoto.txt", .data = "", .method = 0}},
                                     {.comment = "hello"});
    ASSERT_EQ(unzip.run(archive, folder / "a/b/c"), UZP_OK) << unzip.printed;
    EXPECT_EQ(read_file(folder / "a/b/c/dati/indice.htm"), std::string(1000, 'x'));
    EXPECT_EQ(read_file(folder / "a/b/c/vuoto.txt"), "");
    EXPECT_EQ(unzip.record.number_of_members, 3u);
    EXPECT_EQ(unzip.record.total_size, 1000u);
    EXPECT_LT(unzip.record.total_size_compressed, 100u);
    EXPECT_GT(unzip.record.compression_factor, 90u);
    EXPECT_EQ(unzip.record.comment_length, 5);
    EXPECT_EQ(unzip.sounds, 1);
    EXPECT_NE(unzip.printed.find("inflating: dati/indice.htm\r\n"), std::string::npos) << unzip.printed;
}

TEST_F(Options, ModificationTimeAndReadOnlyAreRestored) {
    const std::string archive = make({{.name = "ro.txt", .data = "r", .external = 1},
                                      {.name = "unix-ro.txt", .data = "u", .made_by = 0x0314, .external = 0100444u << 16},
                                      {.name = "rw.txt", .data = "w", .made_by = 0x0314, .external = 0100644u << 16}});
    ASSERT_EQ(run(unzip, archive), UZP_OK) << unzip.printed;
    struct stat status {};
    ASSERT_EQ(::stat((folder / "out/ro.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0222, 0u);
    EXPECT_EQ(status.st_mtime, 1589546096);  // 2020-05-15 12:34:56 read in UTC (TZ=UTC)
    ASSERT_EQ(::stat((folder / "out/unix-ro.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0222, 0u);
    ASSERT_EQ(::stat((folder / "out/rw.txt").c_str(), &status), 0);
    EXPECT_NE(status.st_mode & 0200, 0u);
}

TEST_F(Options, ReplaceAnswersDecideEachExistingFile) {
    std::vector<Entry> entries;
    for (const char* name : {"1", "2", "3", "4", "5"}) entries.push_back({.name = name, .data = std::string("new") + name});
    const std::string archive = make(entries);
    for (const char* name : {"1", "2", "3", "4", "5"}) write_file(folder.path() / "out" / name, "old");
    unzip.options.prompt_to_overwrite = 1;
    unzip.replace_answers = {UZP_REPLACE_NO, UZP_REPLACE_YES, UZP_REPLACE_ALL};
    EXPECT_EQ(run(unzip, archive), UZP_OK) << unzip.printed;
    EXPECT_EQ(unzip.questions, (std::vector<std::string>{"1", "2", "3"}));  // All stops the questions
    EXPECT_EQ(out("1"), "old");
    EXPECT_EQ(out("2"), "new2");
    EXPECT_EQ(out("5"), "new5");

    UnzipRun again{&Wiz_SingleEntryUnzip};
    for (const char* name : {"1", "2", "3", "4", "5"}) write_file(folder.path() / "out" / name, "old");
    again.options.prompt_to_overwrite = 1;
    again.options.always_overwrite = 1;  // prompting wins over it
    again.replace_answers = {UZP_REPLACE_YES, UZP_REPLACE_NONE};
    EXPECT_EQ(run(again, archive), UZP_OK);
    EXPECT_EQ(again.questions.size(), 2u);
    EXPECT_EQ(out("1"), "new1");
    EXPECT_EQ(out("2"), "old");
    EXPECT_EQ(out("5"), "old");
}

TEST_F(Options, QuestionNamesTheFileUnderTheTargetFolder) {
    const std::string archive = make({{.name = "dati\\indice.htm", .data = "x"}});
    write_file(folder.path() / "out/dati/indice.htm", "old");
    unzip.options.prompt_to_overwrite = 1;
    run(unzip, archive);
    EXPECT_EQ(unzip.questions, (std::vector<std::string>{"dati/indice.htm"}));
}

TEST_F(Options, WithoutPromptingOverwriteOptionDecides) {
    const std::string archive = make({{.name = "f", .data = "new"}});
    write_file(folder.path() / "out/f", "old");
    EXPECT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_EQ(out("f"), "old");
    EXPECT_NE(unzip.printed.find("skipping: f"), std::string::npos);
    unzip.options.always_overwrite = 1;
    EXPECT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_EQ(out("f"), "new");
    EXPECT_TRUE(unzip.questions.empty());
}

TEST_F(Options, UpdateAndFreshenCompareTimes) {
    const std::string archive = make({{.name = "older", .data = "new"}, {.name = "newer", .data = "new"},
                                      {.name = "same", .data = "new"}, {.name = "missing", .data = "new"}});
    const auto prepare = [&] {
        for (const char* name : {"older", "newer", "same"}) write_file(folder.path() / "out" / name, "old");
        fs::remove(folder.path() / "out/missing");
        fs::last_write_time(folder.path() / "out/older", fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20));
        const struct timespec entry_time[2] = {{1589546096, 0}, {1589546096, 0}};  // 2020-05-15 12:34:56 (TZ=UTC)
        ::utimensat(AT_FDCWD, (folder / "out/same").c_str(), entry_time, 0);
    };
    prepare();
    unzip.options.extract_only_newer = 1;
    unzip.options.prompt_to_overwrite = 1;  // update never asks
    EXPECT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_EQ(out("older"), "new");
    EXPECT_EQ(out("newer"), "old");
    EXPECT_EQ(out("same"), "old");  // as old as the file is not newer
    EXPECT_EQ(out("missing"), "new");
    EXPECT_TRUE(unzip.questions.empty());

    prepare();
    UnzipRun fresh{&Wiz_SingleEntryUnzip};
    fresh.options.freshen = 1;
    EXPECT_EQ(run(fresh, archive), UZP_OK);
    EXPECT_EQ(out("older"), "new");
    EXPECT_EQ(out("newer"), "old");
    EXPECT_EQ(out("same"), "old");
    EXPECT_FALSE(exists("missing"));
}

TEST_F(Options, ListOnlyReportsThirteenValuesAndWritesNothing) {
    const std::string archive = make({{.name = "readme.txt", .data = std::string(1234, 'r')},
                                      {.name = "cartella/", .data = "", .method = 0}});
    unzip.options.list_only = 1;
    ASSERT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_FALSE(fs::exists(folder.path() / "out"));
    ASSERT_EQ(unzip.listed.size(), 2u);
    const Listed& first = unzip.listed[0];
    EXPECT_EQ(first.name, "readme.txt");
    EXPECT_EQ(first.size, 1234u);
    EXPECT_EQ(first.method, "Deflated");
    EXPECT_EQ(first.crc, crc32_of(std::string(1234, 'r')));
    EXPECT_EQ(std::tie(first.year, first.month, first.day, first.hour, first.minute),
              std::make_tuple(2020u, 5u, 15u, 12u, 34u));
    EXPECT_EQ(first.flag, uint32_t{' '});
    EXPECT_EQ(first.encrypted, uint32_t{' '});
    EXPECT_EQ(unzip.listed[1].flag, uint32_t{'d'});

    // Sizes near 2^62, and totals past 2^64: percentages and totals neither wrap nor overflow.
    std::vector<Entry> huge;
    for (const char* name : {"1", "2", "3", "4"})
        huge.push_back({.name = name, .data = "x", .method = 0, .zip64 = true, .uncompressed_size = uint64_t{1} << 62});
    UnzipRun listing{&Wiz_SingleEntryUnzip};
    listing.options.list_only = 1;
    ASSERT_EQ(run(listing, make(huge)), UZP_OK) << listing.printed;
    ASSERT_EQ(listing.listed.size(), 4u);
    EXPECT_EQ(listing.listed[0].factor, 99u);
    EXPECT_EQ(listing.listed[0].size, 0xFFFFFFFFu);
    EXPECT_EQ(listing.record.total_size, 0xFFFFFFFFu);
    EXPECT_EQ(listing.record.compression_factor, 99u);
}

TEST_F(Options, TestOnlyChecksEveryEntryAndWritesNothing) {
    const std::string archive = make({{.name = "good", .data = "fine"}, {.name = "bad", .data = "data", .crc = 1}});
    unzip.options.test_only = 1;
    EXPECT_EQ(run(unzip, archive), UZP_ENTRY_ERRORS);
    EXPECT_FALSE(fs::exists(folder.path() / "out"));
    EXPECT_NE(unzip.printed.find("testing: good   OK"), std::string::npos);
    EXPECT_NE(unzip.printed.find("bad  (CRC error)"), std::string::npos);
}

TEST_F(Options, QuietLevelsFilterMessages) {
    const std::string archive = make({{.name = "good", .data = "fine"}, {.name = "bad", .data = "data", .crc = 1}});
    unzip.options.quiet = 1;
    EXPECT_EQ(run(unzip, archive), UZP_ENTRY_ERRORS);
    EXPECT_EQ(unzip.printed.find("inflating"), std::string::npos);
    EXPECT_NE(unzip.printed.find("bad"), std::string::npos);
    UnzipRun silent{&Wiz_SingleEntryUnzip};
    silent.options.quiet = 2;
    EXPECT_EQ(run(silent, archive), UZP_ENTRY_ERRORS);
    EXPECT_EQ(silent.printed, "");
}

TEST_F(Options, FlattenAndSpacesToUnderscores) {
    const std::string archive = make({{.name = "a b/c d.txt", .data = "1"}, {.name = "x/", .data = ""}});
    unzip.options.recreate_folders = 0;
    unzip.options.spaces_to_underscores = 1;
    ASSERT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_EQ(snapshot(folder.path() / "out"), (std::map<std::string, std::string>{{"c_d.txt", "1"}}));
}

TEST_F(Options, IncludeAndExcludeListsWithWildcardsAndCase) {
    const std::string archive = make({{.name = "dati/A.HTM", .data = "a"}, {.name = "dati/b.htm", .data = "b"},
                                      {.name = "dati/c.txt", .data = "c"}, {.name = "other/d.htm", .data = "d"}});
    unzip.include = {"dati/*.htm"};
    unzip.exclude = {"*/b.*"};
    // Case counts by default: A.HTM does not match and b.htm is excluded.
    ASSERT_EQ(run(unzip, archive), UZP_NO_MATCH);
    EXPECT_TRUE(snapshot(folder.path() / "out").empty());

    UnzipRun folding{&Wiz_SingleEntryUnzip};
    folding.include = {"dati\\*.htm"};  // either separator
    folding.exclude = {"*/b.*"};
    folding.options.case_insensitive = 1;
    ASSERT_EQ(run(folding, archive), UZP_OK);
    EXPECT_EQ(out("dati/A.HTM"), "a");
    EXPECT_FALSE(exists("dati/b.htm"));
    EXPECT_EQ(folding.record.number_of_members, 1u);

    UnzipRun none{&Wiz_SingleEntryUnzip};
    none.include = {"*.doc"};
    EXPECT_EQ(run(none, archive), UZP_NO_MATCH);

    // A folder entry is named with or without its slash; an entry that is not
    // selected cannot fail the run, even with a name that cannot be decoded.
    const std::string more = make({{.name = "sub/", .data = ""}, {.name = "good.txt", .data = "g"},
                                   {.name = "bad\xff.txt", .data = "x", .flags = 0x800}});
    UnzipRun folder_and_file{&Wiz_SingleEntryUnzip};
    folder_and_file.include = {"sub", "good.txt"};
    EXPECT_EQ(run(folder_and_file, more), UZP_OK) << folder_and_file.printed;
    EXPECT_TRUE(fs::is_directory(folder.path() / "out/sub"));
    EXPECT_EQ(out("good.txt"), "g");
    EXPECT_EQ(folder_and_file.record.number_of_members, 2u);
}

TEST_F(Options, UnsupportedOptionsTouchNothing) {
    const std::string archive = make({{.name = "f", .data = "x"}});
    int32_t DCL::*const unsupported[] = {&DCL::to_stdout, &DCL::show_comment, &DCL::detailed_info,
                                         &DCL::restore_security};
    for (auto option : unsupported) {
        UnzipRun attempt{&Wiz_SingleEntryUnzip};
        attempt.options.*option = 1;
        EXPECT_EQ(run(attempt, archive), UZP_UNSUPPORTED_OPTION);
        EXPECT_NE(attempt.printed.find("not supported"), std::string::npos);
        EXPECT_FALSE(fs::exists(folder.path() / "out"));
    }
}

TEST_F(Options, TranslatesLineEndsOfTextEntriesOnly) {
    const std::string archive = make({{.name = "t.txt", .data = "a\nb\r\nc\n", .internal = 1},
                                      {.name = "b.bin", .data = "a\nb\n"}});
    unzip.options.translate_eol = 1;
    ASSERT_EQ(run(unzip, archive), UZP_OK);
    EXPECT_EQ(out("t.txt"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(out("b.bin"), "a\nb\n");
}

TEST_F(Options, ServiceCallbackCanStopTheRun) {
    const std::string archive = make({{.name = "1", .data = "1"}, {.name = "2", .data = "2"}, {.name = "3", .data = "3"}});
    unzip.stop_at_service_call = 1;
    EXPECT_EQ(run(unzip, archive), UZP_ABORTED);
    EXPECT_TRUE(exists("1"));
    EXPECT_FALSE(exists("2"));
    EXPECT_FALSE(exists("3"));
}

TEST_F(Options, ArchiveProblemsHaveTheirOwnCodes) {
    EXPECT_EQ(run(unzip, folder / "missing.zip"), UZP_ARCHIVE_NOT_FOUND);
    write_file(folder / "text.zip", "this is not a zip archive at all, just text");
    EXPECT_EQ(run(unzip, folder / "text.zip"), UZP_BAD_ARCHIVE);
    EXPECT_EQ(run(unzip, folder.path().string()), UZP_ARCHIVE_UNREADABLE);  // a folder
    EXPECT_EQ(Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, nullptr, nullptr), UZP_BAD_PARAMETERS);
    DCL options{};
    EXPECT_EQ(Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, nullptr), UZP_BAD_PARAMETERS);
    EXPECT_EQ(Wiz_SingleEntryUnzip(1, nullptr, 0, nullptr, &options, nullptr), UZP_BAD_PARAMETERS);
}

TEST_F(Options, InstallerShapedCallWithHundredNullNames) {
    const std::string archive = make({{.name = "catalogo/x.htm", .data = "x"}});
    std::vector<char*> names(100, nullptr);
    std::string archive_name = archive, target = folder / "out";
    DCL options{};
    options.prompt_to_overwrite = options.always_overwrite = options.recreate_folders = 1;
    options.archive_name = archive_name.data();
    options.extract_folder = target.data();
    USERFUNCTIONS callbacks{};
    EXPECT_EQ(Wiz_SingleEntryUnzip(0, names.data(), 0, names.data(), &options, &callbacks), UZP_OK);
    EXPECT_EQ(out("catalogo/x.htm"), "x");
}

// Sequential or with workers, a run leaves the same files with the same times
// and modes, and makes the same calls in the same order on the caller's thread.
TEST_F(Options, WorkersChangeNothingButTheSpeed) {
    const auto tree = [](const fs::path& root) {
        std::map<std::string, std::string> files = snapshot(root);
        for (auto& [name, content] : files) {
            struct stat status {};
            ::stat((root / name).c_str(), &status);
            content += "@" + std::to_string(status.st_mtime) + (status.st_mode & 0200 ? "" : " read-only");
        }
        return files;
    };
    const auto hour = [](int h) { return static_cast<uint16_t>(h << 11); };
    std::string big(3 << 20, 'a');
    for (size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>(i);
    std::vector<Entry> small = {{.name = "d0/", .data = "", .dos_time = hour(1)}, {.name = "d1/", .data = ""}};
    for (int i = 0; i < 150; ++i)
        small.push_back({.name = "d" + std::to_string(i % 2) + "/f" + std::to_string(i),
                         .data = std::string(i * 37, static_cast<char>('a' + i % 26)),
                         .method = static_cast<uint16_t>(i % 4 ? 8 : 0), .external = i % 10 == 3 ? 1u : 0u,
                         .dos_time = hour(i % 24)});
    std::vector<Entry> replacing;
    for (const char* name : {"1", "2", "3", "4", "5"})
        replacing.push_back({.name = name, .data = std::string(name) + "new"});
    replacing.insert(replacing.begin() + 1, {.name = "6", .data = "broken", .crc = 1});
    // The third finds the second, though the first was reported (and forgotten) meanwhile.
    std::vector<Entry> thrice = {{.name = "1", .data = big}, {.name = "1", .data = big.substr(5)}};
    for (int i = 0; i < 62; ++i) thrice.push_back({.name = "f" + std::to_string(i), .data = "f"});
    thrice.push_back({.name = "1", .data = "third"});
    const struct {
        const char* label;
        std::vector<Entry> entries;
        std::deque<int32_t> answers;
        int stop_at = -1;
        const char* file_1 = nullptr;  // what "1" holds afterwards, if not "old"
    } cases[] = {
        {"small files in folders", small, {}},
        {"stopped by the service callback", small, {}, 100},
        {"big files at the same paths", {{.name = "dup", .data = big}, {.name = "dup", .data = big.substr(9)},
                                         {.name = "dup/inner", .data = "x"}, {.name = "6", .data = big, .crc = 3},
                                         {.name = "small", .data = "s"}, {.name = "last", .data = big.substr(7)}},
         {UZP_REPLACE_YES, UZP_REPLACE_YES}},
        {"answers No, Yes, All", replacing, {UZP_REPLACE_NO, UZP_REPLACE_YES, UZP_REPLACE_ALL}},
        {"answers Yes, None", replacing, {UZP_REPLACE_YES, UZP_REPLACE_NONE}},
        {"one name three times, the third 64 entries after the first", thrice, {UZP_REPLACE_ALL}, -1, "third"},
    };
    for (const auto& c : cases) {
        const std::string archive = make(c.entries);
        std::vector<UnzipRun> runs(2, UnzipRun{&Wiz_SingleEntryUnzip});
        std::vector<int32_t> results;
        for (int workers : {0, 4}) {
            const fs::path out = folder.path() / std::to_string(workers);
            for (const char* name : {"1", "2", "3", "6"}) {
                write_file(out / name, "old");
                const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
                ::utimensat(AT_FDCWD, (out / name).c_str(), old, 0);
            }
            UnzipRun& attempt = runs[workers ? 1 : 0];
            attempt.options.prompt_to_overwrite = 1;
            attempt.replace_answers = c.answers;
            attempt.stop_at_service_call = c.stop_at;
            uz::max_workers = workers;
            results.push_back(attempt.run(archive, out.string()));
            uz::max_workers = -1;
        }
        EXPECT_EQ(results[0], results[1]) << c.label;
        EXPECT_EQ(runs[0].calls, runs[1].calls) << c.label;
        EXPECT_EQ(std::tie(runs[0].record.total_size, runs[0].record.number_of_members),
                  std::tie(runs[1].record.total_size, runs[1].record.number_of_members)) << c.label;
        const auto files = tree(folder.path() / "4");
        EXPECT_EQ(tree(folder.path() / "0"), files) << c.label;
        EXPECT_EQ(files.at("6"), "old@1000000000") << c.label;  // a failed entry keeps the old file
        if (c.file_1) {
            EXPECT_EQ(files.at("1").substr(0, files.at("1").find('@')), c.file_1) << c.label;
        }
        if (files.contains("d0")) {
            EXPECT_EQ(files.at("d0"), "/@1589504400");  // 01:00, set after its files
        }
        fs::remove_all(folder.path() / "0");
        fs::remove_all(folder.path() / "4");
    }
}

// A replacement is written under the first free temporary name beside its
// file. Whatever exists under those names (a user's file, the archive's own,
// a symbolic link) is never opened, replaced or deleted, nor is anything
// written through a link at an entry's own name.
TEST_F(Options, TemporaryFilesAreOnlyEverOurOwn) {
    const std::string long_name(250, 'n'), long_temporary = ".0cc2566b9cafe80d.uz-tmp";
    const std::string big(300000, 'b');
    std::map<std::string, std::string> all_taken = {{"b", "old"}, {".b.uz-tmp", "user's"}};
    for (int i = 2; i <= 99; ++i) all_taken[".b." + std::to_string(i) + ".uz-tmp"] = "user's";
    const struct {
        const char* label;
        std::map<std::string, std::string> before;  // files there first
        std::vector<std::string> links;             // dangling links there first, to ../elsewhere-NAME
        std::vector<Entry> entries;
        int32_t result;
        std::map<std::string, std::string> after;   // links as "->"
        const char* message = "";
    } cases[] = {
        {"a user's file at the first name", {{"a", "old"}, {".a.uz-tmp", "user's"}}, {},
         {{.name = "a", .data = "new"}}, UZP_OK, {{"a", "new"}, {".a.uz-tmp", "user's"}}},
        {"the archive's file at the first name, then the file", {{"x", "old"}}, {},
         {{.name = ".x.uz-tmp", .data = "archive's"}, {.name = "x", .data = "new"}}, UZP_OK,
         {{"x", "new"}, {".x.uz-tmp", "archive's"}}},
        {"the archive's file at the second name, the first taken", {{"x", "old"}, {".x.uz-tmp", "user's"}}, {},
         {{.name = "x", .data = big}, {.name = ".x.2.uz-tmp", .data = "archive's"}}, UZP_OK,
         {{"x", "300000 bytes of b"}, {".x.uz-tmp", "user's"}, {".x.2.uz-tmp", "archive's"}}},
        {"a long name goes by its hash", {{long_name, "old"}, {long_temporary, "user's"}}, {},
         {{.name = long_name, .data = "long"}}, UZP_OK, {{long_name, "long"}, {long_temporary, "user's"}}},
        {"every name taken", all_taken, {}, {{.name = "b", .data = "new"}}, UZP_ENTRY_ERRORS, all_taken,
         "error: b  (cannot create file: no free name for its temporary file)"},
        {"a link at the first name", {{"c", "old"}}, {".c.uz-tmp"}, {{.name = "c", .data = "new"}}, UZP_OK,
         {{"c", "new"}, {".c.uz-tmp", "->"}}},
        {"a link at the entry's name", {}, {"d"}, {{.name = "d", .data = "new"}}, UZP_ENTRY_ERRORS, {{"d", "->"}},
         "error: d  (cannot create file: "},
    };
    const auto tree = [](const fs::path& root) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::directory_iterator(root))
            files[item.path().filename().string()] = item.is_symlink() ? "->" : read_file(item.path());
        for (auto& [name, content] : files)
            if (content.size() > 64) content = std::to_string(content.size()) + " bytes of " + content.front();
        return files;
    };
    for (const auto& c : cases) {
        for (const int workers : {0, 4}) {
            const fs::path out = folder.path() / "out";
            fs::remove_all(out);
            fs::create_directories(out);
            for (const auto& [name, content] : c.before) write_file(out / name, content);
            for (const auto& name : c.links) fs::create_symlink(folder.path() / ("elsewhere-" + name), out / name);
            UnzipRun attempt{&Wiz_SingleEntryUnzip};
            attempt.options.always_overwrite = 1;
            uz::max_workers = workers;
            EXPECT_EQ(run(attempt, make(c.entries)), c.result) << c.label << attempt.printed;
            uz::max_workers = -1;
            EXPECT_EQ(tree(out), c.after) << c.label << ", workers: " << workers;
            EXPECT_NE(attempt.printed.find(c.message), std::string::npos) << c.label << attempt.printed;
            for (const auto& name : c.links) EXPECT_FALSE(fs::exists(folder.path() / ("elsewhere-" + name))) << c.label;
        }
    }
}

// Files that are read-only are not replaced, whoever runs the extraction:
// the entry fails, asked about or not, and says why.
TEST_F(Options, ReadOnlyFilesAreNotReplaced) {
    const std::string archive = make({{.name = "r", .data = "new"}, {.name = "s", .data = "new"}});
    for (const bool ask : {false, true}) {
        for (const char* name : {"r", "s"}) write_file(folder.path() / "out" / name, "old");
        fs::permissions(folder.path() / "out/r", fs::perms::owner_read);
        UnzipRun attempt{&Wiz_SingleEntryUnzip};
        attempt.options.always_overwrite = 1;
        attempt.options.prompt_to_overwrite = ask;
        attempt.replace_default = UZP_REPLACE_YES;
        EXPECT_EQ(run(attempt, archive), UZP_ENTRY_ERRORS) << attempt.printed;
        EXPECT_EQ(attempt.questions.size(), ask ? 2u : 0u);
        EXPECT_EQ(out("r"), "old");
        EXPECT_EQ(out("s"), "new");
        EXPECT_NE(attempt.printed.find("error: r  (a read-only file is not replaced)"), std::string::npos)
            << attempt.printed;
        fs::permissions(folder.path() / "out/r", fs::perms::owner_all);
    }
}

// The password is found before the entry's file is made; a remembered
// password that passes an entry's check byte but not its CRC (one wrong
// password in 256 does) leaves nothing and the callback is asked again.
TEST_F(Options, PasswordsAreAskedBeforeTheFileAndAgainWhenTheRememberedOneFails) {
    const std::string archive = make({{.name = "first.txt", .data = std::string(5000, '1'), .password = "uno"},
                                      {.name = "second.txt", .data = std::string(5000, '2'), .method = 0,
                                       .password = "due", .also_passes = "uno"},
                                      {.name = "third.txt", .data = std::string(5000, '3'), .password = "due",
                                       .also_passes = "uno"}});
    for (const int workers : {0, 4}) {
        fs::remove_all(folder.path() / "out");
        UnzipRun attempt{&Wiz_SingleEntryUnzip};
        attempt.passwords = {"uno", "due"};
        std::vector<std::string> existing;
        attempt.on_password = [&](const std::string& name) {
            if (fs::exists(folder.path() / "out" / name)) existing.push_back(name);
        };
        uz::max_workers = workers;
        EXPECT_EQ(run(attempt, archive), UZP_OK) << attempt.printed;
        uz::max_workers = -1;
        EXPECT_EQ(attempt.password_calls, 2);
        EXPECT_TRUE(existing.empty()) << existing.front();
        EXPECT_EQ(snapshot(folder.path() / "out"), (std::map<std::string, std::string>{
                                                       {"first.txt", std::string(5000, '1')},
                                                       {"second.txt", std::string(5000, '2')},
                                                       {"third.txt", std::string(5000, '3')}}));
    }
}

// While the user answers a question, the files already decided are written:
// a run killed at the question keeps them. One worker, idle once the second
// "a" waited for the first, would otherwise sleep until more files queue up.
TEST_F(Options, DecidedFilesAreWrittenWhileAQuestionWaits) {
    write_file(folder.path() / "out/x", "old");
    const std::string archive = make({{.name = "a", .data = "1"}, {.name = "a", .data = "2"},
                                      {.name = "f1", .data = "f1"}, {.name = "f2", .data = "f2"},
                                      {.name = "f3", .data = "f3"}, {.name = "x", .data = "new"}});
    unzip.options.prompt_to_overwrite = 1;
    unzip.replace_answers = {UZP_REPLACE_NO, UZP_REPLACE_YES};
    bool written = false;
    unzip.on_replace = [&](const std::string& name) {
        if (name != "x") return;
        // Waiting for the worker, not timing it: a generous bound for a slow machine.
        for (int i = 0; i < 1000 && !written; ++i) {
            written = exists("f1") && exists("f2") && exists("f3") && out("f3") == "f3";
            if (!written) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    uz::max_workers = 1;
    EXPECT_EQ(run(unzip, archive), UZP_OK) << unzip.printed;
    uz::max_workers = -1;
    EXPECT_TRUE(written);
    EXPECT_EQ(out("x"), "new");
}

}  // namespace
}  // namespace ziptest
