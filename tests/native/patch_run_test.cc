// The whole activation sequence against the fakes: what is copied, asked,
// recorded, deleted and extracted, and what the user is told.
#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>

#include "app/form1.h"
#include "app/run_to_end.h"
#include "app/update_journal.h"
#include "runtime/text.h"
#include "tests/fakes/fakes.h"
#include "unzip/zip.h"

namespace {

using runtime::msgbox::critical;
using runtime::msgbox::information;

const std::string kHistory1To6 =
    "1         01/02/2020\r\n2         01/03/2020\r\n3         01/04/2020\r\n"
    "4         01/05/2020\r\n5         01/06/2020\r\n6         01/07/2020\r\n";

class PatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fake().files.root();
        fake().shell.windows = root + L"\\windows";
        fake().shell.application = root + L"\\consegna";
        fake().shell.programs = root + L"\\Programs";
        fake().shell.all_users_programs = root + L"\\ProgramData\\Programs";
        fake().files.make_folders(fake().shell.windows + L"\\system32");
        fake().files.put(fake().shell.application + L"\\zip32.dll", "zip32 library");
        fake().files.put(fake().shell.application + L"\\UNZIP32.DLL", "unzip32 library");
        fake().files.put(archive(), "PK archive");
        fake().files.make_folders(fake().shell.programs + L"\\Varenkor Catalogo");
        set_working_folder(root + L"\\Catalogo");
        install = root + L"\\Catalogo";
        fake().files.put(install + L"\\patch.txt", kHistory1To6);
        fake().files.put(install + L"\\catalogo\\vecchio.htm", "old");
        extract_new_data();
        fake().unzip.listing = {"catalogo/", "catalogo/nuovo.htm", "progetto.htm", "catalogo.htm", "dati/indice.htm"};
    }

    void set_working_folder(const std::wstring& folder) {
        fakes::FakeShortcut shortcut;
        shortcut.working_folder = runtime::to_ansi(folder);
        fake().shell.shortcuts[shortcut_path()] = shortcut;
    }
    std::wstring shortcut_path() const {
        return fake().shell.programs + L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk";
    }
    std::wstring archive() const { return fake().shell.application + L"\\catalogo.zip"; }

    int run() {
        Form1 form(fake().os);
        return run_to_end(form, fake().dialogs);
    }
    /// What the library writes into the folder it is given, without flushing
    /// it: the new data and, beside it, two pages and a folder.
    void extract_new_data() {
        fake().unzip.extract = [this] {
            const std::wstring target = runtime::from_ansi(fake().unzip.last_folder);
            for (const wchar_t* file :
                 {L"\\catalogo\\nuovo.htm", L"\\progetto.htm", L"\\catalogo.htm", L"\\dati\\indice.htm"})
                fake().files.put_unflushed(target + file, "new");
        };
    }
    /// The installation folder fully installed from extract_new_data.
    std::map<std::wstring, std::string> installed() const {
        return {{L"patch.txt", kHistory1To6 + "7         07/12/2026\r\n"},
                {L"catalogo", "<folder>"},
                {L"catalogo/nuovo.htm", "new"},
                {L"progetto.htm", "new"},
                {L"catalogo.htm", "new"},
                {L"dati", "<folder>"},
                {L"dati/indice.htm", "new"}};
    }
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    /// The installation folder's files, by path below it, with their bytes.
    std::map<std::wstring, std::string> tree() const {
        std::map<std::wstring, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(fake().files.host(install)))
            files[runtime::from_utf8(std::filesystem::relative(entry.path(), fake().files.host(install)).string())] =
                entry.is_directory() ? "<folder>" : read(entry.path());
        return files;
    }
    const std::vector<fakes::ShownMessage>& shown() const { return fake().dialogs.shown; }

    fakes::FakeOs& fake() const { return *fake_; }
    /// A new catalogue and new fakes, as on another machine.
    void start_over() {
        fake_ = std::make_unique<fakes::FakeOs>();
        SetUp();
    }

    std::unique_ptr<fakes::FakeOs> fake_ = std::make_unique<fakes::FakeOs>();
    std::wstring root, install;
};

