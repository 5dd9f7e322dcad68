// The catalogue update: the overwrite question, and the failures that must not
// leave the patch recorded as installed.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/update_journal.h"
#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;
namespace button = dialog_driver::button;

/// A file's owner, group, access list and last write time, as text.
std::wstring security_and_time_of(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return L"(missing)";
    return fixture::security_of(path) + L" written " + std::to_wstring(data.ftLastWriteTime.dwHighDateTime) + L":" +
           std::to_wstring(data.ftLastWriteTime.dwLowDateTime);
}

class Update : public InstallerTest {
protected:
    /// A file of the archive that the installation already holds.
    const std::wstring existing() const { return install + L"\\progetto.htm"; }
    void SetUp() override {
        InstallerTest::SetUp();
        fixture::write_file(existing(), "the user's own page");
    }
    void expect_question(const dialog_driver::DialogSeen& box) {
        EXPECT_EQ(box.title, L"VBUnzip - File already exists");
        EXPECT_EQ(box.text.rfind(L"Overwrite ", 0), 0u) << box.text;
        EXPECT_NE(box.text.find(L"progetto.htm?"), std::wstring::npos) << box.text;
        EXPECT_EQ(box.icon, DialogIcon::none);
        ASSERT_EQ(box.buttons.size(), 3u);
        for (const auto& b : box.buttons) EXPECT_EQ(b.is_default, b.id == button::yes);
    }
    std::string history_after() const { return kHistory1To6 + "7         " + today() + "\r\n"; }
};

TEST_F(Update, OverwriteAnsweredYesReplacesTheFile) {
    const auto result = run(dialog_driver::answer_in_order({button::yes}));
    ASSERT_EQ(result.dialogs.size(), 2u) << dialog_driver::transcript(result);
    expect_question(result.dialogs[0]);
    EXPECT_EQ(result.dialogs[1].text, L"Patch installata con successo!");
    EXPECT_EQ(read_bytes(existing()), read_bytes(expected_tree() + L"\\progetto.htm"));
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history_after());
}

TEST_F(Update, OverwriteAnsweredNoOrCancelKeepsTheFile) {
    for (const int answer : {button::no, button::cancel, button::close}) {
        fixture::write_file(install + L"\\patch.txt", kHistory1To6);
        fixture::copy_into(delivery, {built_delivery() + L"\\catalogo.zip"});
        const auto result = run(dialog_driver::answer_in_order({answer}));
        ASSERT_EQ(result.dialogs.size(), 2u) << dialog_driver::transcript(result);
        expect_question(result.dialogs[0]);
        EXPECT_EQ(result.dialogs[1].text, L"Patch installata con successo!");
        EXPECT_EQ(read_bytes(existing()), "the user's own page");
        EXPECT_TRUE(exists(install + L"\\catalogo\\indice.htm"));
        EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history_after());
    }
}

