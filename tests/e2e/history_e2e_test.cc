// The history check's refusals, as the user meets them: each leaves every file
// as it was (but for a history without records, which goes), and nothing of
// the update behind.
#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;

class HistoryRefusal : public InstallerTest {
protected:
    void expect_refusal(const std::wstring& message, unsigned long exit_code = 1642) {
        Tree before = tree_of(install);
        const auto result = run();
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        EXPECT_EQ(result.dialogs[0].title, L"Dravimex");
        EXPECT_EQ(result.dialogs[0].text, message);
        EXPECT_EQ(result.dialogs[0].icon, DialogIcon::information);
        EXPECT_EQ(result.exit_code, exit_code);
        Tree after = tree_of(install);
        before.erase(L"patch.txt");
        after.erase(L"patch.txt");
        EXPECT_EQ(after, before);
        EXPECT_TRUE(exists(archive));
    }
    const std::wstring predecessor = L"Non puoi installare questa patch perché devi prima installare la patch n. 6";
};

TEST_F(HistoryRefusal, AlreadyInstalled) {
    const std::string history = kHistory1To6 + "7         03/11/2026\r\n8         04/11/2026\r\n";
    fixture::write_file(install + L"\\patch.txt", history);
    expect_refusal(L"Hai già installato questa patch in data 03/11/2026", 1638);
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history);
}

TEST_F(HistoryRefusal, PredecessorMissing) {
    const std::string history = "1         01/02/2020\r\n5         01/06/2020\r\n";
    fixture::write_file(install + L"\\patch.txt", history);
    expect_refusal(predecessor);
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history);
}

TEST_F(HistoryRefusal, NoHistoryFile) {
    fixture::remove_tree(install + L"\\patch.txt");
    expect_refusal(predecessor);
    EXPECT_FALSE(exists(install + L"\\patch.txt"));
}

TEST_F(HistoryRefusal, AHistoryWithoutRecordsIsDeleted) {
    fixture::write_file(install + L"\\patch.txt", "\r\n\r\n");
    expect_refusal(predecessor);
    EXPECT_FALSE(exists(install + L"\\patch.txt"));
}

TEST_F(HistoryRefusal, ARecordThatIsNoNumberIsARunTimeError) {
    const std::string history = "sei       01/07/2020\r\n";
    fixture::write_file(install + L"\\patch.txt", history);
    const auto result = run();
    ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
    EXPECT_NE(result.dialogs[0].text.find(L"'13'"), std::wstring::npos) << result.dialogs[0].text;
    EXPECT_EQ(result.exit_code, 1603u);
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), history);
    EXPECT_FALSE(exists(install + L"\\patch7.journal"));
}

}  // namespace
}  // namespace e2e
