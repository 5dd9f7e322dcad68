#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/fakes/fakes.h"
#include "tests/zip/state_reset.h"
#include "unzip/zip.h"

namespace {

using runtime::RunTimeError;

// What the library received in one Wiz_SingleEntryUnzip call, copied while the
// call ran (the pointers die with it).
struct ReceivedUnzip {
    DCL options{};
    bool archive_null = false, folder_null = false;
    std::string archive, folder;
    std::int32_t include_count = 0, exclude_count = 0;
    std::vector<std::string> include_names, exclude_names;  // "<null>" for a null pointer
    USERFUNCTIONS callbacks{};
};

// A library that records what reaches it, in the single-byte form, and can
// write into the records and call back like the real one. `log` is shared with
// the event pump, to see the order of the steps.
class RecordingLibrary : public runtime::UnzipLibrary {
public:
    explicit RecordingLibrary(std::vector<std::string>& log) : log_(log) {}

    std::uint32_t uzp_version2(UzpVer2* version) override {
        log_.push_back("UzpVersion2");
        std::memcpy(version_bytes.data(), version, sizeof(UzpVer2));
        if (fill_version) fill_version(*version);
        return 0;
    }

    std::int32_t wiz_single_entry_unzip(std::int32_t include_count, char** include_names,
                                        std::int32_t exclude_count, char** exclude_names, DCL* options,
                                        USERFUNCTIONS* callbacks) override {
        log_.push_back("Wiz_SingleEntryUnzip");
        if (unzip_error) throw *unzip_error;
        ReceivedUnzip r;
        r.options = *options;
        r.archive_null = options->archive_name == nullptr;
        r.folder_null = options->extract_folder == nullptr;
        if (!r.archive_null) r.archive = options->archive_name;
        if (!r.folder_null) r.folder = options->extract_folder;
        r.include_count = include_count;
        r.exclude_count = exclude_count;
        for (int i = 0; i < 100; ++i) {
            r.include_names.push_back(include_names[i] ? include_names[i] : "<null>");
            r.exclude_names.push_back(exclude_names[i] ? exclude_names[i] : "<null>");
        }
        r.callbacks = *callbacks;
        received.push_back(r);
        if (during) during(*options, *callbacks, include_names);
        return result;
    }

    std::int32_t result = 0;
    std::optional<RunTimeError> unzip_error;
    std::function<void(UzpVer2&)> fill_version;
    std::function<void(DCL&, USERFUNCTIONS&, char**)> during;
    std::array<unsigned char, 64> version_bytes{};
    std::vector<ReceivedUnzip> received;

private:
    std::vector<std::string>& log_;
};

class LoggingPump : public runtime::EventPump {
public:
    explicit LoggingPump(std::vector<std::string>& log) : log_(log) {}
    void do_events() override { log_.push_back("do_events"); }

private:
    std::vector<std::string>& log_;
};

std::array<std::int32_t, 15> switches(const DCL& d) {
    return {d.extract_only_newer, d.spaces_to_underscores, d.prompt_to_overwrite, d.quiet,
            d.to_stdout,          d.test_only,             d.list_only,           d.freshen,
            d.show_comment,       d.recreate_folders,      d.always_overwrite,    d.translate_eol,
            d.detailed_info,      d.case_insensitive,      d.restore_security};
}

class UnzipArchive : public ::testing::Test {
protected:
    void SetUp() override { zip_test::prepare_like_the_update_step(); }
    void TearDown() override { zip_test::reset_zip_state(); }

    // The installer's own request.
    void extract_like_the_installer() {
        zip::unzip_archive(pump, library, dialogs, L"D:\\consegna\\catalogo.zip", L"C:\\Programmi\\Varenkor",
                           1, 1, 0, 1, 0, 0);
    }