TEST_F(PatchRun, InstallsThePatchAndSaysSo) {
    EXPECT_EQ(run(), runtime::exit_code::installed);
    EXPECT_EQ(fake().files.get(fake().shell.windows + L"\\system32\\zip32.dll"), "zip32 library");
    EXPECT_EQ(fake().files.get(fake().shell.windows + L"\\system32\\UNZIP32.DLL"), "unzip32 library");
    EXPECT_EQ(tree(), installed());
    EXPECT_FALSE(fake().files.exists(archive()));

    ASSERT_EQ(fake().unzip.unzip_calls, 1);
    EXPECT_EQ(fake().unzip.last_archive, runtime::to_ansi(archive()));
    EXPECT_EQ(fake().unzip.last_folder, runtime::to_ansi(install));
    EXPECT_EQ(fake().unzip.last_options.prompt_to_overwrite, 1);
    EXPECT_EQ(fake().unzip.last_options.always_overwrite, 1);
    EXPECT_EQ(fake().unzip.last_options.list_only, 0);
    EXPECT_EQ(fake().unzip.last_options.recreate_folders, 1);
    EXPECT_EQ(zip::line_break, L"\r\n");

    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Patch installata con successo!");
    EXPECT_EQ(shown()[0].style, information);
    EXPECT_EQ(shown()[0].title, L"Dravimex");
}

TEST_F(PatchRun, RepairsTheKnownPathDefect) {
    set_working_folder(root + L"\\VarenkorCatalogoprogetto_html");
    install = root + L"\\VarenkorCatalogo\\progetto_html";
    fake().files.put(install + L"\\patch.txt", kHistory1To6);
    run();
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    EXPECT_EQ(fake().unzip.last_folder, runtime::to_ansi(install));
}

TEST_F(PatchRun, WithoutTheMenuFolderRefusesAfterCopyingTheLibraries) {
    fake().files.remove_tree(fake().shell.programs + L"\\Varenkor Catalogo");
    EXPECT_EQ(run(), runtime::exit_code::not_applicable);
    EXPECT_TRUE(fake().files.exists(fake().shell.windows + L"\\system32\\UNZIP32.DLL"));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Non hai installato il catalogo. La patch non può essere creata");
    EXPECT_EQ(shown()[0].style, critical);
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_EQ(fake().unzip.unzip_calls, 0);
}

TEST_F(PatchRun, AMissingLibraryStopsBeforeTheCatalogueIsLookedFor) {
    fake().files.delete_file(fake().shell.application + L"\\zip32.dll");
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt.rfind(L"Errore di run-time '53'", 0), 0u);
    EXPECT_NE(shown()[0].prompt.find(L"zip32.dll"), std::wstring::npos);
    EXPECT_TRUE(fake().shell.calls.empty());
    EXPECT_FALSE(fake().files.exists(fake().shell.windows + L"\\system32\\UNZIP32.DLL"));
}

TEST_F(PatchRun, AMissingShortcutChangesNothing) {
    fake().shell.shortcuts.clear();
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].prompt.find(L"cartella di installazione del catalogo"), std::wstring::npos);
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_TRUE(fake().files.exists(install + L"\\catalogo\\vecchio.htm"));
    EXPECT_EQ(fake().unzip.unzip_calls, 0);
}

