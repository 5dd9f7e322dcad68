// The real UNZIP32.DLL, loaded as the installer loads it and driven through
// its two exported entries with __stdcall callbacks, under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "test_files.h"
#include "tests/fakes/same_text.h"
#include "unzip_harness.h"
#include "zip_builder.h"

namespace ziptest {
namespace {

using VersionEntry = uint32_t(UNZIP32_CALL*)(UzpVer2*);

// The library for the whole test program, unloaded at its end.
class Library {
public:
    Library() : module_(LoadLibraryW(L"UNZIP32.DLL")) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <typename F>
    F entry(const char* name) const {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_;
};

const Library& library() {
    static Library instance;
    return instance;
}

class Dll : public ::testing::Test {
protected:
    void SetUp() override {
        wiz = library().entry<WizEntry>("Wiz_SingleEntryUnzip");
        ASSERT_NE(wiz, nullptr);
    }
    int32_t extract(const std::vector<Entry>& entries, UnzipRun& run) {
        write_file(folder.path() / "a.zip", build_zip(entries).bytes);
        return run.run((folder.path() / "a.zip").string(), target.string());
    }
    DWORD attributes(const std::wstring& name) { return GetFileAttributesW((target / name).wstring().c_str()); }

    WizEntry wiz = nullptr;
    TempFolder folder;
    fs::path target = folder.path() / "target";
};

TEST_F(Dll, ExportsUndecoratedEntriesAndAnswersTheVersion) {
    const auto version = library().entry<VersionEntry>("UzpVersion2");
    ASSERT_NE(version, nullptr);
    UzpVer2 record{};
    record.structure_length = 64;
    std::memcpy(record.beta_level, "         ", 10);
    EXPECT_EQ(version(&record), 0u);
    EXPECT_EQ(record.unzip.major, 1);
    EXPECT_STREQ(record.beta_level, "");
    record.structure_length = 60;
    EXPECT_EQ(version(&record), uint32_t{UZP_VERSION_MISMATCH});
}

TEST_F(Dll, NamesBecomeTheRightWindowsFileNamesAndAnsiTexts) {
    UnzipRun run{wiz};
    ASSERT_EQ(extract({{.name = "perch\xc3\xa9/gi\xc3\xa0.txt", .data = "utf8", .flags = 0x800},
                       {.name = "caf\x82.txt", .data = "cp437"},
                       {.name = "Grie\xc3\x9f \xce\xb1.txt", .data = "greek", .flags = 0x800}},
                      run),
              UZP_OK)
        << run.printed;
    EXPECT_EQ(read_file(target / L"perché" / L"già.txt"), "utf8");
    EXPECT_EQ(read_file(target / L"café.txt"), "cp437");
    EXPECT_EQ(read_file(target / L"Grieß α.txt"), "greek");
    // The callbacks get the ANSI code page (1252 here): é is one byte, α has none.
    EXPECT_NE(run.printed.find("perch\xe9\\gi\xe0.txt"), std::string::npos) << run.printed;
    EXPECT_NE(run.printed.find("Grie\xdf ?.txt"), std::string::npos) << run.printed;
    EXPECT_NE(run.printed.find("caf\xe9.txt"), std::string::npos) << run.printed;  // from code page 437
}

TEST_F(Dll, RestoresReadOnlyAndModificationTime) {
    UnzipRun run{wiz};
    ASSERT_EQ(extract({{.name = "ro.txt", .data = "r", .external = FILE_ATTRIBUTE_READONLY},
                       {.name = "rw.txt", .data = "w", .external = FILE_ATTRIBUTE_ARCHIVE}},
                      run),
              UZP_OK);
    EXPECT_TRUE(attributes(L"ro.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(attributes(L"rw.txt") & FILE_ATTRIBUTE_READONLY);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW((target / L"rw.txt").wstring().c_str(), GetFileExInfoStandard, &data));
    FILETIME local{}, expected{};
    DosDateTimeToFileTime(Entry{}.dos_date, Entry{}.dos_time, &local);
    LocalFileTimeToFileTime(&local, &expected);
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &expected), 0);
}

// Read-only files are not replaced, as Windows would not, also under Wine as
// root; a file or a folder of a temporary name that is not the library's own
// stays, and the replacement takes the next name.
TEST_F(Dll, InstallerOptionsAskWithBackslashNamesAndKeepReadOnlyAndOthersFiles) {
    write_file(target / "dati" / "indice.htm", "old");
    write_file(target / "dati" / "altro.htm", "old");
    write_file(target / "dati" / ".indice.htm.uz-tmp", "user's");
    fs::create_directories(target / "dati" / ".indice.htm.2.uz-tmp");
    SetFileAttributesW((target / L"dati" / L"altro.htm").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    UnzipRun run{wiz};
    run.options.prompt_to_overwrite = run.options.always_overwrite = 1;
    run.replace_answers = {UZP_REPLACE_ALL};
    ASSERT_EQ(extract({{.name = "dati/indice.htm", .data = "new"}, {.name = "dati/altro.htm", .data = "new"}}, run),
              UZP_ENTRY_ERRORS)
        << run.printed;
    EXPECT_EQ(run.questions, (std::vector<std::string>{"dati\\indice.htm"}));
    EXPECT_EQ(read_file(target / "dati" / "indice.htm"), "new");
    EXPECT_EQ(read_file(target / "dati" / "altro.htm"), "old");
    EXPECT_EQ(read_file(target / "dati" / ".indice.htm.uz-tmp"), "user's");
    EXPECT_NE(run.printed.find("error: dati/altro.htm  (a read-only file is not replaced)"), std::string::npos)
        << run.printed;
    // The replacement was written hidden beside the old file; it ends up plain.
    EXPECT_EQ(attributes(L"dati\\indice.htm") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_TRUE(attributes(L"dati\\altro.htm") & FILE_ATTRIBUTE_READONLY);
    size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(target / "dati")) ++files;
    EXPECT_EQ(files, 4u);  // no temporary file of ours left
}

// A short (8.3) name of a file still being written under its long name is
// the same file: the entry waits for it and replaces it, as in archive order.
TEST_F(Dll, AShortNameFindsTheFileBeingWrittenUnderItsLongName) {
    const fs::path probe = folder.path() / "probe";
    write_file(probe / "longfilename.txt", "");
    wchar_t short_path[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW((probe / L"longfilename.txt").wstring().c_str(), short_path, MAX_PATH), 0u);
    const std::string short_name = fs::path(short_path).filename().string();
    if (short_name == "longfilename.txt") GTEST_SKIP() << "no short names on this volume";
    std::string big(3 << 20, 'l');
    for (size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>(i);
    UnzipRun run{wiz};
    run.options.always_overwrite = 1;
    ASSERT_EQ(extract({{.name = "longfilename.txt", .data = big}, {.name = short_name, .data = "second"}}, run), UZP_OK)
        << short_name << run.printed;
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(target / "longfilename.txt"), "second") << short_name;
    size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(target)) ++files;
    EXPECT_EQ(files, 1u) << short_name;
}

TEST_F(Dll, HostileNamesStayOutAndFailuresKeepOldFiles) {
    write_file(target / "keep.txt", "precious");
    UnzipRun run{wiz};
    run.options.always_overwrite = 1;
    EXPECT_EQ(extract({{.name = "..\\escape.txt", .data = "x"},
                       {.name = "C:\\escape.txt", .data = "x"},
                       {.name = "\\\\.\\escape.txt", .data = "x"},
                       {.name = "aux.txt", .data = "x"},
                       {.name = "a.txt:hidden", .data = "x"},
                       {.name = "trail. ", .data = "x"},
                       {.name = "keep.txt", .data = "broken", .crc = 1},
                       {.name = "good.txt", .data = "good"}},
                      run),
              UZP_ENTRY_ERRORS);
    EXPECT_FALSE(fs::exists(folder.path() / "escape.txt"));
    EXPECT_FALSE(fs::exists("C:\\escape.txt"));
    EXPECT_EQ(read_file(target / "keep.txt"), "precious");
    EXPECT_EQ(read_file(target / "good.txt"), "good");
    size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(target)) ++files;
    EXPECT_EQ(files, 2u);  // no temporary file left behind
}

TEST_F(Dll, SystemErrorsInTheSystemsOwnWords) {
    UnzipRun run{wiz};
    write_file(folder.path() / "a.zip", build_zip({{.name = "f", .data = "x"}}).bytes);
    EXPECT_EQ(run.run((folder.path() / "a.zip").string(), (target / "a|b").string()), UZP_TARGET_FOLDER);
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        ERROR_INVALID_NAME, 0, text, sizeof text, nullptr);
    ASSERT_GT(length, 5u);
    EXPECT_NE(run.printed.find(std::string(text, 5)), std::string::npos) << run.printed;
    EXPECT_EQ(run.printed.find("system error"), std::string::npos) << run.printed;
}

// Files are written by workers, yet each entry finds the earlier ones as the
// archive order leaves them: Ά and ά name one file on Windows, so the second
// is a replacement, asked about once the first is complete.
TEST_F(Dll, EntriesWrittenByWorkersFindTheEarlierOnesInPlace) {
    const std::string a(3 << 20, 'a'), b(2 << 20, 'b');
    UnzipRun run{wiz};
    run.options.prompt_to_overwrite = 1;
    run.replace_answers = {UZP_REPLACE_YES};
    ASSERT_EQ(extract({{.name = "a.bin", .data = a}, {.name = "b.bin", .data = b}, {.name = "c.bin", .data = a},
                       {.name = "bad.bin", .data = b, .crc = 5}, {.name = "\xce\x86.bin", .data = a, .flags = 0x800},
                       {.name = "\xce\xac.bin", .data = "second", .flags = 0x800}},
                      run),
              UZP_ENTRY_ERRORS)
        << run.printed;
    EXPECT_EQ(run.questions, (std::vector<std::string>{"?.bin"}));
    EXPECT_EQ(read_file(target / L"\u03ac.bin"), "second");
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(target / "a.bin"), a);
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(target / "b.bin"), b);
    EXPECT_PRED_FORMAT2(fakes::same_text, read_file(target / "c.bin"), a);
    EXPECT_FALSE(fs::exists(target / "bad.bin"));
    EXPECT_NE(run.printed.find("bad.bin  (CRC error)"), std::string::npos);
}