// An old file that another program opens once it is set aside: the patch is
// installed, the cleanup stays in the journal, and the next start finishes it.
TEST_F(Update, ACleanupThatCannotFinishIsFinishedByTheNextStart) {
    const Tree before = tree_of(install);
    HANDLE held = INVALID_HANDLE_VALUE;
    dialog_driver::DriveOptions hold_an_old_file;
    hold_an_old_file.kill_when = [&] {
        if (held == INVALID_HANDLE_VALUE)
            held = CreateFileW((install + L"\\catalogo.prima-della-patch-7\\vecchio.htm").c_str(), GENERIC_READ, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        return false;
    };
    auto result = run(dialog_driver::answer_default(), hold_an_old_file);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CloseHandle(held);
    ASSERT_EQ(result.dialogs.size(), 3u) << dialog_driver::transcript(result);
    EXPECT_NE(result.dialogs[1].text.find(L"la pulizia non è finita"), std::wstring::npos) << result.dialogs[1].text;
    EXPECT_EQ(result.dialogs[2].text, L"Patch installata con successo!");
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_TRUE(exists(install + L"\\patch7.journal"));

    result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_EQ(result.dialogs[0].text.rfind(L"Hai già installato questa patch", 0), 0u);
    EXPECT_EQ(tree_of(install), installed(before));
}

class FailedUpdate : public InstallerTest {
protected:
    struct Fault {
        std::wstring cause;  ///< in the failure message
        std::function<void()> mend;
        /// Answers the failing run's boxes, and may act while they wait.
        dialog_driver::Policy policy = dialog_driver::answer_default();
        /// What another program saves during the failing run: it stays.
        Tree saved = {};
        /// The archive's content once mended, extracted by another tool.
        std::wstring reference = expected_tree();
        /// The rollback itself stops part-way: the message says where things
        /// are, and the history no longer records the patch.
        bool rollback_stops = false;
        dialog_driver::DriveOptions options = {};
    };
    /// The run ends with the failure message naming the cause, and leaves the
    /// installation folder as it was (but for what others saved meanwhile) and
    /// the archive; once `mend` removes the cause, a second run installs.
    void expect(const Fault& fault) {
        const Tree before = tree_of(install);
        const std::string archive_bytes = read_bytes(archive);
        auto result = run(fault.policy, fault.options);
        ASSERT_FALSE(result.dialogs.empty());
        for (std::size_t i = 0; i + 1 < result.dialogs.size(); ++i)
            EXPECT_EQ(result.dialogs[i].title, L"VBUnzip - File already exists") << dialog_driver::transcript(result);
        const auto& box = result.dialogs.back();
        EXPECT_EQ(box.title, L"Dravimex");
        EXPECT_EQ(box.icon, DialogIcon::critical);
        EXPECT_EQ(box.text.rfind(L"La patch non è stata installata.", 0), 0u) << box.text;
        EXPECT_NE(box.text.find(fault.cause), std::wstring::npos) << box.text;
        EXPECT_EQ(result.exit_code, 1603u);
        EXPECT_EQ(read_bytes(archive), archive_bytes);
        if (fault.rollback_stops) {
            EXPECT_NE(box.text.find(L"Non è stato possibile ripristinare il catalogo"), std::wstring::npos) << box.text;
            EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6);
        } else {
            EXPECT_NE(box.text.find(L"Il catalogo e lo storico delle patch sono come prima"), std::wstring::npos);
            Tree expected = before;
            expected.insert(fault.saved.begin(), fault.saved.end());
            EXPECT_EQ(tree_of(install), expected);
        }

        fault.mend();
        result = run();
        ASSERT_FALSE(result.dialogs.empty());
        EXPECT_EQ(result.dialogs.back().text, L"Patch installata con successo!") << dialog_driver::transcript(result);
        EXPECT_EQ(result.exit_code, 0u);
        Tree with_saved = before;
        with_saved.insert(fault.saved.begin(), fault.saved.end());
        EXPECT_EQ(tree_of(install), installed(with_saved, fault.reference));
    }
    void restore_archive() { fixture::copy_into(delivery, {built_delivery() + L"\\catalogo.zip"}); }
    /// The long archive in the delivery, one entry's data turned over when
    /// `damaged` names it: that entry fails its check.
    void deliver_long_archive(const char* damaged = nullptr) {
        std::string bytes = read_bytes(test_archive(L"lungo.zip"));
        if (damaged) {
            const std::size_t name = bytes.find(damaged);
            ASSERT_NE(name, std::string::npos);
            for (std::size_t i = name + 40; i < name + 50; ++i) bytes[i] = static_cast<char>(~bytes[i]);
        }
        fixture::write_file(archive, bytes);
    }
};

TEST_F(FailedUpdate, ACorruptArchive) {
    fixture::write_file(archive, "PK\x03\x04 this is no archive");
    expect({L"catalogo.zip è danneggiato", [&] { restore_archive(); }});
}

TEST_F(FailedUpdate, ATruncatedArchive) {
    const std::string whole = read_bytes(archive);
    fixture::write_file(archive, whole.substr(0, whole.size() / 2));
    expect({L"catalogo.zip è danneggiato", [&] { restore_archive(); }});
}

