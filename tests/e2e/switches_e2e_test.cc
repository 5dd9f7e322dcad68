// The switches a deployment tool gives the installer: quiet and passive runs
// with their log, an explicit installation folder, and the command lines it
// refuses. Each run is the real installer under Wine.
#include <windows.h>

#include <algorithm>
#include <regex>

#include "runtime/text.h"
#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;

class Switches : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        // A file of the archive already there: the run meets the overwrite question.
        fixture::write_file(install + L"\\progetto.htm", "the user's own page");
        fixture::create_folder(base + L"\\Log più già");
    }
    /// A fresh catalogue and delivery, as on the next machine.
    void start_over() {
        InstallerTest::TearDown();
        SetUp();
    }
    /// A quoted path with spaces and letters outside ASCII.
    std::wstring log_file() const { return base + L"\\Log più già\\patch 7.log"; }
    std::wstring quoted_log() const { return L"\"" + log_file() + L"\""; }

    /// The log's lines, each checked for its form: the byte-order mark at the
    /// start, CR LF at each end, the local time at each start.
    std::vector<std::wstring> log_lines() {
        const std::string bytes = read_bytes(log_file());
        EXPECT_FALSE(bytes.empty()) << "no log";
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte-order mark";
        std::vector<std::wstring> lines;
        const std::wregex stamp(L"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  .+");
        std::size_t at = 3;
        while (at < bytes.size()) {
            const std::size_t end = bytes.find("\r\n", at);
            if (end == std::string::npos) {
                ADD_FAILURE() << "a line without CR LF: " << bytes.substr(at);
                break;
            }
            const std::wstring line = runtime::from_utf8(bytes.substr(at, end - at));
            EXPECT_TRUE(std::regex_match(line, stamp)) << runtime::to_utf8(line);
            EXPECT_EQ(line.find(L'\n'), std::wstring::npos);
            lines.push_back(line);
            at = end + 2;
        }
        return lines;
    }
    /// Each of `events`, in this order, in the log.
    void expect_logged(const std::vector<std::wstring>& events) {
        const std::vector<std::wstring> lines = log_lines();
        auto line = lines.begin();
        for (const std::wstring& event : events) {
            line = std::find_if(line, lines.end(), [&](const std::wstring& l) { return l.find(event) != l.npos; });
            if (line == lines.end()) {
                std::wstring all;
                for (const auto& l : lines) all += l + L"\n";
                ADD_FAILURE() << "not logged in order: " << runtime::to_utf8(event) << "\n" << runtime::to_utf8(all);
                return;
            }
        }
    }
    /// No window of the process, at any moment of its run.
    static void expect_no_window(const dialog_driver::RunResult& result) {
        EXPECT_TRUE(result.dialogs.empty()) << dialog_driver::transcript(result);
        for (const std::wstring& window : result.windows_created) ADD_FAILURE() << "window " << runtime::to_utf8(window);
    }
};

TEST_F(Switches, AQuietRunInstallsWithoutAWindowAndLogsEachStep) {
    const Tree before = tree_of(install);
    const auto result = run_with(L"/quiet /norestart /log " + quoted_log());
    expect_no_window(result);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(tree_of(install), installed(before));  // the overwrite question answered Yes
    EXPECT_FALSE(exists(archive));
    expect_logged({L"versione 7.0.0.0",
                   L"Riga di comando: ", L"installa_patch.exe", L" /quiet /norestart /log " + quoted_log(),
                   L"Account: ",
                   L"Librerie cercate solo nella cartella di sistema",
                   L"Libreria di estrazione: " + delivery + L"\\UNZIP32.DLL",
                   L"Libreria copiata: " + delivery + L"\\zip32.dll in ",
                   L"Libreria copiata: " + delivery + L"\\UNZIP32.DLL in ",
                   L"Catalogo trovato nel menu Start dell'utente: " + fixture::shortcut_path() +
                       L"; cartella di installazione \"" + install + L"\"",
                   L"Storico delle patch verificato: " + install + L"\\patch.txt",
                   L"Giornale dell'aggiornamento scritto: " + install + L"\\patch7.journal",
                   L"Patch 7 registrata in " + install + L"\\patch.txt",
                   L"Dati precedenti spostati in " + install + L"\\catalogo.prima-della-patch-7",
                   L"Copia di " + install + L"\\progetto.htm conservata in ",
                   L"Messaggio «VBUnzip - File already exists»: Overwrite progetto.htm? | Risposta senza chiedere "
                   L"(pulsante predefinito): Sì",
                   L"Libreria di estrazione: inflating: catalogo\\schede\\scheda_300.htm",
                   L"Aggiornamento confermato",
                   L"Dati precedenti eliminati: " + install + L"\\catalogo.prima-della-patch-7",
                   L"Archivio eliminato: " + archive,
                   L"Pulizia completata",
                   L"Messaggio «Dravimex»: Patch installata con successo! | Risposta senza chiedere (pulsante "
                   L"predefinito): OK",
                   L"Fine: patch installata (codice di uscita 0)"});
}

TEST_F(Switches, AQuietRunThatFailsSaysWhyInTheLogAndChangesNothing) {
    fixture::write_file(archive, "PK\x03\x04 this is no archive");
    const Tree before = tree_of(install);
    const auto result = run_with(L"/q /log " + quoted_log());
    expect_no_window(result);
    EXPECT_EQ(result.exit_code, 1603u);
    EXPECT_EQ(tree_of(install), before);
    EXPECT_EQ(read_bytes(archive), "PK\x03\x04 this is no archive");
    expect_logged({L"Messaggio «Dravimex»: La patch non è stata installata. | ", L"catalogo.zip è danneggiato",
                   L"Fine: patch non installata (codice di uscita 1603)"});
}

