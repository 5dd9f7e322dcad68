// Our three setup-toolkit libraries on their own, called through the same
// binding the program uses, and what they leave in the Start menu. These run in
// the scenario whose system folder holds all three.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/toolkit_libraries-win32.h"
#include "runtime/run_time_error.h"
#include "tests/toolkit/libraries-win32.h"
#include "tests/toolkit/start_menu-win32.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const group_name = "Prova stkit librerie";

class OurLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(toolkit_test::libraries_in_system_folder(),
                  (std::set<std::string>{"STKIT432.DLL", "VB5STKIT.DLL", "VB6STKIT.DLL"}));
    }

    std::int32_t four(const char* library, const std::string& group_path, const std::string& name,
                      const std::string& target, const std::string& arguments = "") {
        return libraries.create_shell_link(library, group_path, name, target, arguments);
    }
    std::int32_t six(const std::string& group_path, const std::string& name, std::int32_t private_flag,
                     const std::string& parent, const std::string& arguments = "") {
        return libraries.create_shell_link("VB6STKIT.DLL", group_path, name, "C:\\Varenkor\\catalogo.exe", arguments,
                                           private_flag, parent);
    }

    toolkit_test::ScratchGroup group{L"Prova stkit librerie"};
    platform::Win32ToolkitLibraries libraries;
};

std::string file_bytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(OurLibraries, FourArgumentFormsWriteTheShortcutInTheUsersOwnProgramsGroup) {
    for (const char* library : {"STKIT432.DLL", "VB5STKIT.DLL"}) {
        SCOPED_TRACE(library);
        EXPECT_EQ(four(library, group_name, library, "C:\\Varenkor\\bin\\catalogo.exe", "/aggiorna 7 \"a b\""), 1);
        const auto content = toolkit_test::read_shortcut(group.folder() + L"\\" +
                                                         std::wstring(library, library + 12) + L".lnk");
        ASSERT_TRUE(content);
        EXPECT_EQ(content->target, L"C:\\Varenkor\\bin\\catalogo.exe");
        EXPECT_EQ(content->arguments, L"/aggiorna 7 \"a b\"");
        EXPECT_EQ(content->working_folder, L"C:\\Varenkor\\bin");
    }
    EXPECT_THAT(toolkit_test::folder_entries(group.folder()), ElementsAre(L"STKIT432.DLL.lnk", L"VB5STKIT.DLL.lnk"));
    EXPECT_FALSE(toolkit_test::is_folder(group.folder(false)));
}

TEST_F(OurLibraries, TheProgramsTokenFollowsThePrivateFlag) {
    EXPECT_EQ(six(group_name, "Privato", -1, "$(Programs)"), 1);
    EXPECT_EQ(six(group_name, "Comune", 0, "$(PROGRAMS)"), 1);
    EXPECT_EQ(six("Sotto", "Annidato", -1, std::string("$(Programs)\\") + group_name), 1);
    EXPECT_THAT(toolkit_test::folder_entries(group.folder(true)), ElementsAre(L"Privato.lnk", L"Sotto"));
    EXPECT_THAT(toolkit_test::folder_entries(group.folder(false)), ElementsAre(L"Comune.lnk"));
    EXPECT_TRUE(toolkit_test::is_file(group.folder() + L"\\Sotto\\Annidato.lnk"));
    const auto content = toolkit_test::read_shortcut(group.folder(false) + L"\\Comune.lnk");
    ASSERT_TRUE(content);
    EXPECT_EQ(content->target, L"C:\\Varenkor\\catalogo.exe");
    EXPECT_EQ(content->working_folder, L"C:\\Varenkor");
}