TEST_F(FailedUpdate, ADamagedEntry) {
    // Bytes of one entry's compressed data turned over: that entry fails its check.
    std::string bytes = read_bytes(archive);
    const std::size_t name = bytes.find("catalogo/schede/scheda_150.htm");
    ASSERT_NE(name, std::string::npos);
    for (std::size_t i = name + 40; i < name + 50; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    fixture::write_file(archive, bytes);
    expect({L"error: catalogo/schede/scheda_150.htm", [&] { restore_archive(); }});
}

TEST_F(FailedUpdate, AMissingArchive) {
    fixture::remove_tree(archive);
    expect({L"catalogo.zip non è stato trovato", [&] { restore_archive(); }});
}

// The operator zipped the data folder's content instead of the folder.
TEST_F(FailedUpdate, AnArchiveWithoutTheDataFolder) {
    fixture::write_file(archive, read_bytes(test_archive(L"senza_catalogo.zip")));
    expect({L"non contiene la cartella catalogo", [&] { restore_archive(); }});
}

// Another name of the folder the old data is set aside in: extracted there, it
// would overwrite the old data that a rollback puts back.
TEST_F(FailedUpdate, AShortNameOfTheUpdatesOwnFolder) {
    const fixture::ScopedTree probe(base + L"\\nomi\\catalogo.prima-della-patch-7");
    fixture::create_folder(probe.path());
    wchar_t short_name[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(probe.path().c_str(), short_name, MAX_PATH), 0u);
    const std::wstring alias(short_name);
    ASSERT_EQ(alias.substr(alias.rfind(L'\\') + 1), L"CATA~XO3.PRI") << "the archive's name is no alias here";
    fixture::write_file(archive, read_bytes(test_archive(L"nome_breve.zip")));
    expect({L"CATA~XO3.PRI\\vecchio.htm, che l'installazione non può sostituire", [&] { restore_archive(); }});
}

TEST_F(FailedUpdate, ADevicesName) {
    fixture::write_file(archive, read_bytes(test_archive(L"dispositivo.zip")));
    expect({L"aux.txt, che in Windows è il nome di un dispositivo", [&] { restore_archive(); }});
}

// The data folder is a link to data kept elsewhere: nothing there is moved or
// deleted, and the link stays until someone replaces it.
TEST_F(FailedUpdate, ADataFolderThatIsALink) {
    const std::wstring elsewhere = base + L"\\Altrove\\catalogo";
    fixture::write_file(elsewhere + L"\\dati.htm", "data kept elsewhere");
    fixture::remove_tree(install + L"\\catalogo");
    fixture::link_folder(install + L"\\catalogo", elsewhere);
    expect({L"è un collegamento a un'altra cartella", [&] { fixture::remove_link(install + L"\\catalogo"); }});
    EXPECT_EQ(tree_of(base + L"\\Altrove"), (Tree{{L"catalogo", "<folder>"}, {L"catalogo\\dati.htm", "data kept elsewhere"}}));
}

TEST_F(FailedUpdate, ALibraryWithoutTheEntries) {
    fixture::write_file(delivery + L"\\UNZIP32.DLL", read_bytes(delivery + L"\\zip32.dll"));
    expect({L"UzpVersion2", [&] { fixture::copy_into(delivery, {built_delivery() + L"\\UNZIP32.DLL"}); }});
}

TEST_F(FailedUpdate, AReadOnlyDataFile) {
    fixture::write_file(install + L"\\catalogo\\protetto.htm", "read-only", {false, true});
    expect({L"protetto.htm è di sola lettura",
            [&] { fixture::set_attributes(install + L"\\catalogo\\protetto.htm", {}); }});
}

TEST_F(FailedUpdate, ADataFileHeldOpenByAnotherProgram) {
    const std::wstring held = install + L"\\catalogo\\schede\\vecchia.htm";
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    expect({L"vecchia.htm è aperto in un altro programma", [&] { CloseHandle(file); }});
}

// While the overwrite question waits, the user saves files in the
// installation folder; the page beside the data is replaced (Yes); then an
// entry fails. The page gets its old bytes back, its access list and its
// last write time with them; the saved files stay.
TEST_F(FailedUpdate, FilesSavedMeanwhileAndAFileReplacedSurviveAFailure) {
    const std::wstring page = install + L"\\progetto.htm";
    fixture::write_file(page, "the user's own page");
    fixture::make_private(page);
    const std::wstring kept = security_and_time_of(page);
    deliver_long_archive("catalogo/zz_ultima.htm");
    const Tree saved = {{L"ordine_cliente.txt", "order"},
                        {L"Esportazioni", "<folder>"},
                        {L"Esportazioni\\listino.csv", "price list"}};
    const auto save_then_yes = [&](const dialog_driver::DialogSeen& box) {
        if (box.title != L"VBUnzip - File already exists") return dialog_driver::default_answer(box);
        fixture::write_file(install + L"\\ordine_cliente.txt", "order");
        fixture::write_file(install + L"\\Esportazioni\\listino.csv", "price list");
        return button::yes;
    };
    expect({L"error: catalogo/zz_ultima.htm",
            [&] {
                EXPECT_EQ(security_and_time_of(page), kept);
                deliver_long_archive();
            },
            save_then_yes, saved, long_archive_tree()});
}

// A new data file held open by another program (an antivirus) when the
// failure comes: the rollback stops at the data, after the history.
TEST_F(FailedUpdate, ARollbackThatCannotRemoveTheNewData) {
    deliver_long_archive("catalogo/zz_ultima.htm");
    HANDLE held = INVALID_HANDLE_VALUE;
    dialog_driver::DriveOptions hold_a_new_file;
    hold_a_new_file.kill_when = [&] {
        // Once the library has let go of it; the run goes on.
        if (held == INVALID_HANDLE_VALUE)
            held = CreateFileW((install + L"\\catalogo\\indice.htm").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        return false;
    };
    expect({L"error: catalogo/zz_ultima.htm",
            [&] {
                EXPECT_NE(held, INVALID_HANDLE_VALUE);
                CloseHandle(held);
                deliver_long_archive();
            },
            dialog_driver::answer_default(), {}, long_archive_tree(), true, hold_a_new_file});
}

TEST_F(FailedUpdate, AFullDisk) {
    // The catalogue on the small drive, filled but for room enough for the
    // journal and the record, not for the new data.
    if (!exists(L"T:\\")) GTEST_SKIP() << "no small drive T: (mounting one needs root)";
    const fixture::ScopedTree on_small_drive(L"T:\\Catalogo");
    install = on_small_drive.path();
    fixture::lay_out_installation({install, kHistory1To6, {{L"vecchio.htm", "old page"}}, true, {}});
    set_working_folder(install);
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"T:\\", &free, nullptr, nullptr));
    const fixture::ScopedTree ballast(L"T:\\zavorra.bin");
    fixture::write_file(ballast.path(), std::string(static_cast<std::size_t>(free.QuadPart) - 64 * 1024, 'z'));
    expect({L"(Disk full.)", [&] { fixture::remove_tree(ballast.path()); }});
}

