// The catalogue update: the overwrite question, and the failures that must not
// leave the patch recorded as installed.
#include <windows.h>

#include <functional>

#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;
namespace button = dialog_driver::button;

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

class FailedUpdate : public InstallerTest {
protected:
    /// The run ends with the failure message naming the cause, and leaves the
    /// installation folder and the archive exactly as they were; once `mend`
    /// removes the cause, a second run installs.
    void expect_failure_then_success(const std::wstring& cause, const std::function<void()>& mend) {
        const Tree before = tree_of(install);
        const std::string archive_bytes = read_bytes(archive);
        auto result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        const auto& box = result.dialogs[0];
        EXPECT_EQ(box.title, L"Dravimex");
        EXPECT_EQ(box.icon, DialogIcon::critical);
        EXPECT_EQ(box.text.rfind(L"La patch non è stata installata.", 0), 0u) << box.text;
        EXPECT_NE(box.text.find(cause), std::wstring::npos) << box.text;
        EXPECT_NE(box.text.find(L"Il catalogo e lo storico delle patch sono come prima"), std::wstring::npos);
        EXPECT_EQ(result.exit_code, 1603u);
        EXPECT_EQ(tree_of(install), before);
        EXPECT_EQ(read_bytes(archive), archive_bytes);

        mend();
        result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
        EXPECT_EQ(result.exit_code, 0u);
        EXPECT_EQ(tree_of(install), installed(before));
    }
    void restore_archive() { fixture::copy_into(delivery, {built_delivery() + L"\\catalogo.zip"}); }
};

TEST_F(FailedUpdate, ACorruptArchive) {
    fixture::write_file(archive, "PK\x03\x04 this is no archive");
    expect_failure_then_success(L"catalogo.zip è danneggiato", [&] { restore_archive(); });
}

TEST_F(FailedUpdate, ATruncatedArchive) {
    const std::string whole = read_bytes(archive);
    fixture::write_file(archive, whole.substr(0, whole.size() / 2));
    expect_failure_then_success(L"catalogo.zip è danneggiato", [&] { restore_archive(); });
}

TEST_F(FailedUpdate, ADamagedEntry) {
    // Bytes of one entry's compressed data turned over: that entry fails its check.
    std::string bytes = read_bytes(archive);
    const std::size_t name = bytes.find("catalogo/schede/scheda_150.htm");
    ASSERT_NE(name, std::string::npos);
    for (std::size_t i = name + 40; i < name + 50; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    fixture::write_file(archive, bytes);
    expect_failure_then_success(L"error: catalogo/schede/scheda_150.htm", [&] { restore_archive(); });
}

TEST_F(FailedUpdate, AMissingArchive) {
    fixture::remove_tree(archive);
    expect_failure_then_success(L"catalogo.zip non è stato trovato", [&] { restore_archive(); });
}

TEST_F(FailedUpdate, ALibraryWithoutTheEntries) {
    fixture::write_file(delivery + L"\\UNZIP32.DLL", read_bytes(delivery + L"\\zip32.dll"));
    expect_failure_then_success(L"UzpVersion2", [&] { fixture::copy_into(delivery, {built_delivery() + L"\\UNZIP32.DLL"}); });
}

TEST_F(FailedUpdate, AReadOnlyDataFile) {
    fixture::write_file(install + L"\\catalogo\\protetto.htm", "read-only", {false, true});
    expect_failure_then_success(L"protetto.htm è di sola lettura",
                                [&] { fixture::set_attributes(install + L"\\catalogo\\protetto.htm", {}); });
}

TEST_F(FailedUpdate, ADataFileHeldOpenByAnotherProgram) {
    const std::wstring held = install + L"\\catalogo\\schede\\vecchia.htm";
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    expect_failure_then_success(L"vecchia.htm è aperto in un altro programma", [&] { CloseHandle(file); });
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
    expect_failure_then_success(L"(Disk full.)", [&] { fixture::remove_tree(ballast.path()); });
}

/// The size of a file, read without opening it: the program may be replacing it.
long long size_of(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The installer killed at several moments of its run: the next run leaves the
// catalogue fully installed, with one record of the patch and nothing else.
TEST_F(InstallerTest, AnInterruptedRunIsCompletedByTheNextOne) {
    const std::wstring journal = install + L"\\patch7.journal";
    long long begun_size = -1;
    const std::wstring installed_message = L"Patch installata con successo!";
    const std::string date = today();
    const struct {
        const char* moment;
        dialog_driver::Policy policy;
        std::function<bool()> kill_when;
        std::size_t next_boxes;  // the overwrite question, then the outcome
        std::wstring next_message;
    } moments[] = {
        {"the journal written", dialog_driver::answer_default(), [&] { return exists(journal); }, 2,
         installed_message},
        {"during the extraction", dialog_driver::answer_default(),
         [&] { return exists(install + L"\\catalogo\\schede\\scheda_100.htm"); }, 2, installed_message},
        {"the overwrite question waiting", dialog_driver::answer_by_text({{L"Overwrite ", button::kill}}), nullptr, 2,
         installed_message},
        // The journal grows when it turns from "begun" to "committed"; the
        // many old files then being deleted give the kill time to land.
        {"after the extraction", dialog_driver::answer_default(),
         [&] {
             const long long now = size_of(journal);
             if (begun_size < 0) begun_size = now;
             return now > begun_size && begun_size > 0;
         },
         1, L"Hai già installato questa patch in data " + std::wstring(date.begin(), date.end())},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        TearDown();
        SetUp();
        fixture::write_file(install + L"\\progetto.htm", "the user's own page");
        if (m.next_boxes == 1)
            for (int n = 0; n < 2000; ++n)
                fixture::write_file(install + L"\\catalogo\\molti\\" + std::to_wstring(n) + L".htm", "old");
        const Tree before = tree_of(install);
        dialog_driver::DriveOptions options;
        options.kill_when = m.kill_when;
        const auto first = run(m.policy, options);
        EXPECT_TRUE(first.killed) << dialog_driver::transcript(first);

        const auto next = run();
        ASSERT_EQ(next.dialogs.size(), m.next_boxes) << dialog_driver::transcript(next);
        EXPECT_EQ(next.dialogs.back().text, m.next_message);
        EXPECT_EQ(tree_of(install), installed(before));
        EXPECT_FALSE(exists(archive));
    }
}

}  // namespace
}  // namespace e2e