// Run as SYSTEM or as another administrator, the installer looks beyond the
// user's Start menu: all users', then every profile's; /dir names the folder
// instead of any shortcut. Each row: where the catalogue is found, or the
// refusal before anything changes. "%" in a row stands for the test's folder.
TEST_F(PatchRun, FindsTheCatalogueWhereverItsShortcutIs) {
    const auto at_root = [&](std::wstring text) {
        for (std::size_t at; (at = text.find(L'%')) != std::wstring::npos;) text.replace(at, 1, root);
        return text;
    };
    const auto other = [&] { return root + L"\\Altro"; };
    const auto menu = [&](const std::wstring& programs, const std::wstring& folder) {
        fake().files.make_folders(programs + L"\\Varenkor Catalogo");
        fakes::FakeShortcut shortcut;
        shortcut.working_folder = runtime::to_ansi(folder);
        fake().shell.shortcuts[programs + L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk"] = shortcut;
    };
    const auto profile = [&](const wchar_t* name) { return root + L"\\Profili\\" + name + L"\\Programs"; };
    const auto profiles = [&](std::initializer_list<const wchar_t*> names) {
        fake().files.remove_tree(fake().shell.programs + L"\\Varenkor Catalogo");
        for (const wchar_t* name : names) fake().shell.profiles_programs.push_back(profile(name));
    };
    const struct {
        const char* where;
        std::function<void()> lay_out;
        std::optional<std::wstring> dir;
        std::wstring installed_in;  // when it installs
        std::wstring refusal = {};  // when it does not
        std::wstring logged = {};
    } rows[] = {
        {"the user's", [] {}, {}, L"%\\Catalogo", {}, L"Catalogo trovato nel menu Start dell'utente"},
        {"all users'",
         [&] {
             profiles({L"anna"});
             menu(fake().shell.all_users_programs, install);
             menu(profile(L"anna"), other());
         },
         {}, L"%\\Catalogo", {}, L"Catalogo trovato nel menu Start di tutti gli utenti"},
        {"one profile's",
         [&] {
             profiles({L"anna", L"bruno"});
             menu(profile(L"bruno"), install);
         },
         {}, L"%\\Catalogo", {}, L"Catalogo trovato nel menu Start del profilo: %\\Profili\\bruno\\Programs"},
        {"two profiles', one folder in two spellings",
         [&] {
             profiles({L"anna", L"bruno"});
             menu(profile(L"anna"), install);
             std::wstring upper = install;
             for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
             menu(profile(L"bruno"), upper);
         },
         {}, L"%\\Catalogo"},
        {"two profiles', two folders",
         [&] {
             profiles({L"anna", L"bruno"});
             menu(profile(L"anna"), install);
             menu(profile(L"bruno"), other());
         },
         {}, {},
         L"Il catalogo risulta installato in più cartelle:\n\n%\\Catalogo\n%\\Altro\n\nNon è stato modificato nulla."},
        {"nowhere", [&] { profiles({L"anna"}); }, {}, {},
         L"Non hai installato il catalogo. La patch non può essere creata"},
        {"/dir", [&] { profiles({}); }, L"%\\Altro", L"%\\Altro", {},
         L"Cartella di installazione indicata con /dir: %\\Altro"},
        {"/dir with a trailing backslash", [] {}, L"%\\Altro\\", L"%\\Altro"},
        {"/dir of a missing folder", [] {}, L"%\\Manca", {}, L"La cartella indicata con /dir non esiste: %\\Manca"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        start_over();
        fake().files.put(other() + L"\\patch.txt", kHistory1To6);
        row.lay_out();
        std::optional<std::wstring> dir;
        if (row.dir) dir = at_root(*row.dir);
        Form1 form(fake().os, dir);
        const int exit_code = run_to_end(form, fake().dialogs);
        ASSERT_EQ(shown().size(), 1u);
        if (row.refusal.empty()) {
            EXPECT_EQ(exit_code, runtime::exit_code::installed) << runtime::to_utf8(shown()[0].prompt);
            EXPECT_EQ(fake().unzip.last_folder, runtime::to_ansi(at_root(row.installed_in)));
        } else {
            EXPECT_EQ(exit_code, runtime::exit_code::not_applicable);
            EXPECT_EQ(shown()[0].prompt.rfind(at_root(row.refusal), 0), 0u) << runtime::to_utf8(shown()[0].prompt);
            EXPECT_EQ(shown()[0].style, critical);
            EXPECT_EQ(fake().unzip.unzip_calls, 0);
            EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6);
            EXPECT_EQ(fake().files.get(other() + L"\\patch.txt"), kHistory1To6);
        }
        if (!row.logged.empty()) {
            EXPECT_TRUE(fake().log.has(at_root(row.logged))) << runtime::to_utf8(at_root(row.logged));
        }
    }
}

TEST_F(PatchRun, AnEmptyWorkingFolderIsNeverUsed) {
    set_working_folder(L"");
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].prompt.find(L"cartella di installazione del catalogo"), std::wstring::npos);
    EXPECT_EQ(fake().unzip.unzip_calls, 0);
}