    std::vector<std::string> log;
    LoggingPump pump{log};
    RecordingLibrary library{log};
    fakes::FakeDialogs dialogs;
};

TEST_F(UnzipArchive, PumpsOnceThenAsksTheVersionThenExtracts) {
    extract_like_the_installer();
    EXPECT_EQ(log, (std::vector<std::string>{"do_events", "UzpVersion2", "Wiz_SingleEntryUnzip"}));
}

TEST_F(UnzipArchive, VersionRecordStartsWithItsLengthAndBlankTextFields) {
    zip::unzip_version.flags = 0xA5A5A5A5u;  // not set by the request: passes as it is
    extract_like_the_installer();
    const auto& b = library.version_bytes;
    EXPECT_EQ(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24, 64);
    EXPECT_EQ(b[4], 0xA5);
    const std::string texts(reinterpret_cast<const char*>(b.data()) + 8, 40);
    EXPECT_EQ(texts, std::string(9, ' ') + '\0' + std::string(19, ' ') + '\0' + std::string(9, ' ') + '\0');
}

TEST_F(UnzipArchive, TheLibrarysVersionAnswerLandsInTheModule) {
    library.fill_version = [](UzpVer2& v) {
        v.flags = 3;
        std::memcpy(v.beta_level, "Beta\xE9\0\0\0\0\0", 10);
        std::memcpy(v.release_date, "7 Dec 2026\0         ", 20);
        std::memcpy(v.zlib_version, "1.2.13\0\0\0\0", 10);
        v.unzip = {6, 0, 1, 0};
        v.windll = {6, 0, 2, 0};
    };
    extract_like_the_installer();
    EXPECT_EQ(zip::unzip_version.structure_length, 64u);
    EXPECT_EQ(zip::unzip_version.flags, 3u);
    EXPECT_EQ(zip::unzip_version.beta_level, std::wstring(L"Beta\u00E9\0\0\0\0\0", 10));
    EXPECT_EQ(zip::unzip_version.release_date, std::wstring(L"7 Dec 2026\0         ", 20));
    EXPECT_EQ(zip::unzip_version.zlib_version.size(), 10u);
    EXPECT_EQ(zip::unzip_version.unzip.major, 6);
    EXPECT_EQ(zip::unzip_version.windll.patch_level, 2);
}

TEST_F(UnzipArchive, SixteenBitArgumentsAreWidenedWithTheirSign) {
    zip::unzip_archive(pump, library, dialogs, L"a.zip", L"out", -1, 32767, -32768, 2, 3, -4);
    const DCL& d = library.received.at(0).options;
    EXPECT_EQ(d.prompt_to_overwrite, -1);
    EXPECT_EQ(d.always_overwrite, 32767);
    EXPECT_EQ(d.list_only, -32768);
    EXPECT_EQ(d.recreate_folders, 2);
    EXPECT_EQ(library.received[0].include_count, 3);
    EXPECT_EQ(library.received[0].exclude_count, -4);
}

TEST_F(UnzipArchive, TextsReachTheLibraryInTheAnsiCodePage) {
    zip::include_names[0] = L"dati\\perch\u00E9.htm";
    zip::include_names[1] = L"";  // empty, not null: a pointer to a NUL
    zip::exclude_names[99] = L"\u20AC*.tmp";
    zip::unzip_archive(pump, library, dialogs, L"C:\\citt\u00E0\\a.zip", L"C:\\\u4E2D", 0, 0, 0, 0, 2, 1);
    const ReceivedUnzip& r = library.received.at(0);
    EXPECT_EQ(r.archive, "C:\\citt\xE0\\a.zip");
    EXPECT_EQ(r.folder, "C:\\?");
    EXPECT_EQ(r.include_names[0], "dati\\perch\xE9.htm");
    EXPECT_EQ(r.include_names[1], "");
    EXPECT_EQ(r.include_names[2], "<null>");
    EXPECT_EQ(r.exclude_names[99], "\x80*.tmp");
    EXPECT_EQ(r.exclude_names[0], "<null>");
    // Taken back unchanged.
    EXPECT_EQ(zip::include_names[0], L"dati\\perch\u00E9.htm");
    EXPECT_EQ(zip::include_names[1], L"");
    EXPECT_FALSE(zip::include_names[2].has_value());
}

TEST_F(UnzipArchive, WhatTheLibraryWritesIsTakenBackIntoTheModule) {
    library.during = [](DCL& options, USERFUNCTIONS& callbacks, char** includes) {
        options.test_only = 77;
        options.archive_name[0] = 'X';
        options.extract_folder = nullptr;
        includes[5] = const_cast<char*>("aggiunto");
        callbacks.number_of_members = 12;
        callbacks.total_size = 3456;
    };
    zip::unzip_archive(pump, library, dialogs, L"a.zip", L"out", 1, 1, 0, 1, 0, 0);
    EXPECT_EQ(zip::unzip_options.test_only, 77);
    EXPECT_EQ(zip::unzip_options.archive_name, L"X.zip");
    EXPECT_FALSE(zip::unzip_options.extract_folder.has_value());
    EXPECT_EQ(zip::include_names[5], L"aggiunto");
    EXPECT_EQ(zip::unzip_callbacks.number_of_members, 12u);
    EXPECT_EQ(zip::unzip_callbacks.total_size, 3456u);
}

TEST_F(UnzipArchive, SecondCallLeavesNothingOfTheFirstCallsOptions) {
    library.result = 9;
    library.during = [](DCL& options, USERFUNCTIONS&, char**) {
        options.freshen = 1;
        options.quiet = 2;
    };
    zip::unzip_archive(pump, library, dialogs, L"first.zip", L"first", 1, 1, 1, 1, 0, 0);
    ASSERT_EQ(zip::unzip_result, 9);
    ASSERT_EQ(zip::unzip_options.quiet, 2);

    library.result = 0;
    library.during = nullptr;
    zip::unzip_archive(pump, library, dialogs, L"second.zip", L"second", 0, 0, 0, 0, 0, 0);
    const ReceivedUnzip& r = library.received.at(1);
    EXPECT_EQ(switches(r.options), (std::array<std::int32_t, 15>{}));
    EXPECT_EQ(r.archive, "second.zip");
    EXPECT_EQ(r.folder, "second");
    EXPECT_EQ(zip::unzip_result, 0);
    EXPECT_EQ(zip::unzip_options.archive_name, L"second.zip");
}

// The library binds each entry when it is first called: a missing second entry
// fails after the version request, and the previous result stays.
TEST_F(UnzipArchive, EntryMissingAtTheExtractionKeepsThePreviousResult) {
    zip::unzip_result = 17;
    library.unzip_error = RunTimeError(453, L"Wiz_SingleEntryUnzip");
    try {
        extract_like_the_installer();
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number(), 453);
    }
    EXPECT_EQ(zip::unzip_result, 17);
    EXPECT_EQ(log, (std::vector<std::string>{"do_events", "UzpVersion2", "Wiz_SingleEntryUnzip"}));
}

TEST_F(UnzipArchive, CallbacksRunInsideTheCallWithTheCallersDialogs) {
    dialogs.answers = {runtime::msgbox::answer_yes};
    std::int32_t replace_answer = 0;
    library.during = [&](DCL&, USERFUNCTIONS& callbacks, char**) {
        callbacks.print("inflating: a.txt\n", 17);
        char name[] = "a.txt";
        replace_answer = callbacks.replace(name);
        callbacks.message(5, 3, 40, 12, 31, 2026, 23, 59, '!', "a.txt", "Defl:N", 0, ' ');
    };
    extract_like_the_installer();
    EXPECT_EQ(replace_answer, 103);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].prompt, L"Overwrite a.txt?");
    EXPECT_EQ(zip::messages_text, L"inflating: a.txt\n");
    EXPECT_EQ(zip::listed_files, 1);

    // After the call the binding is gone: a stray question asks nobody.
    char name[] = "b.txt";
    EXPECT_EQ(zip::replace_callback(name), 104);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

}  // namespace
