// The shortcut reader and the folder test against Wine's real shell link object
// and file system.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "tests/fakes/padded_text.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system-win32.h"
#include "platform/scoped-win32.h"
#include "platform/shell-win32.h"
#include "runtime/run_time_error.h"
#include "shortcuts/module1.h"
#include "tools/fixture/fixture_builder-win32.h"

namespace {

namespace fs = std::filesystem;

using fakes::padded;

class ShellOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com.result()));
        folder = fs::temp_directory_path() / L"shell test àé";
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder);
    }

    /// Writes a real shortcut through the shell link object.
    std::wstring write_shortcut(const std::wstring& name, const std::wstring& target,
                                const std::wstring& working_folder, bool target_without_path = false) {
        platform::ComPtr<IShellLinkW> link;
        EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   link.put_void()),
                  S_OK);
        if (target_without_path) {
            platform::ScopedCoTaskMem<ITEMIDLIST> computer;
            EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.put()), S_OK);
            link->SetIDList(computer.get());
        } else {
            link->SetPath(target.c_str());
        }
        link->SetWorkingDirectory(working_folder.c_str());
        platform::ComPtr<IPersistFile> file;
        EXPECT_EQ(link->QueryInterface(IID_IPersistFile, file.put_void()), S_OK);
        const std::wstring path = (folder / name).wstring();
        EXPECT_EQ(file->Save(path.c_str(), TRUE), S_OK);
        return path;
    }

    platform::ScopedComInitialization com;
    platform::Win32Shell shell;
    platform::Win32FileSystem files;
    fs::path folder;
};

TEST_F(ShellOnWine, WorkingFolderComesBackPadded) {
    const auto lnk = write_shortcut(L"Varenkor Catalogo.lnk", L"C:\\Cat\\cat.exe", L"C:\\Cat");
    const std::wstring value = Module1::cartella_lavoro(shell, lnk);
    EXPECT_EQ(value.size(), 255u);
    EXPECT_EQ(value, padded(L"C:\\Cat"));
}

TEST_F(ShellOnWine, EmptyWorkingFolderIsNulThenSpaces) {
    const auto lnk = write_shortcut(L"vuoto.lnk", L"C:\\Cat\\cat.exe", L"");
    EXPECT_EQ(Module1::cartella_lavoro(shell, lnk), padded(L""));
}

TEST_F(ShellOnWine, LongAndAccentedWorkingFoldersSurvive) {
    const std::wstring long_folder = L"C:\\" + std::wstring(251, L'x');  // 254 characters
    const auto lnk = write_shortcut(L"lungo è.lnk", L"C:\\Cat\\cat.exe", long_folder);
    EXPECT_EQ(Module1::cartella_lavoro(shell, lnk), padded(long_folder));

    const auto accented = write_shortcut(L"accenti à.lnk", L"C:\\Cat\\cat.exe", L"C:\\Catalogo più");
    EXPECT_EQ(Module1::cartella_lavoro(shell, accented), padded(L"C:\\Catalogo più"));
}

TEST_F(ShellOnWine, MissingOrBrokenShortcutsGiveFalseAndNoValue) {
    std::wstring target = L"t", working = L"w", arguments = L"a", icon = L"i";
    std::int32_t index = -1, show = -1;
    const std::wstring missing = (folder / L"manca.lnk").wstring();
    EXPECT_FALSE(Module1::leggi_collegamento(shell, missing, target, working, arguments, icon, index, show));
    EXPECT_EQ(working, L"w");
    EXPECT_EQ(Module1::cartella_lavoro(shell, missing), L"");

    const std::wstring broken = (folder / L"rotto.lnk").wstring();
    files.append_file(broken, "not a shortcut");
    EXPECT_EQ(Module1::cartella_lavoro(shell, broken), L"");
    EXPECT_EQ(Module1::cartella_lavoro(shell, L""), L"");
}

TEST_F(ShellOnWine, TargetWithoutFileSystemPathStillReads) {
    const auto lnk = write_shortcut(L"computer.lnk", L"", L"C:\\Cat", true);
    std::wstring target, working, arguments, icon;
    std::int32_t index = 0, show = 0;
    ASSERT_TRUE(Module1::leggi_collegamento(shell, lnk, target, working, arguments, icon, index, show));
    EXPECT_EQ(target, padded(L""));
    EXPECT_EQ(working, padded(L"C:\\Cat"));
}

