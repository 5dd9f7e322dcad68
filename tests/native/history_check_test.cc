// Form1::controlla_file against the fakes, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "history/module2.h"
#include "tests/fakes/fakes.h"
#include "tests/fakes/same_text.h"

namespace {

using fakes::same_text;

const std::wstring kPredecessor =
    L"Non puoi installare questa patch perché devi prima installare la patch n. ";
const std::wstring kAlreadyInstalled = L"Hai già installato questa patch in data ";

// One line as the catalogue writes it.
std::string rec(std::string number, const std::string& date) {
    number.resize(10, ' ');
    return number + date + "\r\n";
}

// Records 1..n, each installed on the first of its month.
std::string records_up_to(int last) {
    std::string bytes;
    for (int n = 1; n <= last; ++n) bytes += rec(std::to_string(n), "01/0" + std::to_string(n) + "/2026");
    return bytes;
}

// A literal with its NUL bytes.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

const std::string kToday = rec("7", "07/12/2026");  // what the fake clock makes of today

enum class Ends { returned, program_ended, run_time_error };

// A history file (or none) in a fresh temporary folder, and the check of it.
struct Scene {
    Scene() = default;
    explicit Scene(const std::string& history, int attributes = 0) {
        fake.files.put(file, history);
        fake.files.set_attributes(file, attributes);
    }
    Ends check(std::int16_t versione = 7) {
        try {
            form.controlla_file(file, versione);
            fake.files.append_file(file, form.riga_della_patch(file, versione));
            return Ends::returned;
        } catch (const runtime::EndProgram&) {
            return Ends::program_ended;
        } catch (const runtime::RunTimeError& e) {
            error = e;
            return Ends::run_time_error;
        }
    }
    std::vector<std::wstring> prompts() const {
        std::vector<std::wstring> texts;
        for (const auto& shown : fake.dialogs.shown) texts.push_back(shown.prompt);
        return texts;
    }
    std::string content() const { return fake.files.get(file); }
    bool was_read() const {
        return std::any_of(fake.files.log.begin(), fake.files.log.end(),
                           [](const std::wstring& entry) { return entry.starts_with(L"read_file"); });
    }

