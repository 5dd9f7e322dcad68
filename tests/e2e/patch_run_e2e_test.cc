// The installer's whole run, started as a user would, on a catalogue laid out
// in the Wine prefix.
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;
namespace button = dialog_driver::button;

void expect_only_ok(const dialog_driver::DialogSeen& box) {
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons[0].id, button::ok);
}

std::wstring system_folder() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\system32";
}

class PatchRun : public InstallerTest {};

TEST_F(PatchRun, InstallsTheCatalogueAndRecordsThePatch) {
    const Tree before = tree_of(install);
    const auto result = run();

    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].title, L"Dravimex");
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(result.dialogs[0].icon, DialogIcon::information);
    expect_only_ok(result.dialogs[0]);
    EXPECT_EQ(result.exit_code, 0u);

    // The old data gone, the new in place, one record more, and nothing else.
    EXPECT_EQ(tree_of(install), installed(before));
    EXPECT_FALSE(exists(archive));

    for (const wchar_t* library : {L"zip32.dll", L"UNZIP32.DLL"})
        EXPECT_EQ(read_bytes(system_folder() + L"\\" + library), read_bytes(delivery + L"\\" + library)) << library;
}

// Started from a folder named in another script (a user's downloads): the
// library, which takes single-byte paths, gets the archive by its short name.
TEST_F(PatchRun, StartedFromAFolderNamedOutsideTheCodePage) {
    delivery = base + L"\\Загрузки";
    archive = delivery + L"\\catalogo.zip";
    std::vector<std::wstring> delivered;
    for (const wchar_t* file : {L"installa_patch.exe", L"UNZIP32.DLL", L"zip32.dll", L"catalogo.zip"})
        delivered.push_back(built_delivery() + L"\\" + file);
    fixture::copy_into(delivery, delivered);
    const Tree before = tree_of(install);
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(tree_of(install), installed(before));
    EXPECT_FALSE(exists(archive));
}

TEST_F(PatchRun, AnArchiveThatCannotBeDeletedStaysAndThePatchIsInstalled) {
    fixture::set_attributes(archive, {false, true});
    const Tree before = tree_of(install);
    const auto result = run();
    fixture::set_attributes(archive, {});
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(tree_of(install), installed(before));
    EXPECT_TRUE(exists(archive));
}

TEST_F(PatchRun, RepairsTheKnownPathDefect) {
    const std::wstring repaired = base + L"\\VarenkorCatalogo\\progetto_html";
    fixture::lay_out_installation({repaired, kHistory1To6, {}, false, {}});
    set_working_folder(base + L"\\VarenkorCatalogoprogetto_html");
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(read_bytes(repaired + L"\\patch.txt"), kHistory1To6 + "7         " + today() + "\r\n");
    EXPECT_TRUE(exists(repaired + L"\\catalogo\\indice.htm"));
}

TEST_F(PatchRun, LeavesPathsWithoutTheExactDefectAlone) {
    // The marker matches regardless of case, but the repair only in exact case.
    const std::wstring capital = base + L"\\VarenkorCatalogoProgetto_html";
    fixture::lay_out_installation({capital, kHistory1To6, {}, false, {}});
    set_working_folder(capital);
    auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_TRUE(exists(capital + L"\\catalogo\\indice.htm"));

    // Without the marker, a path holding the word is used as it is.
    const std::wstring plain = base + L"\\Varenkor\\progetto_html";
    fixture::lay_out_installation({plain, kHistory1To6, {}, false, {}});
    set_working_folder(plain);
    fixture::copy_into(delivery, {built_delivery() + L"\\catalogo.zip"});
    result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_TRUE(exists(plain + L"\\catalogo\\indice.htm"));
}

TEST_F(PatchRun, InstallsIntoAFolderWithAccents) {
    const std::wstring accented = base + L"\\Catalogo più già";
    fixture::lay_out_installation({accented, kHistory1To6, {}, false, {}});
    set_working_folder(accented);
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_TRUE(exists(accented + L"\\catalogo\\indice.htm"));
}

TEST_F(PatchRun, WithoutTheMenuFolderRefusesAfterCopyingTheLibraries) {
    fixture::remove_menu_folder();
    const std::wstring copied = system_folder() + L"\\zip32.dll";
    fixture::remove_tree(copied);
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].title, L"Dravimex");
    EXPECT_EQ(result.dialogs[0].text, L"Non hai installato il catalogo. La patch non può essere creata");
    EXPECT_EQ(result.dialogs[0].icon, DialogIcon::critical);
    expect_only_ok(result.dialogs[0]);
    EXPECT_EQ(result.exit_code, 1642u);
    EXPECT_TRUE(exists(copied));
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_TRUE(exists(archive));
}

TEST_F(PatchRun, AHiddenMenuFolderCountsAsMissing) {
    fixture::set_attributes(fixture::menu_folder(), {true, false});
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Non hai installato il catalogo. La patch non può essere creata");
}

TEST_F(PatchRun, AMissingLibraryStopsBeforeTheCatalogueIsLookedFor) {
    fixture::remove_tree(delivery + L"\\zip32.dll");
    fixture::remove_menu_folder();  // would be the next message, were the catalogue looked for
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].icon, DialogIcon::critical);
    EXPECT_NE(result.dialogs[0].text.find(L"'53'"), std::wstring::npos) << result.dialogs[0].text;
    EXPECT_NE(result.dialogs[0].text.find(L"zip32.dll"), std::wstring::npos);
}

