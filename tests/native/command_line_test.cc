// The switches of a deployment tool's command line, the usage they answer, and
// the message boxes of a run that nobody watches.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/logged_dialogs.h"
#include "runtime/log.h"
#include "tests/fakes/fakes.h"

namespace {

using command_line::Interface;
using command_line::Options;

TEST(CommandLine, ReadsSwitchesAsWindowsInstallersTakeThem) {
    const struct {
        std::vector<std::wstring> arguments;
        Interface ui;
        std::optional<std::wstring> log, folder;
        bool help = false;
    } rows[] = {
        {{}, Interface::full, {}, {}},
        {{L"/quiet"}, Interface::quiet, {}, {}},
        {{L"/q"}, Interface::quiet, {}, {}},
        {{L"-QN"}, Interface::quiet, {}, {}},
        {{L"/Passive"}, Interface::passive, {}, {}},
        {{L"/qb"}, Interface::passive, {}, {}},
        {{L"/passive", L"/quiet"}, Interface::quiet, {}, {}},
        {{L"/quiet", L"-PASSIVE"}, Interface::quiet, {}, {}},
        {{L"/quiet", L"/QUIET", L"-q", L"/norestart", L"/NoRestart"}, Interface::quiet, {}, {}},
        {{L"/log", L"C:\\Log più\\patch 7.log"}, Interface::full, L"C:\\Log più\\patch 7.log", {}},
        {{L"/LOG=%TEMP%\\patch7.log"}, Interface::full, L"%TEMP%\\patch7.log", {}},
        {{L"-log", L"a.log", L"/log=A.LOG"}, Interface::full, L"a.log", {}},
        {{L"/dir", L"C:\\Programmi\\Varenkor Catalogo"}, Interface::full, {}, L"C:\\Programmi\\Varenkor Catalogo"},
        {{L"/Dir=D:\\Cat=1"}, Interface::full, {}, L"D:\\Cat=1"},
        {{L"/?"}, Interface::full, {}, {}, true},
        {{L"/quiet", L"-HELP"}, Interface::quiet, {}, {}, true},
    };
    for (const auto& row : rows) {
        std::wstring joined;
        for (const auto& a : row.arguments) joined += a + L" ";
        SCOPED_TRACE(std::string(joined.begin(), joined.end()));
        const Options options = command_line::parse(row.arguments);
        EXPECT_FALSE(options.problem) << std::string(options.problem->begin(), options.problem->end());
        EXPECT_EQ(options.ui, row.ui);
        EXPECT_EQ(options.log_file, row.log);
        EXPECT_EQ(options.installation_folder, row.folder);
        EXPECT_EQ(options.help, row.help);
    }
}

// A fault is named; the switches around it still count, so that a quiet run
// with a log says what was wrong there and shows nothing.
TEST(CommandLine, NamesTheFirstFaultAndKeepsTheRest) {
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring problem;
        Interface ui = Interface::full;
        std::optional<std::wstring> log = {};
    } rows[] = {
        {{L"/bogus"}, L"Opzione sconosciuta: /bogus"},
        {{L"--quiet"}, L"Opzione sconosciuta: --quiet"},
        {{L"/"}, L"Argomento non previsto: /"},
        {{L"catalogo.zip"}, L"Argomento non previsto: catalogo.zip"},
        {{L"/log"}, L"Manca il nome del file dopo /log"},
        {{L"/log="}, L"Manca il nome del file dopo /log"},
        {{L"/log", L"/quiet"}, L"Manca il nome del file dopo /log", Interface::quiet},
        {{L"/dir", L"-LOG", L"x.log"}, L"Manca il nome della cartella dopo /dir", Interface::full, L"x.log"},
        {{L"/dir"}, L"Manca il nome della cartella dopo /dir"},
        {{L"/quiet=yes"}, L"L'opzione /quiet non vuole un valore: /quiet=yes", Interface::quiet},
        {{L"/log", L"a.log", L"/log", L"b.log"}, L"L'opzione /log è data due volte con valori diversi",
         Interface::full, L"a.log"},
        {{L"/dir=C:\\A", L"/dir=C:\\B"}, L"L'opzione /dir è data due volte con valori diversi"},
        {{L"/qn", L"/x", L"/y", L"/log", L"q.log"}, L"Opzione sconosciuta: /x", Interface::quiet, L"q.log"},
        // "/dir "C:\Cat\" /quiet /log C:\x.log" as Windows splits it: the backslash
        // makes the closing quote part of the value, which takes the rest.
        {{L"/dir", L"C:\\Cat\" /quiet /log C:\\x.log"},
         L"Il valore di /dir contiene delle virgolette: C:\\Cat\" /quiet /log C:\\x.log\n(una \\ subito prima "
         L"delle virgolette di chiusura le fa leggere come parte del valore: toglierla o raddoppiarla)"},
        {{L"/log", L"a\"b.log", L"/quiet"}, L"Il valore di /log contiene delle virgolette: a\"b.log\n(una \\ "
         L"subito prima delle virgolette di chiusura le fa leggere come parte del valore: toglierla o raddoppiarla)",
         Interface::quiet},
        {{L"/log", L"/x"}, L"Il valore di /log sembra un'opzione: /x"},
        {{L"/log=/x", L"/q"}, L"Il valore di /log sembra un'opzione: /x", Interface::quiet},
        {{L"/log", L"-x.log"}, L"Il valore di /log sembra un'opzione: -x.log"},
        {{L"/dir=-", L"/log", L"x.log"}, L"Il valore di /dir sembra un'opzione: -", Interface::full, L"x.log"},
    };
    for (const auto& row : rows) {
        const Options options = command_line::parse(row.arguments);
        ASSERT_TRUE(options.problem) << std::string(row.problem.begin(), row.problem.end());
        EXPECT_EQ(*options.problem, row.problem);
        EXPECT_EQ(options.ui, row.ui);
        EXPECT_EQ(options.log_file, row.log);
    }
}

