// Form1::controlla_file against the fakes, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "history/module2.h"
#include "runtime/text.h"
#include "tests/fakes/fakes.h"

namespace {

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

class ControllaFile : public ::testing::Test {
protected:
    Ends run(std::int16_t versione = 7) {
        try {
            form.controlla_file(file, versione);
            return Ends::returned;
        } catch (const runtime::EndProgram&) {
            return Ends::program_ended;
        } catch (const runtime::RunTimeError& e) {
            error = e;
            return Ends::run_time_error;
        }
    }
    bool read_the_file() const {
        for (const auto& entry : fake.files.log)
            if (entry.starts_with(L"read_file")) return true;
        return false;
    }
    std::vector<std::wstring> prompts() const {
        std::vector<std::wstring> texts;
        for (const auto& shown : fake.dialogs.shown) texts.push_back(shown.prompt);
        return texts;
    }

    fakes::FakeOs fake;
    Form1 form{fake.os};
    std::wstring file = fake.files.root() + L"\\patch.txt";
    runtime::RunTimeError error{0, L""};
};

// --- The decisions, on histories that read cleanly ---------------------------------

struct Decision {
    const char* what;
    std::string history;
    Ends ends;
    std::wstring message;  // empty: none
};

TEST_F(ControllaFile, DecidesOnTheRecordsInFileOrder) {
    const Decision cases[] = {
        {"records 1 to 6", records_up_to(6), Ends::returned, L""},
        {"gaps before the last record", rec("1", "a") + rec("2", "b") + rec("3", "c") + rec("6", "d"),
         Ends::returned, L""},
        {"a later patch last, 7 missing", records_up_to(6) + rec("8", "01/08/2026"), Ends::returned, L""},
        {"right-aligned numbers", rec("         5", "x") + rec("         6", "y"), Ends::returned, L""},
        {"empty lines between records", "\r\n" + rec("5", "x") + "\r\n\r\n" + rec("6", "y") + "\r\n",
         Ends::returned, L""},
        {"lines ended by CR alone", "5         x\r6         y\r", Ends::returned, L""},
        {"a fraction rounding to 6", rec("6.5", "x"), Ends::returned, L""},
        {"7 among the records", records_up_to(3) + rec("7", "15/03/2026") + rec("6", "y"),
         Ends::program_ended, kAlreadyInstalled + L"15/03/2026"},
        {"two records of 7: the first decides", rec("7", "01/01/2026") + rec("7", "02/02/2026"),
         Ends::program_ended, kAlreadyInstalled + L"01/01/2026"},
        {"7 written as a fraction", rec("7.4", " 3/3/2026 "), Ends::program_ended, kAlreadyInstalled + L"3/3/2026"},
        {"a record of the single character 7", "7\r\n", Ends::program_ended, kAlreadyInstalled},
        {"a date longer than 10 characters", rec("7", "01/06/2026 ore 10:30"), Ends::program_ended,
         kAlreadyInstalled + L"01/06/2026"},
        {"accents in the date", rec("7", "1 ago \xE8 \x80"), Ends::program_ended, kAlreadyInstalled + L"1 ago è €"},
        {"a word after the matching record", rec("7", "x") + rec("sei", "y"), Ends::program_ended,
         kAlreadyInstalled + L"x"},
        {"no record of 6, the last is 5", records_up_to(5), Ends::program_ended, kPredecessor + L"6"},
        {"6 followed by 2: the last counts", rec("6", "x") + rec("2", "y"), Ends::program_ended,
         kPredecessor + L"6"},
        {"lines ended by LF alone read as one", "1         a\n2         b\n3         c\n4         d\n"
                                                "5         e\n6         f\n",
         Ends::program_ended, kPredecessor + L"6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, c.history);

        Ends ends = Ends::returned;
        try {
            checker.controlla_file(path, 7);
        } catch (const runtime::EndProgram&) {
            ends = Ends::program_ended;
        } catch (const runtime::RunTimeError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_EQ(ends, c.ends);
        if (c.message.empty()) {
            EXPECT_TRUE(os.dialogs.shown.empty());
            const bool ends_open = !c.history.ends_with('\n') && !c.history.ends_with('\r');
            EXPECT_EQ(os.files.get(path), c.history + (ends_open ? "\r\n" : "") + kToday);
        } else {
            ASSERT_EQ(os.dialogs.shown.size(), 1u);
            EXPECT_EQ(os.dialogs.shown[0].prompt, c.message);
            EXPECT_EQ(os.dialogs.shown[0].style, runtime::msgbox::ok_only | runtime::msgbox::information);
            EXPECT_EQ(os.dialogs.shown[0].title, L"Dravimex");
            EXPECT_EQ(os.files.get(path), c.history);
        }
    }
}

TEST_F(ControllaFile, WritesThePatchNumberPaddedTo10) {
    fake.files.put(file, rec("9", "x"));
    EXPECT_EQ(run(10), Ends::returned);
    EXPECT_EQ(fake.files.get(file), rec("9", "x") + rec("10", "07/12/2026"));
}

TEST_F(ControllaFile, WritesTodayInTheAnsiCodePage) {
    fake.clock.today = L"7 dicembre, lunedì";
    fake.files.put(file, records_up_to(6));
    EXPECT_EQ(run(), Ends::returned);
    EXPECT_EQ(fake.files.get(file), records_up_to(6) + rec("7", "7 dicembre, luned\xEC"));
}

// --- Number columns that do not convert ---------------------------------------------

TEST_F(ControllaFile, UnconvertibleNumbersRaiseTheirErrorNamingTheFile) {
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
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, c.history);
        try {
            checker.controlla_file(path, 7);
            ADD_FAILURE() << "returned";
        } catch (const runtime::RunTimeError& e) {
            EXPECT_EQ(e.number(), c.number) << e.what();
            EXPECT_NE(e.description().find(path), std::wstring::npos) << e.what();
        } catch (const runtime::EndProgram&) {
            ADD_FAILURE() << "ended the program";
        }
        EXPECT_TRUE(os.dialogs.shown.empty());
        EXPECT_EQ(os.files.get(path), c.history);
    }
}

// --- Missing, empty and unreadable histories -----------------------------------------

TEST_F(ControllaFile, AMissingHistoryIsRefusedAndNotCreated) {
    EXPECT_EQ(run(), Ends::program_ended);
    EXPECT_EQ(prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_FALSE(fake.files.exists(file));
    EXPECT_FALSE(read_the_file());
}

TEST_F(ControllaFile, HiddenSystemOrFolderHistoriesCountAsMissing) {
    for (const int attributes : {runtime::attribute::hidden, runtime::attribute::system}) {
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, records_up_to(6));
        os.files.set_attributes(path, attributes);
        EXPECT_THROW(checker.controlla_file(path, 7), runtime::EndProgram);
        EXPECT_EQ(os.dialogs.shown.at(0).prompt, kPredecessor + L"6");
        EXPECT_EQ(os.files.get(path), records_up_to(6));
    }
    fake.files.make_folder(file);
    EXPECT_EQ(run(), Ends::program_ended);
    EXPECT_EQ(prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_FALSE(read_the_file());
}

TEST_F(ControllaFile, AHistoryWithoutRecordsIsRefusedThenDeleted) {
    for (const std::string history : {"", "\r\n", "\r\n\r\n\r"}) {
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, history);
        EXPECT_THROW(checker.controlla_file(path, 7), runtime::EndProgram);
        ASSERT_EQ(os.dialogs.shown.size(), 1u);
        EXPECT_EQ(os.dialogs.shown[0].prompt, kPredecessor + L"6");
        EXPECT_FALSE(os.files.exists(path));
    }
}

TEST_F(ControllaFile, AHistoryWithoutRecordsThatCannotBeDeletedRaisesAfterTheMessage) {
    fake.files.put(file, "\r\n");
    fake.files.set_attributes(file, runtime::attribute::read_only);
    EXPECT_EQ(run(), Ends::run_time_error);
    EXPECT_EQ(error.number(), runtime::error_number::permission_denied);
    EXPECT_EQ(prompts(), std::vector<std::wstring>{kPredecessor + L"6"});
    EXPECT_EQ(fake.files.get(file), "\r\n");
}

TEST_F(ControllaFile, FailuresToReadOrAppendLeaveTheFileAsItWas) {
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
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, records_up_to(6));
        os.files.set_attributes(path, c.attributes);
        if (c.failing_operation) os.files.fail(c.failing_operation, path);
        try {
            checker.controlla_file(path, 7);
            ADD_FAILURE() << "returned";
        } catch (const runtime::RunTimeError& e) {
            EXPECT_NE(e.description().find(path), std::wstring::npos) << e.what();
        }
        EXPECT_TRUE(os.dialogs.shown.empty());
        EXPECT_EQ(os.files.get(path), records_up_to(6));
    }
}