/// The size of a file, read without opening it: the program may be replacing it.
long long size_of(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The installer killed at several moments of its run: the next run leaves the
// catalogue fully installed, with one record of the patch and nothing else
// of the killed run, whatever it is answered; a next run that fails leaves
// all as it was before the killed one.
TEST_F(InstallerTest, AnInterruptedRunIsCompletedByTheNextOne) {
    const std::wstring journal = install + L"\\patch7.journal";
    const std::wstring manual = install + L"\\manuale.bin";
    const std::wstring installed_message = L"Patch installata con successo!";
    const std::string date = today();
    const std::string old_manual = "the manual of the catalogue before the patch";
    // The kill lands once the file exists; the row counts when it was still
    // being written then, and is run again otherwise.
    const auto incomplete = [](const std::wstring& file) { return size_of(file) >= 0 && size_of(file) < (24 << 20); };
    const auto writing = [](const std::wstring& file) { return [file] { return size_of(file) >= 0; }; };
    const auto keeping = [&](std::vector<std::wstring> kept) {
        return [this, kept](const Tree& before) {
            Tree after = installed(before, long_archive_tree());
            for (const auto& path : kept) after[path] = before.at(path);
            return after;
        };
    };
    const auto as_before = [](const Tree& before) { return before; };
    const auto fully_installed = [this](const Tree& before) { return installed(before); };
    const auto no_archive = [&] { fixture::remove_tree(archive); };
    const auto extracting = [&] { return exists(install + L"\\catalogo\\schede\\scheda_100.htm"); };
    // What a rollback of an earlier release left when it was cut short while
    // it wrote patch.txt back in place: the journal holds the bytes.
    const auto history_left = [&](std::string bytes) {
        return [this, bytes] { fixture::write_file(install + L"\\patch.txt", bytes); };
    };
    const struct {
        const char* moment;
        bool long_archive = false;
        bool old_manual_there = false;
        dialog_driver::Policy policy = dialog_driver::answer_default();
        std::function<bool()> kill_when = nullptr;
        dialog_driver::Policy next_policy = dialog_driver::answer_default();
        std::function<void()> before_next = [] {};
        std::wstring next_message = L"Patch installata con successo!";
        std::function<Tree(const Tree&)> next_tree = nullptr;
    } moments[] = {
        {"the journal written", false, false, dialog_driver::answer_default(), [&] { return exists(journal); }},
        {"during the extraction", false, false, dialog_driver::answer_default(), extracting},
        {"during the extraction, then patch.txt emptied by a rollback", false, false, dialog_driver::answer_default(),
         extracting, dialog_driver::answer_default(), history_left("")},
        {"during the extraction, then part of patch.txt written back", false, false, dialog_driver::answer_default(),
         extracting, dialog_driver::answer_default(), history_left(kHistory1To6.substr(0, 30))},
        {"during the extraction, then patch.txt's room written, not its bytes", false, false,
         dialog_driver::answer_default(), extracting, dialog_driver::answer_default(),
         history_left(std::string(kHistory1To6.size(), '\0'))},
        {"the overwrite question waiting", false, false,
         dialog_driver::answer_by_text({{L"Overwrite ", button::kill}})},
        // The many old files then being deleted give the kill time to land.
        {"after the commit", false, false, dialog_driver::answer_default(),
         [&] { return read_shared(journal).find("state: committed") != std::string::npos; },
         dialog_driver::answer_default(), [] {},
         L"Hai già installato questa patch in data " + std::wstring(date.begin(), date.end())},
        {"writing a new file beside the data, then No", true, false, dialog_driver::answer_default(), writing(manual),
         dialog_driver::answer_always(button::no), [] {}, installed_message, keeping({L"progetto.htm"})},
        {"replacing a file beside the data, then No", true, true, dialog_driver::answer_default(),
         writing(install + L"\\.manuale.bin.uz-tmp"), dialog_driver::answer_always(button::no), [] {},
         installed_message, keeping({L"progetto.htm", L"manuale.bin"})},
        {"writing a new file beside the data, then a failure", true, false, dialog_driver::answer_default(),
         writing(manual), dialog_driver::answer_default(), no_archive, L"catalogo.zip non è stato trovato", as_before},
        {"replacing a file beside the data, then a failure", true, true, dialog_driver::answer_default(),
         writing(install + L"\\.manuale.bin.uz-tmp"), dialog_driver::answer_default(), no_archive,
         L"catalogo.zip non è stato trovato", as_before},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        const std::wstring being_written = m.old_manual_there ? install + L"\\.manuale.bin.uz-tmp" : manual;
        Tree before;
        for (int attempt = 1;; ++attempt) {
            TearDown();
            SetUp();
            fixture::write_file(install + L"\\progetto.htm", "the user's own page");
            if (m.old_manual_there) fixture::write_file(manual, old_manual);
            if (m.long_archive) fixture::write_file(archive, read_bytes(test_archive(L"lungo.zip")));
            if (m.next_message.rfind(L"Hai già", 0) == 0)
                for (int n = 0; n < 2000; ++n)
                    fixture::write_file(install + L"\\catalogo\\molti\\" + std::to_wstring(n) + L".htm", "old");
            before = tree_of(install);
            dialog_driver::DriveOptions options;
            options.kill_when = m.kill_when;
            const auto first = run(m.policy, options);
            ASSERT_TRUE(first.killed) << dialog_driver::transcript(first);
            if (!m.long_archive || incomplete(being_written)) break;
            ASSERT_LT(attempt, 10) << "the kill never landed while the file was written";
        }

        m.before_next();
        const auto next = run(m.next_policy);
        ASSERT_FALSE(next.dialogs.empty());
        EXPECT_NE(next.dialogs.back().text.find(m.next_message), std::wstring::npos)
            << dialog_driver::transcript(next);
        EXPECT_EQ(tree_of(install), m.next_tree ? m.next_tree(before) : fully_installed(before));
        EXPECT_FALSE(exists(archive));
    }
}

// A journal left by a killed run, then damaged, cut short, or changed to name
// what the installer does not write or a history that is not patch.txt's:
// nothing is done on its word, and the message says what is where. The
// journal as it was then completes the run.
TEST_F(InstallerTest, AJournalThatCannotBeTrustedChangesNothing) {
    using catalogue_update::Journal;
    const std::wstring journal = install + L"\\patch7.journal";
    const Tree before = tree_of(install);
    dialog_driver::DriveOptions options;
    options.kill_when = [&] { return exists(install + L"\\catalogo\\schede\\scheda_100.htm"); };
    ASSERT_TRUE(run(dialog_driver::answer_default(), options).killed);
    const std::string left = read_bytes(journal);
    const auto parsed = Journal::parse(left);
    ASSERT_TRUE(parsed);
    const auto changed = [&](const std::function<void(Journal&)>& change) {
        Journal j = *parsed;
        change(j);
        return j.serialize();
    };
    std::string garbled = left;
    garbled[left.size() / 2] ^= 0x20;
    fixture::write_file(base + L"\\Qualcosa\\dato.txt", "not the installer's");
    const struct {
        const char* journal;
        std::string bytes;
    } journals[] = {
        {"empty", ""},
        {"cut short", left.substr(0, left.size() / 2)},
        {"garbled", garbled},
        {"a set-aside folder outside", changed([](Journal& j) { j.set_aside = L"..\\Qualcosa"; })},
        {"a file outside",
         changed([](Journal& j) { j.written.push_back({catalogue_update::Written::Kind::new_file, L"..\\Qualcosa\\dato.txt"}); })},
        {"another history", changed([](Journal& j) { j.history = "6         01/07/2020\r\n"; })},
        {"a short name of the set-aside folder",
         changed([](Journal& j) { j.written.push_back({catalogue_update::Written::Kind::new_file, L"CATA~XO3.PRI\\vecchio.htm"}); })},
        {"a device", changed([](Journal& j) { j.written.push_back({catalogue_update::Written::Kind::new_file, L"NUL"}); })},
    };
    for (const auto& j : journals) {
        SCOPED_TRACE(j.journal);
        fixture::write_file(journal, j.bytes);
        const Tree left_behind = tree_of(install);
        const auto result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        const std::wstring& text = result.dialogs[0].text;
        EXPECT_NE(text.find(L"è danneggiato o non corrisponde al catalogo"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"patch.txt registra la patch 7"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"La cartella " + install + L"\\catalogo.prima-della-patch-7 contiene"), std::wstring::npos)
            << text;
        // The journal may hold the only copy of the old history.
        EXPECT_NE(text.find(L"spostare il file " + journal + L" in un'altra cartella, senza eliminarlo"),
                  std::wstring::npos) << text;
        EXPECT_EQ(result.exit_code, 1603u);
        EXPECT_EQ(tree_of(install), left_behind);
        EXPECT_EQ(read_bytes(base + L"\\Qualcosa\\dato.txt"), "not the installer's");
    }
    // Held by a run elsewhere (another session, another machine over a share).
    fixture::write_file(journal, left);
    const Tree held = tree_of(install);
    HANDLE other_run = CreateFileW(journal.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other_run, INVALID_HANDLE_VALUE);
    auto second = run();
    CloseHandle(other_run);
    ASSERT_EQ(second.dialogs.size(), 1u) << dialog_driver::transcript(second);
    EXPECT_EQ(second.dialogs[0].text, L"L'installazione di questa patch è già in corso.");
    EXPECT_EQ(second.exit_code, 1618u);
    EXPECT_EQ(tree_of(install), held);

    const auto result = run();
    ASSERT_FALSE(result.dialogs.empty());
    EXPECT_EQ(result.dialogs.back().text, L"Patch installata con successo!") << dialog_driver::transcript(result);
    EXPECT_EQ(tree_of(install), installed(before));
}

// A run cut short while it wrote its journal leaves the bytes under a name of
// its own; the next start removes them, but not those a run at work holds.
TEST_F(InstallerTest, AJournalCutShortWhileWrittenIsRemovedByTheNextStart) {
    const std::wstring journal = install + L"\\patch7.journal";
    fixture::write_file(journal + L".1.tmp", "Varenkor Catalogo, patch 7: aggior");
    fixture::write_file(journal + L".2.tmp", "Varenkor Catalogo, patch 7: aggiornamento in corso\r\nstate: begun");
    Tree expected = installed(tree_of(install));
    expected.erase(L"patch7.journal.1.tmp");
    HANDLE other_run = CreateFileW((journal + L".2.tmp").c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other_run, INVALID_HANDLE_VALUE);
    const auto result = run();
    CloseHandle(other_run);
    ASSERT_FALSE(result.dialogs.empty());
    EXPECT_EQ(result.dialogs.back().text, L"Patch installata con successo!") << dialog_driver::transcript(result);
    EXPECT_EQ(tree_of(install), expected);
}

}  // namespace
}  // namespace e2e