TEST_F(OurLibraries, BadNamesOrParentsFailAndLeaveNothing) {
    const std::wstring programs = toolkit_test::programs_folder(true);
    const auto before = toolkit_test::folder_entries(programs);
    const std::string g = group_name;
    struct Case {
        std::string group, name, target;
    };
    for (const Case& bad : std::vector<Case>{{"", "Catalogo", "C:\\a.exe"},
                                             {g + "\\", "Catalogo", "C:\\a.exe"},
                                             {"\\" + g, "Catalogo", "C:\\a.exe"},
                                             {g + "\\\\x", "Catalogo", "C:\\a.exe"},
                                             {g + "\\..\\x", "Catalogo", "C:\\a.exe"},
                                             {g + "\\x?", "Catalogo", "C:\\a.exe"},
                                             {g + "\\a:b", "Catalogo", "C:\\a.exe"},
                                             {g + "\\CON", "Catalogo", "C:\\a.exe"},
                                             {g + "\\nul.txt", "Catalogo", "C:\\a.exe"},
                                             {g + "\\fine.", "Catalogo", "C:\\a.exe"},
                                             {g, "", "C:\\a.exe"},
                                             {g, "a\\b", "C:\\a.exe"},
                                             {g, "a/b", "C:\\a.exe"},
                                             {g, "a*", "C:\\a.exe"},
                                             {g, "Catalogo", ""},
                                             {g, "Catalogo", "C:\\" + std::string(300, 'x')}}) {
        EXPECT_EQ(four("VB5STKIT.DLL", bad.group, bad.name, bad.target), 0)
            << "[" << bad.group << "] [" << bad.name << "] [" << bad.target.substr(0, 20) << "]";
    }
    for (const char* parent : {"$(Desktop)", "$(Programs)\\$(Desktop)", "$(Programs)Extra", "", ".",
                               "Q:\\manca"})
        EXPECT_EQ(six(group_name, "Catalogo", -1, parent), 0) << parent;
    EXPECT_EQ(toolkit_test::folder_entries(programs), before);
}

TEST_F(OurLibraries, AGroupThatIsAFileFailsAndTheFileStays) {
    std::ofstream(std::filesystem::path(group.folder())) << "not a folder";
    EXPECT_EQ(four("STKIT432.DLL", group_name, "Catalogo", "C:\\Varenkor\\catalogo.exe"), 0);
    EXPECT_TRUE(toolkit_test::is_file(group.folder()));
    EXPECT_EQ(file_bytes(group.folder()), "not a folder");
}

TEST_F(OurLibraries, ANewShortcutReplacesTheOldOneWhole) {
    EXPECT_EQ(four("STKIT432.DLL", group_name, "Catalogo", "C:\\Vecchio\\catalogo.exe"), 1);
    EXPECT_EQ(four("STKIT432.DLL", group_name, "Catalogo", "C:\\Nuovo\\catalogo.exe", "/n"), 1);
    EXPECT_THAT(toolkit_test::folder_entries(group.folder()), ElementsAre(L"Catalogo.lnk"));
    const auto content = toolkit_test::read_shortcut(group.folder() + L"\\Catalogo.lnk");
    ASSERT_TRUE(content);
    EXPECT_EQ(content->target, L"C:\\Nuovo\\catalogo.exe");
    EXPECT_EQ(content->arguments, L"/n");
}

TEST_F(OurLibraries, AShortcutThatCannotBeWrittenLeavesNoTemporaryBehind) {
    // A folder where the shortcut file would go: the last step, the move into
    // place, fails after the shortcut was saved under its temporary name.
    const std::wstring in_the_way = group.folder() + L"\\Catalogo.lnk";
    CreateDirectoryW(group.folder().c_str(), nullptr);
    CreateDirectoryW(in_the_way.c_str(), nullptr);

    EXPECT_EQ(four("STKIT432.DLL", group_name, "Catalogo", "C:\\Varenkor\\catalogo.exe"), 0);
    EXPECT_THAT(toolkit_test::folder_entries(group.folder()), ElementsAre(L"Catalogo.lnk"));
    EXPECT_TRUE(toolkit_test::is_folder(in_the_way));
}