// A refusal leaves everything as it was, the journal of the update included.
TEST_F(PatchRun, ARefusalEndsWithoutTouchingTheCatalogue) {
    const struct {
        const char* refusal;
        std::function<void()> set_up;
        int exit_code;
        std::wstring message;
        bool history_deleted = false;
    } refusals[] = {
        {"no record 6", [&] { fake().files.put(install + L"\\patch.txt", "5         01/06/2020\r\n"); },
         runtime::exit_code::not_applicable, L"devi prima installare la patch n. 6"},
        {"no history", [&] { fake().files.delete_file(install + L"\\patch.txt"); }, runtime::exit_code::not_applicable,
         L"devi prima installare la patch n. 6"},
        {"no record", [&] { fake().files.put(install + L"\\patch.txt", "\r\n\r\n"); }, runtime::exit_code::not_applicable,
         L"devi prima installare la patch n. 6", true},
        {"installed",
         [&] { fake().files.put(install + L"\\patch.txt", kHistory1To6 + "7         01/08/2020\r\n"); },
         runtime::exit_code::already_installed, L"Hai già installato questa patch in data 01/08/2020"},
        {"another run holds its journal",
         [&] {
             const catalogue_update::Journal begun{false, L"", L"", archive(), {}, kHistory1To6, "7\r\n", L""};
             fake().files.put(install + L"\\patch7.journal", begun.serialize());
             fake().files.held_by_another.insert(install + L"\\patch7.journal");
         },
         runtime::exit_code::already_running, L"L'installazione di questa patch è già in corso."},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.refusal);
        start_over();
        extract_new_data();
        r.set_up();
        auto before = tree();
        if (r.history_deleted) before.erase(L"patch.txt");
        EXPECT_EQ(run(), r.exit_code);
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0].style, information);
        EXPECT_NE(shown()[0].prompt.find(r.message), std::wstring::npos) << shown()[0].prompt;
        EXPECT_EQ(tree(), before);
        EXPECT_TRUE(fake().files.exists(archive()));
        EXPECT_EQ(fake().unzip.unzip_calls, 0);
    }
}

TEST_F(PatchRun, AFailedExtractionIsRolledBackAndCanBeRunAgain) {
    const std::string unterminated = "1         01/02/2020\r\n6         01/07/2020";
    fake().files.put(install + L"\\patch.txt", unterminated);
    const auto before = tree();
    fake().unzip.result = 2;
    for (int n = 1; n <= 6; ++n)
        fake().unzip.printed += "     error: catalogo/scheda" + std::to_string(n) + ".htm  (disk full)\r\n";
    fake().unzip.printed += "caution: 6 entries failed\r\n";
    extract_new_data();
    EXPECT_EQ(run(), runtime::exit_code::failed);
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(fake().files.exists(archive()));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].style, critical);
    std::wstring errors;
    for (int n = 1; n <= 5; ++n) errors += L"\nerror: catalogo/scheda" + std::to_wstring(n) + L".htm  (disk full)";
    EXPECT_EQ(shown()[0].prompt, L"La patch non è stata installata.\n\nAlcuni file dell'archivio " + archive() +
                                     L" non sono stati estratti." + errors + L"\n…\n\n"
                                     L"Il catalogo e lo storico delle patch sono come prima: si può eseguire di "
                                     L"nuovo l'installazione.");

    fake().unzip.result = 0;
    fake().dialogs.shown.clear();
    EXPECT_EQ(run(), runtime::exit_code::installed);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Patch installata con successo!");
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), unterminated + "\r\n7         07/12/2026\r\n");
}

