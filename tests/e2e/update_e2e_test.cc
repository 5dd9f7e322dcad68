// The catalogue update: the overwrite question, and the failures that must not
// leave the patch recorded as installed.
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
    /// The run ends with the failure message; the history is as it was, the
    /// archive is kept; then `mend` removes the cause and a second run installs.
    void expect_failure_then_success(const std::wstring& reason_part, const std::function<void()>& mend) {
        const std::string history = read_bytes(install + L"\\patch.txt");
        const std::string archive_bytes = read_bytes(archive);
        auto result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        EXPECT_EQ(result.dialogs[0].title, L"Dravimex");
        EXPECT_EQ(result.dialogs[0].icon, DialogIcon::critical);
        EXPECT_EQ(result.dialogs[0].text.rfind(L"La patch non è stata installata.", 0), 0u) << result.dialogs[0].text;
        EXPECT_NE(result.dialogs[0].text.find(reason_part), std::wstring::npos) << result.dialogs[0].text;
        EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history);
        EXPECT_EQ(read_bytes(archive), archive_bytes);

        mend();
        result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        EXPECT_EQ(result.dialogs[0].text, L"Patch installata con successo!");
        EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history + "7         " + today() + "\r\n");
        EXPECT_TRUE(exists(install + L"\\catalogo\\indice.htm"));
    }
};

TEST_F(FailedUpdate, ACorruptArchive) {
    fixture::write_file(archive, "PK\x03\x04 this is no archive");
    expect_failure_then_success(L"catalogo.zip", [&] { fixture::copy_into(delivery, {built_delivery() + L"\\catalogo.zip"}); });
}

TEST_F(FailedUpdate, ALibraryWithoutTheEntries) {
    fixture::write_file(delivery + L"\\UNZIP32.DLL", read_bytes(delivery + L"\\zip32.dll"));
    expect_failure_then_success(L"UzpVersion2", [&] { fixture::copy_into(delivery, {built_delivery() + L"\\UNZIP32.DLL"}); });
}

TEST_F(FailedUpdate, AReadOnlyDataFile) {
    fixture::write_file(install + L"\\catalogo\\protetto.htm", "read-only", {false, true});
    expect_failure_then_success(L"protetto.htm", [&] { fixture::set_attributes(install + L"\\catalogo\\protetto.htm", {}); });
}

}  // namespace
}  // namespace e2e