TEST_F(ShellOnWine, FolderTestSkipsHiddenFolders) {
    const fs::path menu = folder / L"Varenkor Catalogo";
    fs::create_directories(menu);
    EXPECT_TRUE(Module1::esiste_cartella(files, menu.wstring()));
    SetFileAttributesW(menu.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(Module1::esiste_cartella(files, menu.wstring()));
    EXPECT_FALSE(Module1::esiste_cartella(files, (folder / L"manca").wstring()));
    EXPECT_FALSE(Module1::esiste_cartella(files, L"Q:\\non\\esiste"));
}

TEST_F(ShellOnWine, FoldersOfTheSystemAndTheProgram) {
    const std::wstring windows = shell.windows_folder();
    EXPECT_EQ(_wcsicmp(windows.c_str(), L"C:\\windows"), 0);
    EXPECT_NE(shell.programs_folder().find(L"\\Programs"), std::wstring::npos);
    const std::wstring app = shell.application_folder();
    EXPECT_NE(app.back(), L'\\');
    EXPECT_TRUE(fs::is_directory(app));
}

// The Start menus a run as SYSTEM or as another administrator looks in: all
// users', and every listed profile's, the current user's among them.
TEST_F(ShellOnWine, StartMenusOfAllUsersAndOfEveryProfile) {
    wchar_t common[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, common), S_OK);
    EXPECT_EQ(shell.all_users_programs_folder(), common);

    const std::wstring own = shell.programs_folder();
    const std::wstring sid = L"S-1-5-21-0-0-0-1199";
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    const wchar_t other[] = L"%SystemDrive%\\users\\prova profilo";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath", REG_EXPAND_SZ, other, sizeof other),
              ERROR_SUCCESS);
    const std::vector<std::wstring> folders = shell.profile_programs_folders();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    const auto listed = [&](const std::wstring& wanted) {
        return std::any_of(folders.begin(), folders.end(),
                           [&](const std::wstring& f) { return _wcsicmp(f.c_str(), wanted.c_str()) == 0; });
    };
    EXPECT_TRUE(listed(own));
    EXPECT_TRUE(listed(L"C:\\users\\prova profilo\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"));
}

TEST(FileSystemOnWine, ReadOnlyFilesAreNotDeletedOrOverwritten) {
    platform::Win32FileSystem files;
    const fs::path folder = fs::temp_directory_path() / L"fs test";
    fs::remove_all(folder);
    fs::create_directories(folder / L"catalogo" / L"dati");
    const std::wstring file = (folder / L"catalogo" / L"dati" / L"indice.htm").wstring();
    files.append_file(file, "ab");
    files.append_file(file, "c");
    EXPECT_EQ(files.read_file(file), "abc");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);

    try {
        files.append_file(file, "d");
        ADD_FAILURE() << "append to a read-only file";
    } catch (const runtime::RunTimeError& e) {
        EXPECT_EQ(e.number(), 70);
        EXPECT_NE(e.description().find(file), std::wstring::npos);
    }
    EXPECT_THROW(files.delete_file(file), runtime::RunTimeError);
    EXPECT_THROW(files.ensure_removable((folder / L"catalogo").wstring()), runtime::RunTimeError);
    EXPECT_EQ(files.read_file(file), "abc");

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    files.remove_tree((folder / L"catalogo").wstring());
    EXPECT_FALSE(files.folder_exists((folder / L"catalogo").wstring()));
    try {
        files.copy_file((folder / L"zip32.dll").wstring(), (folder / L"copia.dll").wstring());
        ADD_FAILURE() << "copy of a missing file";
    } catch (const runtime::RunTimeError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    fs::remove_all(folder);
}

unsigned long long ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The copy the update keeps of a file it replaces, to give it back on a
// failure. Wine's volume keeps no named streams (it says so), so this cannot
// show them copied; it keeps of an access list what maps to the owner's and
// everyone's permission bits, so the one set here grants everyone nothing.
TEST(FileSystemOnWine, AnExactCopyKeepsBytesAccessListTimesAndAttributes) {
    platform::Win32FileSystem files;
    const std::wstring folder = (fs::temp_directory_path() / L"fs copia").wstring();
    if (files.path_exists(folder)) files.remove_tree(folder);
    files.make_folder(folder);
    const std::wstring original = folder + L"\\leggimi.htm", copy = folder + L"\\copia-in-corso";
    std::string bytes((5u << 19) + 7, '\0');  // more than one buffer of the copy (1 MiB), and a tail
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    files.create_file(original, bytes);

    fixture::make_private(original);
    {
        const FILETIME created{0x11111111, 0x01c00000}, accessed{0x22222222, 0x01c10000},
            written{0x33333333, 0x01c20000};
        const platform::ScopedFileHandle file(CreateFileW(original.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                          OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file && SetFileTime(file.get(), &created, &accessed, &written));
    }
    ASSERT_TRUE(SetFileAttributesW(original.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(original.c_str(), GetFileExInfoStandard, &before));
    const DWORD read_only_hidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ASSERT_EQ(before.dwFileAttributes & read_only_hidden, read_only_hidden);
    const std::wstring security = fixture::security_of(original);

    files.copy_exactly(original, copy);
    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(GetFileAttributesExW(copy.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
    // The times it had before the copy read it. Wine gives the last write as
    // the creation time.
    EXPECT_EQ(ticks(after.ftCreationTime), ticks(before.ftCreationTime));
    EXPECT_EQ(ticks(after.ftLastAccessTime), ticks(before.ftLastAccessTime));
    EXPECT_EQ(ticks(after.ftLastWriteTime), ticks(before.ftLastWriteTime));
    EXPECT_EQ(fixture::security_of(copy), security);
    EXPECT_EQ(files.read_file(copy), bytes);
    EXPECT_THROW(files.copy_exactly(original, copy), runtime::RunTimeError);
    files.remove_tree(folder);
}

}  // namespace