// Faults before anything of the catalogue changed and faults after the record:
// each ends in the failure message, naming its cause, with the installation
// folder exactly as it was but for what others saved meanwhile.
TEST_F(PatchRun, AFailedUpdateLeavesTheFolderAsItWas) {
    const std::map<std::wstring, std::string> saved_meanwhile = {
        {L"ordine_cliente.txt", "saved"}, {L"Esportazioni", "<folder>"}, {L"Esportazioni/listino.csv", "saved"},
        {L"dati", "<folder>"},            {L"dati/nota.txt", "saved"}};
    const struct {
        const char* fault;
        std::function<void()> inject;
        std::wstring cause;
        std::map<std::wstring, std::string> kept = {};
    } faults[] = {
        {"read-only old file",
         [&] { fake().files.set_attributes(install + L"\\catalogo\\vecchio.htm", runtime::attribute::read_only); },
         L"di sola lettura"},
        {"missing archive", [&] { fake().files.delete_file(archive()); }, L"non è stato trovato"},
        {"library not bound",
         [&] { fake().unzip.bind_error = runtime::RunTimeError(453, L"Punto di ingresso Wiz_SingleEntryUnzip assente"); },
         L"Wiz_SingleEntryUnzip"},
        {"archive without the data folder", [&] { fake().unzip.listing = {"progetto.htm", "catalogo.htm"}; },
         L"non contiene la cartella catalogo"},
        {"a name outside the folder", [&] { fake().unzip.listing.push_back("../fuori.htm"); }, L"../fuori.htm"},
        {"one of the update's own names", [&] { fake().unzip.listing.push_back("patch.txt"); },
         L"non può sostituire"},
        {"a short name, as the set-aside data may have",
         [&] { fake().unzip.listing.push_back("CATALO~1.PRI/vecchio.htm"); }, L"non può sostituire"},
        {"a device's name beside the data", [&] { fake().unzip.listing.push_back("Aux.txt"); },
         L"Aux.txt, che in Windows è il nome di un dispositivo"},
        {"a device's name in the data", [&] { fake().unzip.listing.push_back("catalogo/com1"); },
         L"catalogo/com1, che in Windows è il nome di un dispositivo"},
        {"a data folder that is a link", [&] { fake().files.links.insert(install + L"\\catalogo"); },
         L"è un collegamento a un'altra cartella"},
        {"a damaged archive", [&] { fake().unzip.list_result = 3; }, L"è danneggiato"},
        {"set-aside refused", [&] { fake().files.fail("move", install + L"\\catalogo"); }, L"Operazione non riuscita"},
        {"no room for the old history's copy",
         [&] { fake().files.fail("create_file", install + L"\\patch.txt.prima-della-patch-7"); },
         L"Operazione non riuscita"},
        {"out of memory in the library call", [&] { fake().unzip.extract = [] { throw std::bad_alloc(); }; },
         L"Memoria esaurita"},
        {"no old data, a failed extraction",
         [&] {
             fake().files.remove_tree(install + L"\\catalogo");
             fake().unzip.result = 2;
         },
         L"non sono stati estratti"},
        {"a listed entry not written",
         [&] {
             fake().unzip.extract = [&] { fake().files.put(install + L"\\progetto.htm", "new"); };
         },
         L"non ha scritto "},
        {"commit not written",
         [&] {
             fake().unzip.extract = [&] {
                 fake().files.put(install + L"\\progetto.htm", "new");
                 fake().files.put(install + L"\\catalogo\\nuovo.htm", "new");
                 fake().files.fail("write_file", install + L"\\patch7.journal");
             };
         },
         L"Operazione non riuscita"},
        {"files replaced and saved by others, then a failure",
         [&] {
             fake().files.put(install + L"\\progetto.htm", "old page");
             fake().files.set_attributes(install + L"\\progetto.htm", runtime::attribute::read_only);
             fake().unzip.result = 2;
             fake().unzip.extract = [&] {
                 for (const auto& [path, bytes] : saved_meanwhile)
                     if (bytes != "<folder>") fake().files.put(install + L"\\" + path, bytes);
                 for (const wchar_t* file : {L"\\catalogo\\nuovo.htm", L"\\progetto.htm", L"\\catalogo.htm",
                                             L"\\dati\\indice.htm"})
                     fake().files.put(install + file, "new");
             };
         },
         L"non sono stati estratti", saved_meanwhile},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.fault);
        start_over();
        extract_new_data();
        f.inject();
        auto expected = tree();
        expected.insert(f.kept.begin(), f.kept.end());
        zip::unzip_result = 42;
        EXPECT_EQ(run(), runtime::exit_code::failed);
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0].prompt.rfind(L"La patch non è stata installata.", 0), 0u) << shown()[0].prompt;
        EXPECT_NE(shown()[0].prompt.find(f.cause), std::wstring::npos) << shown()[0].prompt;
        EXPECT_NE(shown()[0].prompt.find(f.cause), std::wstring::npos) << shown()[0].prompt;
        EXPECT_NE(shown()[0].prompt.find(L"sono come prima"), std::wstring::npos) << shown()[0].prompt;
        EXPECT_EQ(tree(), expected);
    }
    zip::unzip_result = 0;
}