// --- Reading ------------------------------------------------------------------------

TEST_F(ControllaFile, FillsTheHistoryListAnewWithOneElementPerRecord) {
    Module2::storico_patch.assign(5, {4, L"old", L"old"});
    fake.files.put(file, "\r\n" + rec("5", "01/05/2026") + "\r\n" + rec("         6", "01/06/2026 extra") + "\r\n");
    EXPECT_EQ(run(), Ends::returned);
    const auto& storico = Module2::storico_patch;
    ASSERT_EQ(storico.size(), 2u);  // the new record is written, not read
    EXPECT_EQ(storico[0].indice, 0);
    EXPECT_EQ(storico[0].numero, L"5         ");
    EXPECT_EQ(storico[0].data, L"01/05/2026");
    EXPECT_EQ(storico[1].indice, 1);
    EXPECT_EQ(storico[1].numero, L"         6");
    EXPECT_EQ(storico[1].data, L"01/06/2026");
}

TEST_F(ControllaFile, LetsTheWindowHandleItsEventsOncePerLineRead) {
    const struct {
        std::string history;
        int lines;
    } cases[] = {
        {records_up_to(6), 6},
        {rec("6", "x") + "\r\n\r\n", 3},
        {"6         x\r\n6         y", 2},
        {"6         x\n7\n", 1},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.history);
        fakes::FakeOs os;
        Form1 checker(os.os);
        const std::wstring path = os.files.root() + L"\\patch.txt";
        os.files.put(path, c.history);
        try {
            checker.controlla_file(path, 7);
        } catch (const runtime::EndProgram&) {
        }
        EXPECT_EQ(os.events.calls, c.lines);
    }
}

