// The fixture builder against Wine's shell link object, known folders and
// file system: what it lays out is read back through the platform itself.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "test_folder_win32.h"
#include "tools/common/scoped-win32.h"
#include "tools/common/text-win32.h"
#include "tools/fixture/fixture_builder-win32.h"

using driver_tests::TempFolder;
using driver_tests::unique_name;

namespace {

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
bool is_folder(const std::wstring& path) {
    const DWORD a = attributes_of(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool exists(const std::wstring& path) { return attributes_of(path) != INVALID_FILE_ATTRIBUTES; }

/// A shell link object of our own, independent of the builder's reading code.
template <typename Interface>
struct LoadedLink {
    tools::ScopedComInit com;
    tools::ComPtr<Interface> link;
    tools::ComPtr<IPersistFile> file;
    HRESULT loaded = E_FAIL;

    LoadedLink(REFIID interface_id, const std::wstring& path) {
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, interface_id, link.put_void())) ||
            FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
            return;
        loaded = file->Load(path.c_str(), STGM_READ);
    }
};

}  // namespace

TEST(FixtureShortcut, ItsPropertiesReadBackThroughTheShellLinkObject) {
    TempFolder temp;
    const std::wstring lnk = temp / L"menu é\\Varenkor Catalogo.lnk";
    fixture::write_shortcut(lnk, {L"C:\\Catalogo é à\\catalogo.exe", L"/aggiorna", L"C:\\Catalogo é à", L"Catalogo"});

    LoadedLink<IShellLinkW> wide(IID_IShellLinkW, lnk);
    ASSERT_EQ(wide.loaded, S_OK);
    wchar_t buffer[MAX_PATH] = {};
    ASSERT_EQ(wide.link->GetWorkingDirectory(buffer, MAX_PATH), S_OK);
    EXPECT_STREQ(buffer, L"C:\\Catalogo é à");
    ASSERT_EQ(wide.link->GetArguments(buffer, MAX_PATH), S_OK);
    EXPECT_STREQ(buffer, L"/aggiorna");
    ASSERT_EQ(wide.link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH), S_OK);
    EXPECT_STREQ(buffer, L"C:\\Catalogo é à\\catalogo.exe");

    // The installer reads through the ANSI interface: the accents arrive in
    // the ANSI code page.
    LoadedLink<IShellLinkA> ansi(IID_IShellLinkA, lnk);
    ASSERT_EQ(ansi.loaded, S_OK);
    char narrow[MAX_PATH] = {};
    ASSERT_EQ(ansi.link->GetWorkingDirectory(narrow, MAX_PATH), S_OK);
    EXPECT_STREQ(narrow, "C:\\Catalogo \xE9 \xE0");

    const fixture::ShortcutProperties back = fixture::read_shortcut(lnk);
    EXPECT_EQ(back.working_folder, L"C:\\Catalogo é à");
    EXPECT_EQ(back.description, L"Catalogo");
}

TEST(FixtureShortcut, AnEmptyWorkingFolderStaysEmpty) {
    TempFolder temp;
    const std::wstring lnk = temp / L"empty.lnk";
    fixture::write_shortcut(lnk, {L"C:\\Cat\\catalogo.exe", L"", L"", L""});
    LoadedLink<IShellLinkW> wide(IID_IShellLinkW, lnk);
    ASSERT_EQ(wide.loaded, S_OK);
    wchar_t buffer[MAX_PATH] = L"untouched";
    ASSERT_GE(wide.link->GetWorkingDirectory(buffer, MAX_PATH), 0);
    EXPECT_STREQ(buffer, L"");
}

TEST(FixtureShortcut, ABrokenShortcutDoesNotLoad) {
    TempFolder temp;
    const std::wstring lnk = temp / L"broken.lnk";
    fixture::write_broken_shortcut(lnk);
    ASSERT_TRUE(exists(lnk));
    LoadedLink<IShellLinkW> wide(IID_IShellLinkW, lnk);
    EXPECT_TRUE(FAILED(wide.loaded)) << std::hex << wide.loaded;
    EXPECT_THROW(fixture::read_shortcut(lnk), std::runtime_error);
}