// The whole line as the process received it: a quiet or passive switch counts
// wherever it stands as a word of its own, also inside a value that a stray
// quote made of the rest of the line; never inside the program's own path.
TEST(CommandLine, QuietOrPassiveAnywhereInTheWholeLine) {
    const struct {
        std::wstring line;
        Interface ui;
    } rows[] = {
        {L"installa_patch.exe /dir \"C:\\Cat\\\" /quiet /log C:\\x.log", Interface::quiet},
        {L"\"C:\\Deploy\\installa_patch.exe\" -Q", Interface::quiet},
        {L"installa_patch.exe\t/QN", Interface::quiet},
        {L"installa_patch.exe /log \"C:\\a b\\\"/q\"", Interface::quiet},
        {L"installa_patch.exe /dir \"C:\\Cat\\\" /qb", Interface::passive},
        {L"installa_patch.exe -Passive /log x.log", Interface::passive},
        {L"installa_patch.exe /passive /q", Interface::quiet},
        {L"", Interface::full},
        {L"installa_patch.exe", Interface::full},
        {L"C:\\q\\installa_patch.exe /log q.log", Interface::full},
        {L"C:/q/installa_patch.exe /log C:/qx", Interface::full},
        {L"\"C:\\Deploy /q\\installa_patch.exe\" /log x.log", Interface::full},
        {L"\"C:\\Deploy -passive\\installa_patch.exe\"", Interface::full},
        {L"installa_patch.exe /log C:\\x-q.log /dir C:\\a/qb", Interface::full},
        {L"installa_patch.exe /quietly /q- /qbx /quiet=yes", Interface::full},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.line.begin(), row.line.end()));
        EXPECT_EQ(command_line::interface_in_line(row.line), row.ui);
    }
}

TEST(CommandLine, AnswersHelpAndFaultsWithTheUsage) {
    fakes::FakeDialogs dialogs;
    Options options;
    EXPECT_EQ(command_line::answer(options, dialogs), std::nullopt);
    EXPECT_TRUE(dialogs.shown.empty());

    options.help = true;
    EXPECT_EQ(command_line::answer(options, dialogs), 0);
    options.problem = L"Opzione sconosciuta: /x";
    EXPECT_EQ(command_line::answer(options, dialogs), 1639);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].prompt, command_line::usage());
    EXPECT_EQ(dialogs.shown[0].style, runtime::msgbox::information);
    EXPECT_EQ(dialogs.shown[1].prompt, L"Opzione sconosciuta: /x\n\n" + command_line::usage());
    EXPECT_EQ(dialogs.shown[1].style, runtime::msgbox::critical);
    EXPECT_EQ(dialogs.shown[1].title, L"Dravimex");
}