    fakes::FakeOs fake;
    Form1 form{fake.os};
    std::wstring file = fake.files.root() + L"\\patch.txt";
    std::optional<runtime::RunTimeError> error;
};

TEST(ControllaFile, DecidesOnTheRecordsInFileOrder) {
    const struct {
        const char* what;
        std::string history;
        std::wstring message;  // empty: the patch is recorded
    } cases[] = {
        {"records 1 to 6", records_up_to(6), L""},
        {"gaps before the last record", rec("1", "a") + rec("2", "b") + rec("3", "c") + rec("6", "d"), L""},
        {"a later patch last, 7 missing", records_up_to(6) + rec("8", "01/08/2026"), L""},
        {"right-aligned numbers", rec("         5", "x") + rec("         6", "y"), L""},
        {"empty lines between records", "\r\n" + rec("5", "x") + "\r\n\r\n" + rec("6", "y") + "\r\n", L""},
        {"lines ended by CR alone", "5         x\r6         y\r", L""},
        {"a fraction rounding to 6", rec("6.5", "x"), L""},
        {"7 among the records", records_up_to(3) + rec("7", "15/03/2026") + rec("6", "y"),
         kAlreadyInstalled + L"15/03/2026"},
        {"two records of 7: the first decides", rec("7", "01/01/2026") + rec("7", "02/02/2026"),
         kAlreadyInstalled + L"01/01/2026"},
        {"7 written as a fraction", rec("7.4", " 3/3/2026 "), kAlreadyInstalled + L"3/3/2026"},
        {"a record of the single character 7", "7\r\n", kAlreadyInstalled},
        {"a date longer than 10 characters", rec("7", "01/06/2026 ore 10:30"), kAlreadyInstalled + L"01/06/2026"},
        {"accents in the date", rec("7", "1 ago \xE8 \x80"), kAlreadyInstalled + L"1 ago è €"},
        {"a word after the matching record", rec("7", "x") + rec("sei", "y"), kAlreadyInstalled + L"x"},
        {"no record of 6, the last is 5", records_up_to(5), kPredecessor + L"6"},
        {"6 followed by 2: the last counts", rec("6", "x") + rec("2", "y"), kPredecessor + L"6"},
        {"lines ended by LF alone read as one",
         "1         a\n2         b\n3         c\n4         d\n5         e\n6         f\n", kPredecessor + L"6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(c.history);
        const Ends ends = scene.check();
        if (c.message.empty()) {
            EXPECT_EQ(ends, Ends::returned);
            EXPECT_TRUE(scene.fake.dialogs.shown.empty());
            EXPECT_EQ(scene.content(), c.history + kToday);
        } else {
            EXPECT_EQ(ends, Ends::program_ended);
            ASSERT_EQ(scene.prompts(), std::vector<std::wstring>{c.message});
            EXPECT_EQ(scene.fake.dialogs.shown[0].style, runtime::msgbox::ok_only | runtime::msgbox::information);
            EXPECT_EQ(scene.fake.dialogs.shown[0].title, L"Dravimex");
            EXPECT_EQ(scene.content(), c.history);
        }
    }
}

TEST(ControllaFile, WritesTheNumberPaddedTo10AndTodayInTheAnsiCodePage) {
    Scene scene(rec("9", "x"));
    scene.fake.clock.today = L"7 dicembre, lunedì";
    EXPECT_EQ(scene.check(10), Ends::returned);
    EXPECT_EQ(scene.content(), rec("9", "x") + rec("10", "7 dicembre, luned\xEC"));
}

TEST(ControllaFile, UnconvertibleNumbersRaiseTheirErrorNamingTheFile) {
    const struct {
        const char* what;
        std::string history;
        int number;
    } cases[] = {
        {"a number column of spaces", rec("", "x") + rec("7", "y"), 13},
        {"a word", rec("sei", "x") + rec("6", "y"), 13},
        {"a word as the last record", rec("6", "x") + rec("dopo", "y"), 13},
        {"a number beyond 16 bits", rec("40000", "x") + rec("7", "y"), 6},
        {"binary garbage", bytes("\x01\xFF\x90\x00\x7F garbage\x1A\n\x02"), 13},
        {"NUL bytes", std::string(40, '\0'), 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(c.history);
        ASSERT_EQ(scene.check(), Ends::run_time_error);
        EXPECT_EQ(scene.error->number(), c.number) << scene.error->what();
        EXPECT_NE(scene.error->description().find(scene.file), std::wstring::npos) << scene.error->what();
        EXPECT_TRUE(scene.fake.dialogs.shown.empty());
        EXPECT_EQ(scene.content(), c.history);
    }
}

TEST(ControllaFile, AMissingHiddenOrSystemHistoryOrAFolderIsRefusedUntouched) {
    Scene missing;
    EXPECT_EQ(missing.check(), Ends::program_ended);
    EXPECT_EQ(missing.prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_FALSE(missing.fake.files.exists(missing.file));
    EXPECT_FALSE(missing.was_read());

    for (const int attributes : {runtime::attribute::hidden, runtime::attribute::system}) {
        Scene scene(records_up_to(6), attributes);
        EXPECT_EQ(scene.check(), Ends::program_ended);
        EXPECT_EQ(scene.prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
        EXPECT_EQ(scene.content(), records_up_to(6));
    }

    Scene folder;
    folder.fake.files.make_folders(folder.file);
    EXPECT_EQ(folder.check(), Ends::program_ended);
    EXPECT_EQ(folder.prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_FALSE(folder.was_read());
}

TEST(ControllaFile, AHistoryWithoutRecordsIsRefusedThenDeleted) {
    for (const std::string history : {"", "\r\n", "\r\n\r\n\r"}) {
        Scene scene(history);
        EXPECT_EQ(scene.check(), Ends::program_ended);
        EXPECT_EQ(scene.prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
        EXPECT_FALSE(scene.fake.files.exists(scene.file));
    }
    // The message comes first: a file that cannot go raises its error after it.
    Scene read_only("\r\n", runtime::attribute::read_only);
    EXPECT_EQ(read_only.check(), Ends::run_time_error);
    EXPECT_EQ(read_only.error->number(), runtime::error_number::permission_denied);
    EXPECT_EQ(read_only.prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_EQ(read_only.content(), "\r\n");
}

TEST(ControllaFile, FailuresToReadOrAppendLeaveTheFileAsItWas) {
    const struct {
        const char* what;
        int attributes;
        const char* failing_operation;  // nullptr: none
    } cases[] = {
        {"read-only", runtime::attribute::read_only, nullptr},
        {"locked for reading", 0, "read_file"},
        {"locked for writing", 0, "append_file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(records_up_to(6), c.attributes);
        if (c.failing_operation) scene.fake.files.fail(c.failing_operation, scene.file);
        ASSERT_EQ(scene.check(), Ends::run_time_error);
        EXPECT_NE(scene.error->description().find(scene.file), std::wstring::npos) << scene.error->what();
        EXPECT_TRUE(scene.fake.dialogs.shown.empty());
        EXPECT_EQ(scene.content(), records_up_to(6));
    }
}

TEST(ControllaFile, FillsTheHistoryListAnewWithOneElementPerRecord) {
    Module2::storico_patch.assign(5, {4, L"old", L"old"});
    Scene scene("\r\n" + rec("5", "01/05/2026") + "\r\n" + rec("         6", "01/06/2026 extra") + "\r\n");
    EXPECT_EQ(scene.check(), Ends::returned);
    const auto& storico = Module2::storico_patch;
    ASSERT_EQ(storico.size(), 2u);  // the new record is written, not read
    EXPECT_EQ(storico[0].indice, 0);
    EXPECT_EQ(storico[0].numero, L"5         ");
    EXPECT_EQ(storico[0].data, L"01/05/2026");
    EXPECT_EQ(storico[1].indice, 1);
    EXPECT_EQ(storico[1].numero, L"         6");
    EXPECT_EQ(storico[1].data, L"01/06/2026");
}

TEST(ControllaFile, LetsTheWindowHandleItsEventsOncePerLineRead) {
    const struct {
        std::string history;
        int lines;
    } cases[] = {
        {records_up_to(6), 6}, {rec("6", "x") + "\r\n\r\n", 3}, {"6         x\r\n6         y", 2},
        {"6         x\n7\n", 1}, {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.history);
        Scene scene(c.history);
        scene.check();
        EXPECT_EQ(scene.fake.events.calls, c.lines);
    }
}

// The catalogue's history may end without a line end: the new record gets a
// line of its own, so that a later run still sees it and the last date stays whole.
TEST(ControllaFile, ARecordAfterALastLineWithoutEndStandsOnItsOwnLine) {
    const std::string history = records_up_to(5) + "6         01/06/2026";
    Scene scene(history);
    EXPECT_EQ(scene.check(), Ends::returned);
    EXPECT_EQ(scene.content(), history + "\r\n" + kToday);

    EXPECT_EQ(scene.check(), Ends::program_ended);
    EXPECT_EQ(scene.prompts(), std::vector<std::wstring>{kAlreadyInstalled + L"07/12/2026"});
    ASSERT_EQ(Module2::storico_patch.size(), 7u);
    EXPECT_EQ(Module2::storico_patch[5].data, L"01/06/2026");

    Scene bare_lf("6         x\n");
    EXPECT_EQ(bare_lf.check(), Ends::returned);
    EXPECT_EQ(bare_lf.content(), "6         x\n\r\n" + kToday);
}

TEST(ControllaFile, ReadsASingleLineOfSeveralMegabytes) {
    const std::string history = "6         01/06/2026" + std::string(6 << 20, 'x');
    Scene scene(history);
    EXPECT_EQ(scene.check(), Ends::returned);
    ASSERT_EQ(Module2::storico_patch.size(), 1u);
    EXPECT_EQ(Module2::storico_patch[0].data, L"01/06/2026");
    EXPECT_PRED_FORMAT2(same_text, scene.content(), history + "\r\n" + kToday);
}

TEST(ControllaFile, Holds32768RecordsAndNoMore) {
    std::string history;
    for (int n = 0; n < 32767; ++n) history += rec("1", "01/01/2026");
    history += rec("6", "01/06/2026");
    Scene full(history);
    EXPECT_EQ(full.check(), Ends::returned);
    ASSERT_EQ(Module2::storico_patch.size(), 32768u);
    EXPECT_EQ(Module2::storico_patch.back().indice, 32767);
    EXPECT_PRED_FORMAT2(same_text, full.content(), history + kToday);

    const std::string one_more = rec("1", "01/01/2026") + history;
    Scene over(one_more);
    EXPECT_EQ(over.check(), Ends::run_time_error);
    EXPECT_EQ(over.error->number(), runtime::error_number::overflow);
    EXPECT_NE(over.error->description().find(over.file), std::wstring::npos);
    EXPECT_PRED_FORMAT2(same_text, over.content(), one_more);
    EXPECT_TRUE(over.fake.dialogs.shown.empty());
}

}  // namespace