// Archives that zipfile, 7-Zip and bsdtar made on the host (see
// make_real_archives.sh): the extracted tree must be the tree they were made
// from, names included, as Windows file names.
TEST_F(Dll, RealToolsArchivesGiveBackTheirTree) {
    const char* folder_variable = std::getenv("UNZIP32_REAL_ARCHIVES");
    if (!folder_variable) GTEST_SKIP() << "UNZIP32_REAL_ARCHIVES not set";
    const fs::path real = folder_variable;
    const auto tree_of = [](const fs::path& root) {
        std::map<std::wstring, std::string> tree;
        for (const auto& item : fs::recursive_directory_iterator(root))
            tree[fs::relative(item.path(), root).wstring()] = item.is_directory() ? "/" : read_file(item.path());
        return tree;
    };
    const auto expected = tree_of(real / "tree");
    ASSERT_TRUE(expected.contains(L"perch\u00e9\\gi\u00e0.txt"));
    int archives = 0;
    for (const auto& zip : fs::directory_iterator(real / "zips")) {
        UnzipRun run{wiz};
        const fs::path out = target / zip.path().stem();
        ASSERT_EQ(run.run(zip.path().string(), out.string()), UZP_OK) << zip.path().string() << run.printed;
        EXPECT_EQ(tree_of(out), expected) << zip.path().string();
        ++archives;
    }
    EXPECT_EQ(archives, 4);
}

}  // namespace
}  // namespace ziptest