// --- the boxes of a run nobody watches ------------------------------------------

TEST(LoggedDialogs, TheDefaultButtonOfEachStyleAnswers) {
    const struct {
        int style, answer;
    } rows[] = {
        {0x000, 1},  {0x010, 1},  {0x040, 1},  {0x001, 1},  {0x101, 2},  {0x002, 3},  {0x102, 4},  {0x202, 5},
        {0x003, 6},  {0x103, 7},  {0x203, 2},  {0x004, 6},  {0x104, 7},  {0x204, 6},  {0x005, 4},  {0x105, 2},
        {0x006, 2},  {0x106, 10}, {0x206, 11}, {0x303, 6},  {0x00F, 1},
    };
    for (const auto& row : rows) EXPECT_EQ(default_answer(row.style), row.answer) << std::hex << row.style;
}

TEST(LoggedDialogs, UnattendedBoxesAreAnsweredAndLoggedNeverShown) {
    fakes::FakeDialogs screen;
    fakes::FakeLog log;
    LoggedDialogs dialogs(screen, log, true);
    EXPECT_EQ(dialogs.message_box(L"Overwrite a.htm?", 3, L"VBUnzip - File already exists"), 6);
    EXPECT_EQ(dialogs.message_box(L"Patch installata con successo!", 64, L"Dravimex"), 1);
    EXPECT_TRUE(screen.shown.empty());
    EXPECT_EQ(log.events, (std::vector<std::wstring>{
                              L"Messaggio «VBUnzip - File already exists»: Overwrite a.htm?\nRisposta senza "
                              L"chiedere (pulsante predefinito): Sì",
                              L"Messaggio «Dravimex»: Patch installata con successo!\nRisposta senza chiedere "
                              L"(pulsante predefinito): OK"}));
}

TEST(LoggedDialogs, BoxesOnScreenAreLoggedBeforeTheyWaitAndWithTheUsersAnswer) {
    fakes::FakeDialogs screen;
    screen.answers = {7};
    fakes::FakeLog log;
    LoggedDialogs dialogs(screen, log, false);
    EXPECT_EQ(dialogs.message_box(L"Overwrite a.htm?", 3, L"VBUnzip - File already exists"), 7);
    ASSERT_EQ(screen.shown.size(), 1u);
    EXPECT_EQ(screen.shown[0].prompt, L"Overwrite a.htm?");
    EXPECT_EQ(screen.shown[0].style, 3);
    EXPECT_EQ(screen.shown[0].title, L"VBUnzip - File already exists");
    EXPECT_EQ(log.events, (std::vector<std::wstring>{L"Messaggio «VBUnzip - File already exists»: Overwrite a.htm?",
                                                     L"Risposta dell'utente: No"}));
}

// --- the log's lines ---------------------------------------------------------------------

TEST(LogLine, OneLineAnEventWithItsLocalTimeInUtf8) {
    const runtime::LocalTime time{2026, 7, 3, 9, 5, 7, 42};
    const struct {
        std::wstring text;
        std::string line;
    } rows[] = {
        {L"Patch installata", "2026-07-03 09:05:07.042  Patch installata\r\n"},
        {L"già più €", "2026-07-03 09:05:07.042  gi\xC3\xA0 pi\xC3\xB9 \xE2\x82\xAC\r\n"},
        {L"a\nb\r\n\r\nc", "2026-07-03 09:05:07.042  a | b | c\r\n"},
        {L"\r\na\n", "2026-07-03 09:05:07.042  a\r\n"},
        {L"a\tb\x1b", "2026-07-03 09:05:07.042  a b \r\n"},
        {L"", "2026-07-03 09:05:07.042  \r\n"},
    };
    for (const auto& row : rows) EXPECT_EQ(runtime::log_line(time, row.text), row.line);
    EXPECT_EQ(runtime::kLogFileStart, "\xEF\xBB\xBF");
}

}  // namespace
