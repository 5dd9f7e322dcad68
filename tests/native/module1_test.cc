#include "shortcuts/module1.h"

#include <gtest/gtest.h>

#include "tests/fakes/padded_text.h"

#include "runtime/text.h"
#include "tests/fakes/fakes.h"

namespace {

using runtime::attribute::hidden;
using runtime::attribute::system;

using fakes::padded;

class FolderTest : public ::testing::Test {
protected:
    fakes::TempFolderFileSystem files;
    std::wstring at(const std::wstring& name) { return files.root() + L"\\" + name; }
};

TEST_F(FolderTest, AdmitsFoldersAndOrdinaryFilesButNotHiddenOrSystemEntries) {
    files.make_folders(at(L"Varenkor Catalogo"));
    files.put(at(L"file.txt"), "x");
    files.make_folders(at(L"Nascosta"));
    files.set_attributes(at(L"Nascosta"), hidden);
    files.make_folders(at(L"Sistema"));
    files.set_attributes(at(L"Sistema"), system);

    EXPECT_TRUE(Module1::esiste_cartella(files, at(L"Varenkor Catalogo")));
    EXPECT_TRUE(Module1::esiste_cartella(files, at(L"file.txt")));
    EXPECT_FALSE(Module1::esiste_cartella(files, at(L"Mancante")));
    EXPECT_FALSE(Module1::esiste_cartella(files, at(L"Nascosta")));
    EXPECT_FALSE(Module1::esiste_cartella(files, at(L"Sistema")));
}

TEST_F(FolderTest, WildcardsActAsWildcards) {
    files.make_folders(at(L"Varenkor Catalogo"));
    EXPECT_TRUE(Module1::esiste_cartella(files, at(L"Varenkor*")));
    EXPECT_TRUE(Module1::esiste_cartella(files, at(L"Varenkor?Catalogo")));
    EXPECT_FALSE(Module1::esiste_cartella(files, at(L"Altro*")));
}

TEST_F(FolderTest, AnErrorDuringTheSearchGivesFalse) {
    files.make_folders(at(L"Varenkor Catalogo"));
    files.fail("dir", at(L"Varenkor Catalogo"), 52);
    EXPECT_FALSE(Module1::esiste_cartella(files, at(L"Varenkor Catalogo")));
}

class ShortcutTest : public ::testing::Test {
protected:
    const std::wstring path = L"C:\\menu\\Varenkor Catalogo.lnk";
    fakes::FakeShell shell;
    std::wstring target = L"t", working = L"w", arguments = L"a", icon = L"i";
    std::int32_t icon_index = -5, show_cmd = -5;

    bool read(const std::wstring& shortcut) {
        return Module1::leggi_collegamento(shell, shortcut, target, working, arguments, icon, icon_index, show_cmd);
    }
};

TEST_F(ShortcutTest, ReturnsEveryPropertyAsPaddedText) {
    shell.shortcuts[path] = {"C:\\Cat\\cat.exe", "C:\\Cat", "/x", "", "C:\\Cat\\cat.ico", 3, 7, 0, {}};
    ASSERT_TRUE(read(path));
    EXPECT_EQ(working, padded(L"C:\\Cat"));
    EXPECT_EQ(working.size(), 255u);
    EXPECT_EQ(working.substr(7), std::wstring(248, L' '));
    EXPECT_EQ(target, padded(L"C:\\Cat\\cat.exe"));
    EXPECT_EQ(arguments, padded(L"/x"));
    EXPECT_EQ(icon, padded(L"C:\\Cat\\cat.ico"));
    EXPECT_EQ(icon_index, 3);
    EXPECT_EQ(show_cmd, 7);
    const std::vector<std::string> order = {"load", "get_path", "get_working_directory", "get_arguments",
                                            "get_description", "get_hotkey", "get_icon_location",
                                            "get_id_list", "get_show_cmd"};
    EXPECT_EQ(shell.calls, order);
}

TEST_F(ShortcutTest, AnEmptyWorkingFolderIsANulAndSpaces) {
    shell.shortcuts[path] = {};
    ASSERT_TRUE(read(path));
    EXPECT_EQ(working, padded(L""));
    EXPECT_EQ(Module1::cartella_lavoro(shell, path), padded(L""));
}

TEST_F(ShortcutTest, AccentsSurviveTheAnsiBuffer) {
    shell.shortcuts[path] = {};
    shell.shortcuts[path].working_folder = runtime::to_ansi(L"C:\\Catalogo più già");
    EXPECT_EQ(Module1::cartella_lavoro(shell, path), padded(L"C:\\Catalogo più già"));
}

TEST_F(ShortcutTest, AnEmptyPathCreatesNothingAndWritesNothing) {
    EXPECT_FALSE(read(L""));
    EXPECT_EQ(shell.links_created, 0);
    EXPECT_EQ(working, L"w");
    EXPECT_EQ(Module1::cartella_lavoro(shell, L""), L"");
}

TEST_F(ShortcutTest, AShortcutThatDoesNotLoadWritesNothing) {
    EXPECT_FALSE(read(L"C:\\menu\\missing.lnk"));
    EXPECT_EQ(target, L"t");
    EXPECT_EQ(working, L"w");
    EXPECT_EQ(show_cmd, -5);
    EXPECT_EQ(Module1::cartella_lavoro(shell, L"C:\\menu\\missing.lnk"), L"");
}

TEST_F(ShortcutTest, ATargetWithoutFileSystemPathStillReads) {
    shell.shortcuts[path] = {};
    shell.shortcuts[path].working_folder = "C:\\Cat";
    shell.shortcuts[path].status["get_path"] = 1;  // S_FALSE
    ASSERT_TRUE(read(path));
    EXPECT_EQ(target, padded(L""));
    EXPECT_EQ(working, padded(L"C:\\Cat"));
}

TEST_F(ShortcutTest, AFailingOperationKeepsEarlierValuesAndLeavesLaterOnesAlone) {
    shell.shortcuts[path] = {"C:\\Cat\\cat.exe", "C:\\Cat", "/x", "", "C:\\Cat\\cat.ico", 3, 7, 0, {}};
    shell.shortcuts[path].status["get_arguments"] = static_cast<std::int32_t>(0x80004005u);
    EXPECT_FALSE(read(path));
    EXPECT_EQ(target, padded(L"C:\\Cat\\cat.exe"));
    EXPECT_EQ(working, padded(L"C:\\Cat"));
    EXPECT_EQ(arguments, std::wstring(255, L' '));
    EXPECT_EQ(icon, L"i");
    EXPECT_EQ(show_cmd, -5);
}

TEST_F(ShortcutTest, AFailingWorkingFolderReadGivesSpaces) {
    shell.shortcuts[path] = {};
    shell.shortcuts[path].status["get_working_directory"] = static_cast<std::int32_t>(0x80004005u);
    EXPECT_EQ(Module1::cartella_lavoro(shell, path), std::wstring(255, L' '));
}

TEST_F(ShortcutTest, AnObjectThatCannotBeCreatedIsTheCallersError) {
    shell.creation_fails = true;
    EXPECT_THROW(read(path), runtime::RunTimeError);
    EXPECT_THROW(Module1::cartella_lavoro(shell, path), runtime::RunTimeError);
}

}  // namespace