// A successful run leaves alone what only looks like its own: a folder of the
// set-aside name, a file of the library's temporary name, the user's files.
TEST_F(PatchRun, ASuccessfulRunTouchesNothingElse) {
    extract_new_data();
    fake().files.put(install + L"\\progetto.htm", "old page");
    const std::map<std::wstring, std::string> others = {
        {L"catalogo.prima-della-patch-7", "<folder>"}, {L"catalogo.prima-della-patch-7/mio.txt", "mine"},
        {L".progetto.htm.uz-tmp", "mine"},              {L"altri-file.prima-della-patch-7", "<folder>"},
        {L"Esportazioni", "<folder>"},                  {L"Esportazioni/listino.csv", "mine"}};
    for (const auto& [path, bytes] : others)
        if (bytes == "<folder>") fake().files.make_folders(install + L"\\" + path);
        else fake().files.put(install + L"\\" + path, bytes);
    EXPECT_EQ(run(), runtime::exit_code::installed);
    auto expected = installed();
    expected.insert(others.begin(), others.end());
    EXPECT_EQ(tree(), expected);
}

// A run cut short while it wrote its journal left its bytes under a temporary
// name: the next start removes them, but neither bytes that are no journal's
// nor those another run at work holds.
TEST_F(PatchRun, AJournalCutShortWhileWrittenIsRemovedByTheNextStart) {
    const std::wstring journal = install + L"\\patch7.journal";
    const std::string bytes =
        catalogue_update::Journal{false, L"", L"", archive(), {}, kHistory1To6, "7\r\n", L""}.serialize();
    fake().files.put(journal + L".1.tmp", bytes.substr(0, 20));
    fake().files.put(journal + L".2.tmp", "");
    fake().files.put(journal + L".3.tmp", bytes);
    fake().files.held_by_another.insert(journal + L".3.tmp");
    fake().files.put(journal + L".5.tmp", "the user's own notes");
    EXPECT_EQ(run(), runtime::exit_code::installed);
    auto expected = installed();
    expected.insert({{L"patch7.journal.3.tmp", bytes}, {L"patch7.journal.5.tmp", "the user's own notes"}});
    EXPECT_EQ(tree(), expected);
}

