// dialog_driver.exe and fixture.exe as the demonstration script calls them.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_folder_win32.h"
#include "tools/common/text-win32.h"
#include "tools/driver/dialog_driver-win32.h"
#include "tools/fixture/fixture_builder-win32.h"

using driver_tests::binary_folder;
using driver_tests::probe_exe;
using driver_tests::TempFolder;
using testing::HasSubstr;

namespace {

std::wstring command_line(const std::vector<std::wstring>& words) {
    std::wstring line;
    for (const auto& word : words) line += (line.empty() ? L"" : L" ") + tools::quote_argument(word);
    return line;
}

/// Runs one of the tools to its end and gives its exit code; the tools show
/// no boxes of their own.
unsigned long run_tool(const std::wstring& exe, const std::vector<std::wstring>& arguments) {
    const auto result = dialog_driver::run_and_drive(binary_folder() + L"\\" + exe, command_line(arguments), L"",
                                                     dialog_driver::answer_always(dialog_driver::button::close));
    EXPECT_TRUE(result.dialogs.empty());
    EXPECT_FALSE(result.timed_out);
    return result.exit_code;
}

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace

TEST(DialogDriverCommandLine, AnswersByTextAndWritesTheTranscript) {
    TempFolder temp;
    const std::wstring transcript = temp / L"transcript.txt";
    const unsigned long exit_code =
        run_tool(L"dialog_driver.exe", {L"--transcript", transcript, L"--answer", L"seconda=No", L"--", probe_exe(),
                                        L"3", L"Dravimex", L"prima: perché?", L"3", L"Dravimex", L"seconda"});

    EXPECT_EQ(exit_code, 67u) << "the program's own: Yes (the default), then No (the rule)";
    const std::string written = tools::read_file(transcript);
    EXPECT_THAT(written, HasSubstr("  text: prima: perch\xC3\xA9?\n"));
    EXPECT_THAT(written, HasSubstr("  text: seconda\n  answer: &No (7)\n"));
    EXPECT_THAT(written, HasSubstr("exit code: 67\n"));
}

TEST(DialogDriverCommandLine, ExitCodesForTimeoutBadUsageAndMissingProgram) {
    EXPECT_EQ(run_tool(L"dialog_driver.exe", {L"--timeout", L"3", L"--", probe_exe(), L"--hang"}), 124u);
    EXPECT_EQ(run_tool(L"dialog_driver.exe", {L"--answer", L"no equals sign", L"--", probe_exe()}), 125u);
    EXPECT_EQ(run_tool(L"dialog_driver.exe", {L"--", L"C:\\no such folder\\nothing.exe"}), 126u);
}

TEST(FixtureCommandLine, ShortcutFilesFoldersAndCopies) {
    TempFolder temp;
    const std::wstring lnk = temp / L"Varenkor Catalogo.lnk";
    ASSERT_EQ(run_tool(L"fixture.exe", {L"shortcut", L"--file", lnk, L"--working-folder", L"C:\\Catalogo è",
                                        L"--target", L"C:\\Catalogo è\\catalogo.exe"}),
              0u);
    EXPECT_EQ(fixture::read_shortcut(lnk).working_folder, L"C:\\Catalogo è");
    EXPECT_EQ(fixture::read_shortcut(lnk).target, L"C:\\Catalogo è\\catalogo.exe");

    // Escapes give line ends and raw bytes; the rest is written in the ANSI code page.
    const std::wstring history = temp / L"inst\\patch.txt";
    ASSERT_EQ(run_tool(L"fixture.exe", {L"file", history, L"--text", L"6         01/01/2026\\r\\nè\\x80", L"--read-only"}),
              0u);
    EXPECT_EQ(tools::read_file(history), "6         01/01/2026\r\n\xE8\x80");
    EXPECT_TRUE(attributes_of(history) & FILE_ATTRIBUTE_READONLY);

    ASSERT_EQ(run_tool(L"fixture.exe", {L"folder", temp / L"hidden", L"--hidden"}), 0u);
    EXPECT_TRUE(attributes_of(temp / L"hidden") & FILE_ATTRIBUTE_HIDDEN);

    ASSERT_EQ(run_tool(L"fixture.exe", {L"copy", history, L"--into", temp / L"delivery"}), 0u);
    EXPECT_EQ(tools::read_file(temp / L"delivery\\patch.txt"), tools::read_file(history));

    ASSERT_EQ(run_tool(L"fixture.exe", {L"remove", temp / L"inst"}), 0u);
    EXPECT_EQ(attributes_of(temp / L"inst"), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(run_tool(L"fixture.exe", {L"shortcut", L"--file", lnk}), 2u) << "the working folder is required";
    EXPECT_EQ(run_tool(L"fixture.exe", {L"read-shortcut", temp / L"missing.lnk"}), 1u);
}