TEST(FixtureMenu, TheProgramsFolderIsTheUsersStartMenu) {
    const std::wstring programs = fixture::programs_folder();
    EXPECT_TRUE(is_folder(programs)) << tools::to_utf8(programs);
    EXPECT_EQ(programs.rfind(L"\\Start Menu\\Programs"), programs.size() - std::wstring(L"\\Start Menu\\Programs").size());
    EXPECT_EQ(fixture::shortcut_path(), programs + L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk");
}

TEST(FixtureMenu, AMenuFolderWithItsShortcutIsMadeHiddenOnRequestAndRemovedWhole) {
    // A name of its own: end-to-end tests use "Varenkor Catalogo" in this prefix.
    const std::wstring name = unique_name(L"Varenkor Catalogo test");
    const std::wstring folder = fixture::create_menu_folder({.hidden = true}, name);
    fixture::ScopedTree cleanup(folder);

    EXPECT_EQ(folder, fixture::programs_folder() + L"\\" + name);
    ASSERT_TRUE(is_folder(folder));
    EXPECT_TRUE(attributes_of(folder) & FILE_ATTRIBUTE_HIDDEN);

    fixture::write_shortcut(fixture::shortcut_path(name), {L"", L"", L"C:\\Cat", L""});
    EXPECT_TRUE(exists(folder + L"\\Varenkor Catalogo.lnk"));

    fixture::set_attributes(folder, {});
    EXPECT_FALSE(attributes_of(folder) & FILE_ATTRIBUTE_HIDDEN);

    fixture::remove_menu_folder(name);
    EXPECT_FALSE(exists(folder));
    EXPECT_NO_THROW(fixture::remove_menu_folder(name)) << "removing what is not there is no error";
}

TEST(FixtureFiles, AnInstallationFolderHoldsExactlyTheGivenBytes) {
    TempFolder temp;
    const std::wstring folder = temp / L"Catalogo à";
    const std::string history = "6         01/01/2026\r\n";
    fixture::lay_out_installation({.folder = folder,
                                   .patch_txt = history,
                                   .catalogo_files = {{L"a.dat", std::string("\0\x01\xFF", 3)}, {L"sub\\b.dat", "b"}},
                                   .with_catalogo = true,
                                   .patch_txt_attributes = {.hidden = false, .read_only = true}});

    EXPECT_EQ(tools::read_file(folder + L"\\patch.txt"), history);
    EXPECT_TRUE(attributes_of(folder + L"\\patch.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(tools::read_file(folder + L"\\catalogo\\a.dat"), std::string("\0\x01\xFF", 3));
    EXPECT_EQ(tools::read_file(folder + L"\\catalogo\\sub\\b.dat"), "b");

    // A read-only file is replaced all the same, and the tree goes with it.
    fixture::write_file(folder + L"\\patch.txt", "7");
    EXPECT_EQ(tools::read_file(folder + L"\\patch.txt"), "7");
    fixture::set_attributes(folder + L"\\catalogo\\a.dat", {.hidden = true, .read_only = true});
    fixture::remove_tree(folder);
    EXPECT_FALSE(exists(folder));
}

TEST(FixtureFiles, AnInstallationWithoutHistoryOrDataFolder) {
    TempFolder temp;
    fixture::Installation bare;
    bare.folder = temp / L"bare";
    bare.with_catalogo = false;
    fixture::lay_out_installation(bare);
    EXPECT_TRUE(is_folder(temp / L"bare"));
    EXPECT_FALSE(exists(temp / L"bare\\patch.txt"));
    EXPECT_FALSE(exists(temp / L"bare\\catalogo"));
}

TEST(FixtureFiles, TheDeliveryFolderGetsCopiesUnderTheirOwnNames) {
    TempFolder temp;
    fixture::write_file(temp / L"build\\UNZIP32.DLL", "unzip");
    fixture::write_file(temp / L"build\\catalogo.zip", "PK");
    fixture::write_file(temp / L"delivery\\catalogo.zip", "old", {.hidden = false, .read_only = true});

    const auto copies = fixture::copy_into(temp / L"delivery", {temp / L"build\\UNZIP32.DLL", temp / L"build\\catalogo.zip"});

    EXPECT_EQ(copies, (std::vector<std::wstring>{temp / L"delivery\\UNZIP32.DLL", temp / L"delivery\\catalogo.zip"}));
    EXPECT_EQ(tools::read_file(temp / L"delivery\\UNZIP32.DLL"), "unzip");
    EXPECT_EQ(tools::read_file(temp / L"delivery\\catalogo.zip"), "PK");
    EXPECT_THROW(fixture::copy_into(temp / L"delivery", {temp / L"build\\missing.dll"}), std::runtime_error);
}
