// The history check with the system's own number conversion and date, on real
// files: what the catalogue's machine will do.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/clock-win32.h"
#include "runtime/text.h"
#include "tests/fakes/fakes.h"

namespace {

class HistoryOnWindows : public ::testing::Test {
protected:
    fakes::FakeOs fake;
    platform::Win32Clock clock;
    runtime::Os os{fake.dialogs, fake.events, fake.files, fake.shell, clock, fake.unzip, fake.toolkits};
    Form1 form{os};
    std::wstring file = fake.files.root() + L"\\patch.txt";
};

TEST_F(HistoryOnWindows, RecordsThePatchWithTheUserShortDate) {
    const std::string history = "1         01/01/2026\r\n         6 \xE9t\xE9\r\n";
    fake.files.put(file, history);
    form.controlla_file(file, 7);
    fake.files.append_file(file, form.riga_della_patch(file, 7));
    EXPECT_EQ(fake.files.get(file), history + "7         " + runtime::to_ansi(clock.short_date_today()) + "\r\n");
}

// "7,4" is seventy-four where the comma groups thousands, and 7 where it is
// the decimal separator: there the patch counts as installed already.
TEST_F(HistoryOnWindows, ReadsTheNumberColumnInTheUserLocale) {
    const std::string history = "6         x\r\n7,4       gi\xE0\r\n";
    fake.files.put(file, history);
    if (PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_ITALIAN) {
        EXPECT_THROW(form.controlla_file(file, 7), runtime::EndProgram);
        ASSERT_EQ(fake.dialogs.shown.size(), 1u);
        EXPECT_EQ(fake.dialogs.shown[0].prompt, L"Hai già installato questa patch in data già");
        EXPECT_EQ(fake.files.get(file), history);
    } else {
        form.controlla_file(file, 7);
        fake.files.append_file(file, form.riga_della_patch(file, 7));
        EXPECT_TRUE(fake.dialogs.shown.empty());
        EXPECT_EQ(fake.files.get(file),
                  history + "7         " + runtime::to_ansi(clock.short_date_today()) + "\r\n");
    }
}

}  // namespace