TEST_F(OurLibraries, AFailedCallRemovesTheGroupFoldersItMade) {
    // The group is made before the shortcut is written; an empty target fails
    // only then.
    CreateDirectoryW(group.folder().c_str(), nullptr);
    EXPECT_EQ(four("VB5STKIT.DLL", std::string(group_name) + "\\Nuovo\\Sotto", "Catalogo", ""), 0);
    EXPECT_THAT(toolkit_test::folder_entries(group.folder()), IsEmpty());
}

TEST_F(OurLibraries, RecordingCallsChangesNothingInWhatTheyWrite) {
    EXPECT_EQ(six(group_name, "Senza registro", -1, "$(Programs)", "/x"), 1);
    std::vector<toolkit_test::RecordedCall> calls;
    {
        toolkit_test::CallLog log;
        EXPECT_EQ(six(group_name, "Con registro", -1, "$(Programs)", "/x"), 1);
        calls = log.calls();
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (std::vector<std::string>{group_name, "Con registro", "C:\\Varenkor\\catalogo.exe",
                                                            "/x", "-1", "$(Programs)"}));
    EXPECT_EQ(file_bytes(group.folder() + L"\\Senza registro.lnk"),
              file_bytes(group.folder() + L"\\Con registro.lnk"));
}

// --- the binding of the program ----------------------------------------------------------

/// The run-time error that binding `library` raises.
std::optional<runtime::RunTimeError> bind_error(const std::string& library) {
    platform::Win32ToolkitLibraries libraries;
    try {
        libraries.create_shell_link(library, "g", "n", "t", "");
    } catch (const runtime::RunTimeError& error) {
        return error;
    }
    return std::nullopt;
}

TEST(LibraryBinding, EachWayOfFailingRaisesItsErrorNamingTheLibrary) {
    namespace err = runtime::error_number;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring broken = std::wstring(folder) + L"GUASTO.DLL";
    std::ofstream(std::filesystem::path(broken)) << "not a library";

    struct Case {
        std::string library;
        int number;
        std::wstring named;
    };
    for (const Case& c : {Case{"NOSTKIT.DLL", err::file_not_found, L"NOSTKIT.DLL"},
                          Case{"KERNEL32.DLL", err::dll_entry_not_found, L"fCreateShellLink della DLL in KERNEL32.DLL"},
                          Case{std::string(broken.begin(), broken.end()), err::dll_load_failed, L"GUASTO.DLL"}}) {
        const auto error = bind_error(c.library);
        ASSERT_TRUE(error) << c.library;
        EXPECT_EQ(error->number(), c.number) << c.library;
        EXPECT_NE(error->description().find(c.named), std::wstring::npos) << c.library;
    }
    DeleteFileW(broken.c_str());
}

TEST(LibraryBinding, ABoundLibraryStaysLoadedUntilTheBindingGoes) {
    toolkit_test::ScratchGroup group{L"Prova stkit legame"};
    {
        platform::Win32ToolkitLibraries libraries;
        EXPECT_TRUE(libraries.probe("VB5STKIT"));
        EXPECT_FALSE(toolkit_test::is_loaded("VB5STKIT.DLL"));
        EXPECT_EQ(libraries.create_shell_link("VB5STKIT.DLL", "Prova stkit legame", "Uno", "C:\\uno.exe", ""), 1);
        EXPECT_TRUE(toolkit_test::is_loaded("VB5STKIT.DLL"));
        EXPECT_EQ(libraries.create_shell_link("VB5STKIT.DLL", "Prova stkit legame", "Due", "C:\\due.exe", ""), 1);
        EXPECT_TRUE(toolkit_test::is_loaded("VB5STKIT.DLL"));
    }
    EXPECT_FALSE(toolkit_test::is_loaded("VB5STKIT.DLL"));
    EXPECT_THAT(toolkit_test::folder_entries(group.folder()), ElementsAre(L"Due.lnk", L"Uno.lnk"));
}

}  // namespace