// The catalogue's history may end without a line end: the new record gets a
// line of its own, so that a later run still sees it.
TEST_F(ControllaFile, ARecordAfterALastLineWithoutEndStandsOnItsOwnLine) {
    const std::string history = records_up_to(5) + "6         01/06/2026";
    fake.files.put(file, history);
    EXPECT_EQ(run(), Ends::returned);
    EXPECT_EQ(fake.files.get(file), history + "\r\n" + kToday);

    EXPECT_EQ(run(), Ends::program_ended);
    EXPECT_EQ(prompts(), std::vector<std::wstring>{kAlreadyInstalled + L"07/12/2026"});
    ASSERT_EQ(Module2::storico_patch.size(), 7u);
    EXPECT_EQ(Module2::storico_patch[5].data, L"01/06/2026");
}

TEST_F(ControllaFile, ALastLineEndedByLfAloneGetsCrLfBeforeTheRecord) {
    fake.files.put(file, "6         x\n");
    EXPECT_EQ(run(), Ends::returned);
    EXPECT_EQ(fake.files.get(file), "6         x\n\r\n" + kToday);
}

TEST_F(ControllaFile, ReadsASingleLineOfSeveralMegabytes) {
    const std::string history = "6         01/06/2026" + std::string(6 << 20, 'x');
    fake.files.put(file, history);
    EXPECT_EQ(run(), Ends::returned);
    ASSERT_EQ(Module2::storico_patch.size(), 1u);
    EXPECT_EQ(Module2::storico_patch[0].data, L"01/06/2026");
    EXPECT_EQ(fake.files.get(file).size(), history.size() + 2 + kToday.size());
}

TEST_F(ControllaFile, Holds32768RecordsAndNoMore) {
    std::string history;
    for (int n = 0; n < 32767; ++n) history += rec("1", "01/01/2026");
    history += rec("6", "01/06/2026");
    fake.files.put(file, history);
    EXPECT_EQ(run(), Ends::returned);
    ASSERT_EQ(Module2::storico_patch.size(), 32768u);
    EXPECT_EQ(Module2::storico_patch.back().indice, 32767);
    EXPECT_EQ(fake.files.get(file), history + kToday);

    const std::string one_more = rec("1", "01/01/2026") + history;
    fake.files.put(file, one_more);
    EXPECT_EQ(run(), Ends::run_time_error);
    EXPECT_EQ(error.number(), runtime::error_number::overflow);
    EXPECT_NE(error.description().find(file), std::wstring::npos);
    EXPECT_EQ(fake.files.get(file), one_more);
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

}  // namespace