TEST_F(Switches, AQuietRunOnAnInstalledCatalogueEndsWithItsOwnCode) {
    const std::string history = kHistory1To6 + "7         03/11/2026\r\n";
    fixture::write_file(install + L"\\patch.txt", history);
    const auto result = run_with(L"/qn /log=" + quoted_log());
    expect_no_window(result);
    EXPECT_EQ(result.exit_code, 1638u);
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history);
    expect_logged({L"Hai già installato questa patch in data 03/11/2026",
                   L"Fine: patch già installata (codice di uscita 1638)"});
}

TEST_F(Switches, APassiveRunShowsItsWindowAndNoBox) {
    const Tree before = tree_of(install);
    const auto result = run_with(L"/passive");
    EXPECT_TRUE(result.dialogs.empty()) << dialog_driver::transcript(result);
    EXPECT_NE(std::find(result.windows_created.begin(), result.windows_created.end(), L"VarenkorCatalogoPatch"),
              result.windows_created.end());
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(tree_of(install), installed(before));
}

TEST_F(Switches, DirNamesTheInstallationFolderWithoutAnyShortcut) {
    fixture::remove_menu_folder();
    const std::wstring folder = base + L"\\Catalogo più già";
    fixture::lay_out_installation({folder, kHistory1To6, {{L"vecchio.htm", "old page"}}, true, {}});
    const Tree before = tree_of(folder);
    const Tree elsewhere = tree_of(install);
    const auto result = run_with(L"/Quiet -DIR \"" + folder + L"\" /log " + quoted_log());
    expect_no_window(result);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(tree_of(folder), installed(before));
    EXPECT_EQ(tree_of(install), elsewhere);
    expect_logged({L"Cartella di installazione indicata con /dir: " + folder, L"(codice di uscita 0)"});
}

// Switches that are accepted whatever their case, their sign, their order or
// their repetition; quiet wins over passive.
TEST_F(Switches, AcceptedSpellingsInstall) {
    for (const wchar_t* arguments : {L"/quiet /passive", L"/QUIET /Quiet -q /NoRestart /norestart", L"-qb /QN"}) {
        SCOPED_TRACE(runtime::to_utf8(arguments));
        start_over();
        const Tree before = tree_of(install);
        const auto result = run_with(arguments);
        expect_no_window(result);
        EXPECT_EQ(result.exit_code, 0u);
        EXPECT_EQ(tree_of(install), installed(before));
    }
}

// Command lines that end the run before anything is touched: the box (none
// when quiet), the exit code, and the log where one could be written.
TEST_F(Switches, RefusedCommandLinesTouchNothing) {
    const bool read_only_drive = exists(L"R:\\");
    const struct {
        std::wstring arguments;
        unsigned long exit_code;
        std::wstring box;  // what the one box says, or nothing for no box
        DialogIcon icon = DialogIcon::critical;
        std::wstring logged = {};
    } rows[] = {
        {L"/bogus", 1639, L"Opzione sconosciuta: /bogus\n\nUso: installa_patch.exe"},
        {L"/log", 1639, L"Manca il nome del file dopo /log\n\nUso:"},
        {L"/log /quiet", 1639, {}},
        // The backslash before the closing quote keeps the value open: it takes
        // /quiet and the log's path. Still quiet, and no log to write.
        {L"/dir \"" + base + L"\\Cat\\\" /quiet /log " + quoted_log(), 1639, {}},
        {L"/log " + quoted_log() + L" /LOG=\"" + base + L"\\altro.log\"", 1639,
         L"L'opzione /log è data due volte con valori diversi", DialogIcon::critical, L"due volte"},
        {L"/dir \"" + base + L"\\Non c'è\"", 1642, L"La cartella indicata con /dir non esiste: " + base + L"\\Non c'è"},
        {L"/?", 0, L"Uso: installa_patch.exe", DialogIcon::information},
        {L"/QB /help /log " + quoted_log(), 0, {}, {}, L"Uso: installa_patch.exe"},
        {L"/log \"" + base + L"\\Manca\\p.log\"", 1622, L"Impossibile creare il file di log " + base + L"\\Manca\\p.log"},
        {L"/quiet /log \"" + base + L"\\Manca\\p.log\"", 1622, {}},
        {L"/log R:\\patch7.log", 1622, L"Impossibile creare il file di log R:\\patch7.log"},
    };
    const Tree before = tree_of(install);
    for (const auto& row : rows) {
        SCOPED_TRACE(runtime::to_utf8(row.arguments));
        if (row.arguments.rfind(L"/log R:", 0) == 0 && !read_only_drive) continue;  // no read-only drive mounted
        fixture::remove_tree(log_file());
        const auto result = run_with(row.arguments);
        EXPECT_EQ(result.exit_code, row.exit_code);
        if (row.box.empty()) {
            expect_no_window(result);
        } else {
            ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
            EXPECT_EQ(result.dialogs[0].title, L"Dravimex");
            EXPECT_NE(result.dialogs[0].text.find(row.box), std::wstring::npos) << runtime::to_utf8(result.dialogs[0].text);
            EXPECT_EQ(result.dialogs[0].icon, row.icon);
        }
        if (!row.logged.empty()) expect_logged({row.logged, L"(codice di uscita " + std::to_wstring(row.exit_code) + L")"});
        else EXPECT_FALSE(exists(log_file()));
        EXPECT_FALSE(exists(base + L"\\Manca"));
        EXPECT_EQ(tree_of(install), before);
        EXPECT_TRUE(exists(archive));
    }
}

}  // namespace
}  // namespace e2e