// The delivery folder may be named in any script (a user's downloads); the
// library takes single-byte paths, so it gets the short form.
TEST_F(PatchRun, APathOutsideTheCodePageReachesTheLibraryByItsShortForm) {
    for (const bool has_short_form : {true, false}) {
        start_over();
        fake().shell.application = root + L"\\Консегна";
        for (const wchar_t* file : {L"\\zip32.dll", L"\\UNZIP32.DLL", L"\\catalogo.zip"})
            fake().files.put(fake().shell.application + file, "delivered");
        if (has_short_form) fake().files.short_paths[archive()] = root + L"\\KONSEG~1\\catalogo.zip";
        if (has_short_form) {
            EXPECT_EQ(run(), runtime::exit_code::installed);
            EXPECT_EQ(fake().unzip.last_archive, runtime::to_ansi(root + L"\\KONSEG~1\\catalogo.zip"));
        } else {
            EXPECT_EQ(run(), runtime::exit_code::failed);
            ASSERT_EQ(shown().size(), 1u);
            EXPECT_NE(shown()[0].prompt.find(L"Il percorso " + archive() + L" contiene caratteri"), std::wstring::npos);
            EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6);
        }
    }
}

// The history comes back first: a rollback that stops at the data leaves
// record 7 nowhere, and a journal with which the next start finishes it.
TEST_F(PatchRun, ARestoreThatFailsSaysWhereTheDataIs) {
    fake().unzip.result = 3;
    fake().files.fail("remove_tree", install + L"\\catalogo");
    fake().unzip.extract = [&] { fake().files.put(install + L"\\catalogo\\nuovo.htm", "new"); };
    EXPECT_EQ(run(), runtime::exit_code::failed);
    ASSERT_EQ(shown().size(), 1u);
    const std::wstring aside = install + L"\\catalogo.prima-della-patch-7";
    EXPECT_NE(shown()[0].prompt.find(L"Non è stato possibile ripristinare il catalogo"), std::wstring::npos);
    EXPECT_NE(shown()[0].prompt.find(L"nella cartella " + aside), std::wstring::npos) << shown()[0].prompt;
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_EQ(fake().files.get(aside + L"\\vecchio.htm"), "old");
    EXPECT_TRUE(fake().files.exists(install + L"\\patch7.journal"));

    fake().files.mend("remove_tree", install + L"\\catalogo");
    fake().unzip.result = 0;
    EXPECT_EQ(run(), runtime::exit_code::installed);
    EXPECT_EQ(shown().back().prompt, L"Patch installata con successo!");
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    EXPECT_FALSE(fake().files.exists(aside));
}

// A journal whose checksum holds but whose state is no word of ours, or whose
// history is not patch.txt's: nothing is done on its word, and the message
// says what is where. (Journals that are damaged or name paths outside the
// folder are rows of the end-to-end table.)
TEST_F(PatchRun, AJournalThatCannotBeTrustedChangesNothing) {
    using catalogue_update::Journal;
    const auto with_state = [](std::string bytes, const std::string& word) {
        // The journal of another word, with the checksum it would have.
        const std::size_t state = bytes.find("state: ") + 7, sum = bytes.find("checksum: ") + 10;
        bytes.replace(state, 9, word);
        const std::size_t body = bytes.find("\r\n", sum) + 2;
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : word + bytes.substr(body)) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        return bytes.replace(sum, 16, digits);
    };
    const Journal begun{false, L"catalogo.prima-della-patch-7", L"", archive(), {}, kHistory1To6,
                        "7         06/12/2026\r\n", L""};
    const std::string whole = begun.serialize();
    ASSERT_EQ(Journal::parse(with_state(whole, "begun    ")), begun);
    Journal other_history = begun;
    other_history.history = "6         01/07/2020\r\n";
    const struct {
        const char* journal;
        std::string bytes;
    } journals[] = {
        {"another state", with_state(whole, "rolling  ")},
        {"another history", other_history.serialize()},
    };
    for (const auto& j : journals) {
        SCOPED_TRACE(j.journal);
        start_over();
        fake().files.put(install + L"\\patch7.journal", j.bytes);
        fake().files.put(install + L"\\patch.txt", kHistory1To6 + "7         06/12/2026\r\n");
        fake().files.put(install + L"\\catalogo.prima-della-patch-7\\vecchio.htm", "old");
        const auto before = tree();
        EXPECT_EQ(run(), runtime::exit_code::failed);
        ASSERT_EQ(shown().size(), 1u);
        const std::wstring& text = shown()[0].prompt;
        EXPECT_NE(text.find(L"è danneggiato o non corrisponde al catalogo"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"patch.txt registra la patch 7"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"La cartella " + install + L"\\catalogo.prima-della-patch-7 contiene"), std::wstring::npos);
        EXPECT_EQ(tree(), before);
        EXPECT_EQ(fake().unzip.list_calls, 0);
    }
}