TEST_F(PatchRun, AMissingOrBrokenShortcutChangesNothing) {
    fixture::remove_tree(fixture::shortcut_path());
    auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_NE(result.dialogs[0].text.find(L"cartella di installazione del catalogo"), std::wstring::npos);

    fixture::write_broken_shortcut(fixture::shortcut_path());
    result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_NE(result.dialogs[0].text.find(L"cartella di installazione del catalogo"), std::wstring::npos);

    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_TRUE(exists(install + L"\\catalogo\\vecchio.htm"));
    EXPECT_TRUE(exists(archive));
}

TEST_F(PatchRun, ALibraryThatCannotBeReplacedInTheSystemFolderStopsTheRun) {
    const std::wstring installed = system_folder() + L"\\UNZIP32.DLL";
    fixture::write_file(installed, "an older library", {false, true});
    const auto result = run();
    fixture::set_attributes(installed, {});
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].icon, DialogIcon::critical);
    EXPECT_NE(result.dialogs[0].text.find(L"'70'"), std::wstring::npos) << result.dialogs[0].text;
    EXPECT_NE(result.dialogs[0].text.find(installed), std::wstring::npos) << result.dialogs[0].text;
    EXPECT_EQ(read_bytes(installed), "an older library");
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6);
}

// Run by a deployment tool as SYSTEM, or elevated as another administrator, the
// installer is not the catalogue's user: the shortcut is then found in the
// all-users Start menu, or in the profile of whoever has it.
TEST_F(PatchRun, FindsTheCatalogueInTheAllUsersStartMenu) {
    fixture::remove_menu_folder();
    const fixture::ScopedTree all_users(fixture::all_users_programs_folder() + L"\\" + fixture::kMenuFolderName);
    fixture::write_shortcut(all_users.path() + L"\\" + fixture::kShortcutName, {L"", L"", install, L""});
    const Tree before = tree_of(install);
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(tree_of(install), installed(before));
}

TEST_F(PatchRun, FindsTheCatalogueInAnotherUsersProfileUnlessTheyDisagree) {
    fixture::remove_menu_folder();
    const fixture::ScopedProfile anna(L"S-1-5-21-0-0-0-1101", base + L"\\Profili\\anna");
    const fixture::ScopedProfile bruno(L"S-1-5-21-0-0-0-1102", base + L"\\Profili\\bruno");
    const auto shortcut_of = [](const fixture::ScopedProfile& profile, const std::wstring& folder) {
        fixture::write_shortcut(
            profile.programs_folder() + L"\\" + fixture::kMenuFolderName + L"\\" + fixture::kShortcutName,
            {L"", L"", folder, L""});
    };
    const std::wstring other = base + L"\\Altro catalogo";
    fixture::lay_out_installation({other, kHistory1To6, {}, true, {}});
    shortcut_of(anna, install);
    shortcut_of(bruno, other);
    const Tree before = tree_of(install), other_before = tree_of(other);

    auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Il catalogo risulta installato in più cartelle:\n\n" + install + L"\n" +
                                          other +
                                          L"\n\nNon è stato modificato nulla. Indicare la cartella da aggiornare "
                                          L"con l'opzione /dir, per esempio:\ninstalla_patch.exe /dir \"" +
                                          install + L"\"");
    EXPECT_EQ(result.dialogs[0].icon, DialogIcon::critical);
    EXPECT_EQ(result.exit_code, 1642u);
    EXPECT_EQ(tree_of(install), before);
    EXPECT_EQ(tree_of(other), other_before);

    // The same folder spelled in another case is one installation.
    std::wstring shouted = install;
    std::transform(shouted.begin(), shouted.end(), shouted.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); });
    shortcut_of(bruno, shouted);
    result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_EQ(tree_of(install), installed(before));
    EXPECT_EQ(tree_of(other), other_before);
}

// A library the system loads late, planted in the delivery folder (often a
// downloads folder), is not loaded: the installer looks for libraries in the
// system folder only. Wine prefers its own built-in libraries to one beside a
// program, which would hide the fault; here it is told to prefer the one it
// finds, as Windows does (the key is Wine's, read by no one on Windows).
TEST_F(PatchRun, ALibraryPlantedInTheDeliveryFolderIsNotLoaded) {
    const std::wstring planted = delivery + L"\\uxtheme.dll";
    fixture::write_file(planted, read_bytes(built_delivery() + L"\\..\\bin\\loaded_marker.dll"));
    const wchar_t overrides[] = L"Software\\Wine\\AppDefaults\\installa_patch.exe";
    const wchar_t native_first[] = L"native,builtin";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(overrides) + L"\\DllOverrides").c_str(), L"uxtheme",
                              REG_SZ, native_first, sizeof native_first),
              ERROR_SUCCESS);
    const auto result = run();
    RegDeleteTreeW(HKEY_CURRENT_USER, overrides);
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
    EXPECT_FALSE(exists(planted + L".loaded")) << "the planted library was loaded";
}

}  // namespace
}  // namespace e2e