TEST_F(PatchRun, AnArchiveThatCannotBeDeletedStillInstalls) {
    fake().files.fail("delete_file", archive(), 70);
    EXPECT_EQ(run(), runtime::exit_code::installed);
    EXPECT_EQ(fake().files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    EXPECT_TRUE(fake().files.exists(archive()));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Patch installata con successo!");
}

// The cleanup is the journal's too: what it could not delete, the next start
// deletes before anything else, and only this run's archive goes.
TEST_F(PatchRun, ACleanupThatFailsIsFinishedByTheNextStart) {
    extract_new_data();
    fake().files.put(install + L"\\progetto.htm", "old page");
    fake().files.fail("remove_tree", install + L"\\catalogo.prima-della-patch-7");
    EXPECT_EQ(run(), runtime::exit_code::installed);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_NE(shown()[0].prompt.find(L"la pulizia non è finita"), std::wstring::npos) << shown()[0].prompt;
    EXPECT_EQ(shown()[1].prompt, L"Patch installata con successo!");
    EXPECT_TRUE(fake().files.exists(install + L"\\patch7.journal"));

    // Started from elsewhere, the next run keeps the archive it was not given.
    const std::wstring first_archive = archive();
    fake().files.mend("remove_tree", install + L"\\catalogo.prima-della-patch-7");
    fake().shell.application = root + L"\\altra-consegna";
    for (const wchar_t* file : {L"\\zip32.dll", L"\\UNZIP32.DLL", L"\\catalogo.zip"})
        fake().files.put(fake().shell.application + file, "delivered");
    fake().dialogs.shown.clear();
    EXPECT_EQ(run(), runtime::exit_code::already_installed);
    ASSERT_EQ(shown().size(), 1u) << shown()[0].prompt;
    EXPECT_EQ(shown()[0].prompt.rfind(L"Hai già installato questa patch", 0), 0u) << shown()[0].prompt;
    EXPECT_EQ(tree(), installed());
    EXPECT_TRUE(fake().files.exists(first_archive));
    EXPECT_TRUE(fake().files.exists(archive()));
}

// The power goes at every change a run makes in turn, and whatever was not
// flushed is lost: the next start then leaves the catalogue installed once,
// with nothing of the cut run left over.
// In a run that fails, the cut may come while the rollback puts things back.
TEST_F(PatchRun, APowerCutAtAnyStepIsMendedByTheNextStart) {
    for (const auto& [volume_flushes, failing] : {std::pair{true, false}, {false, false}, {true, true}}) {
        for (int changes = 0;; ++changes) {
            SCOPED_TRACE("power cut after " + std::to_string(changes) + " changes, volume flushed: " +
                         std::to_string(volume_flushes) + ", extraction failing: " + std::to_string(failing));
            start_over();
            extract_new_data();
            fake().files.put(install + L"\\progetto.htm", "old page");
            fake().files.volume_flushes = volume_flushes;
            fake().unzip.result = failing ? 2 : 0;
            fake().files.cut_power_after(changes);
            run();
            const bool cut = fake().files.power_was_cut();
            fake().files.power_on();
            fake().unzip.result = 0;
            run();
            EXPECT_EQ(tree(), installed());
            EXPECT_FALSE(fake().files.exists(archive()));
            if (!cut || HasFailure()) break;
        }
    }
}

}  // namespace
