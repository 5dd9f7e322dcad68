// The driver against real message boxes: those of the probe program, started
// as a separate process, and boxes of this process shown on the test thread.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "test_folder_win32.h"
#include "tools/common/text-win32.h"
#include "tools/driver/dialog_driver-win32.h"

using namespace dialog_driver;
using driver_tests::probe_exe;
using driver_tests::TempFolder;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

/// One box of the probe: style, title, text.
struct ProbeBox {
    unsigned style;
    std::wstring title;
    std::wstring text;
};

std::wstring probe_arguments(const std::vector<std::wstring>& flags, const std::vector<ProbeBox>& boxes) {
    std::wstring line;
    const auto add = [&](const std::wstring& word) { line += (line.empty() ? L"" : L" ") + tools::quote_argument(word); };
    for (const auto& flag : flags) add(flag);
    for (const auto& box : boxes) {
        add(std::to_wstring(box.style));
        add(box.title);
        add(box.text);
    }
    return line;
}

RunResult run_probe(const std::vector<ProbeBox>& boxes, Policy policy = answer_default(),
                    const DriveOptions& options = {}, const std::vector<std::wstring>& flags = {}) {
    return run_and_drive(probe_exe(), probe_arguments(flags, boxes), L"", std::move(policy), options);
}

std::vector<int> answered_ids(const RunResult& result) {
    std::vector<int> ids;
    for (const auto& box : result.dialogs) ids.push_back(box.answered_id);
    return ids;
}

}  // namespace

TEST(DialogDriverReading, TitleAndTextWithAccentsComeBackExactly) {
    const std::wstring title = L"Dravimex — perché";
    const std::wstring text = L"Non hai installato il catalogo. La patch non può essere creata\nperché già";
    const RunResult result = run_probe({{MB_OK, title, text}});

    ASSERT_EQ(result.dialogs.size(), 1u) << tools::to_utf8(transcript(result));
    EXPECT_EQ(result.dialogs[0].title, title);
    EXPECT_EQ(result.dialogs[0].text, text);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, unsigned{IDOK});
}

TEST(DialogDriverReading, TellsTheStandardIconsApart) {
    const RunResult result = run_probe({{MB_ICONINFORMATION, L"i", L"information"},
                                        {MB_ICONERROR, L"c", L"critical"},
                                        {MB_ICONWARNING, L"w", L"warning"},
                                        {MB_ICONQUESTION, L"q", L"question"},
                                        {MB_OK, L"n", L"no icon"}});
    std::vector<DialogIcon> icons;
    for (const auto& box : result.dialogs) icons.push_back(box.icon);
    EXPECT_THAT(icons, ElementsAre(DialogIcon::information, DialogIcon::critical, DialogIcon::warning,
                                   DialogIcon::question, DialogIcon::none));
}

TEST(DialogDriverReading, ReadsTheButtonsLeftToRightWithTheDefaultMarked) {
    const RunResult result = run_probe({{MB_YESNOCANCEL | MB_ICONQUESTION, L"t", L"first is default"},
                                        {MB_YESNO | MB_DEFBUTTON2, L"t", L"second is default"},
                                        {MB_OK, L"t", L"only OK"}},
                                       answer_always(button::yes));
    ASSERT_EQ(result.dialogs.size(), 3u) << tools::to_utf8(transcript(result));

    const auto summary = [](const DialogSeen& box) {
        std::vector<std::pair<int, bool>> buttons;
        for (const auto& b : box.buttons) buttons.emplace_back(b.id, b.is_default);
        return buttons;
    };
    EXPECT_THAT(summary(result.dialogs[0]), ElementsAre(std::pair{IDYES, true}, std::pair{IDNO, false},
                                                        std::pair{IDCANCEL, false}));
    EXPECT_THAT(summary(result.dialogs[1]), ElementsAre(std::pair{IDYES, false}, std::pair{IDNO, true}));
    EXPECT_THAT(summary(result.dialogs[2]), ElementsAre(std::pair{IDOK, true}));
    EXPECT_THAT(result.dialogs[0].buttons[0].text, HasSubstr(L"Yes"));
    EXPECT_THAT(result.dialogs[0].buttons[1].text, HasSubstr(L"No"));
    EXPECT_THAT(result.dialogs[2].buttons[0].text, HasSubstr(L"OK"));
}

TEST(DialogDriverAnswering, EachAnswerReachesTheProgram) {
    struct Case {
        unsigned style;
        int answer;
        int message_box_result;
    };
    const std::vector<Case> cases{
        {MB_OK, button::ok, IDOK},           {MB_OKCANCEL, button::cancel, IDCANCEL},
        {MB_YESNOCANCEL, button::yes, IDYES}, {MB_YESNOCANCEL, button::no, IDNO},
        {MB_YESNOCANCEL, button::cancel, IDCANCEL},
        // Closing is Escape: Cancel where the box has one.
        {MB_YESNOCANCEL, button::close, IDCANCEL}, {MB_OKCANCEL, button::close, IDCANCEL},
    };
    std::vector<ProbeBox> boxes;
    std::vector<int> answers;
    unsigned long expected_exit = 0;  // the probe's exit code: one digit per answer
    for (const auto& c : cases) {
        boxes.push_back({c.style, L"answer", L"box " + std::to_wstring(boxes.size() + 1)});
        answers.push_back(c.answer);
        expected_exit = expected_exit * 10 + static_cast<unsigned long>(c.message_box_result);
    }
    const RunResult result = run_probe(boxes, answer_in_order(answers));

    EXPECT_EQ(answered_ids(result), answers);
    EXPECT_EQ(result.exit_code, expected_exit) << tools::to_utf8(transcript(result));
}

TEST(DialogDriverAnswering, DefaultPolicyPressesOkOrTheDefaultButton) {
    const RunResult result = run_probe({{MB_OK | MB_ICONINFORMATION, L"t", L"ok"},
                                        {MB_YESNO | MB_DEFBUTTON2, L"t", L"no is default"},
                                        {MB_YESNOCANCEL, L"t", L"yes is default"}});
    EXPECT_THAT(answered_ids(result), ElementsAre(IDOK, IDNO, IDYES));
    EXPECT_EQ(result.exit_code, 176u);
}

TEST(DialogDriverAnswering, RulesChooseByTheTextOfTheBox) {
    const RunResult result =
        run_probe({{MB_YESNOCANCEL, L"VBUnzip - File already exists", L"Overwrite C:\\Cat\\a.dat?"},
                   {MB_YESNOCANCEL, L"Dravimex", L"altro"},
                   {MB_YESNOCANCEL, L"VBUnzip - File already exists", L"Overwrite C:\\Cat\\b.dat?"}},
                  answer_by_text({{L"a.dat", button::no}, {L"already exists", button::cancel}}));
    EXPECT_THAT(answered_ids(result), ElementsAre(IDNO, IDYES, IDCANCEL));
    EXPECT_EQ(result.exit_code, 762u);
}

TEST(DialogDriverRun, AProgramThatHangsIsKilledAfterTheTimeout) {
    DriveOptions options;
    options.timeout = std::chrono::seconds(5);
    const RunResult result = run_probe({{MB_OK, L"t", L"before hanging"}}, answer_default(), options, {L"--hang"});

    EXPECT_TRUE(result.timed_out);
    EXPECT_EQ(result.exit_code, kKilledExitCode);
    EXPECT_EQ(result.dialogs.size(), 1u);
}

TEST(DialogDriverRun, APolicyThatFailsLeavesNoProgramBehind) {
    const std::wstring title = driver_tests::unique_name(L"left behind?");
    const Policy failing = [](const DialogSeen&) -> int { throw std::runtime_error("no answer"); };
    EXPECT_THROW(run_probe({{MB_OK, title, L"x"}}, failing), std::runtime_error);

    // The box goes with its killed process, once the server has cleaned up.
    HWND box = FindWindowW(L"#32770", title.c_str());
    for (int wait = 0; box && wait < 100; ++wait) {
        Sleep(50);
        box = FindWindowW(L"#32770", title.c_str());
    }
    EXPECT_EQ(box, nullptr);
}

TEST(DialogDriverRun, AProgramThatCannotBeStartedIsAnError) {
    EXPECT_THROW(run_and_drive(L"C:\\no such folder\\nothing.exe", L"", L"", answer_default()), std::runtime_error);
}

namespace {

/// Checks a 24-bit BMP file as an image viewer would read it; returns its size.
std::pair<int, int> check_bmp(const std::wstring& path) {
    const std::string bytes = tools::read_file(path);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    EXPECT_GE(bytes.size(), sizeof file + sizeof info);
    if (bytes.size() < sizeof file + sizeof info) return {0, 0};
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(file.bfSize, bytes.size());
    EXPECT_EQ(file.bfOffBits, sizeof file + sizeof info);
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
    const std::size_t row = (static_cast<std::size_t>(info.biWidth) * 3 + 3) & ~std::size_t{3};
    EXPECT_EQ(bytes.size(), file.bfOffBits + row * static_cast<std::size_t>(info.biHeight));

    // Something was drawn: a blank capture is all one colour.
    const std::string pixels = bytes.substr(file.bfOffBits);
    std::size_t differing = 0;
    for (std::size_t i = 3; i + 2 < pixels.size(); i += 3)
        if (pixels.compare(i, 3, pixels, 0, 3) != 0) ++differing;
    EXPECT_GT(differing, 100u) << "blank screenshot " << tools::to_utf8(path);
    return {info.biWidth, info.biHeight};
}

}  // namespace

TEST(DialogDriverScreenshots, TheWindowOnceAndEveryBoxAreSavedAsBmp) {
    TempFolder temp;
    DriveOptions options;
    options.screenshot_folder = temp / L"shots";
    options.screenshot_prefix = L"probe-";
    const RunResult result = run_probe({{MB_ICONINFORMATION, L"Dravimex", L"Patch installata con successo!"},
                                        {MB_YESNO, L"t", L"second"}},
                                       answer_default(), options, {L"--window"});
    ASSERT_EQ(result.dialogs.size(), 2u);

    EXPECT_EQ(result.window_title, L"Probe window");
    EXPECT_THAT(result.window_texts, ElementsAre(L"probe label"));
    EXPECT_EQ(result.window_screenshot, temp / L"shots\\probe-window.bmp");
    EXPECT_EQ(result.dialogs[0].screenshot, temp / L"shots\\probe-box-1.bmp");
    EXPECT_EQ(result.dialogs[1].screenshot, temp / L"shots\\probe-box-2.bmp");
    // The probe's window is 320 × 120 pixels; boxes are smaller than the screen.
    EXPECT_EQ(check_bmp(result.window_screenshot), std::pair(320, 120));
    for (const auto& box : result.dialogs) {
        const auto [width, height] = check_bmp(box.screenshot);
        EXPECT_GT(width, 60);
        EXPECT_LT(width, 1024);
        EXPECT_GT(height, 40);
        EXPECT_LT(height, 768);
    }
}

namespace {

/// Pixels of a clearly blue hue (an information icon, an active caption):
/// none of them is part of the probe's grey window.
std::size_t blue_pixels(const std::wstring& bmp_path) {
    const std::string bytes = tools::read_file(bmp_path);
    std::size_t count = 0;
    const std::size_t start = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    for (std::size_t i = start; i + 2 < bytes.size(); i += 3) {
        const auto blue = static_cast<unsigned char>(bytes[i]);
        const auto green = static_cast<unsigned char>(bytes[i + 1]);
        const auto red = static_cast<unsigned char>(bytes[i + 2]);
        if (blue > 120 && red < 100 && green < 160) ++count;
    }
    return count;
}

}  // namespace

TEST(DialogDriverScreenshots, ABoxOverTheWindowIsMovedAsideForTheWindowsScreenshot) {
    TempFolder temp;
    DriveOptions options;
    options.screenshot_folder = temp / L"shots";
    // The centred window lies where the box appears.
    const RunResult result = run_probe({{MB_ICONINFORMATION, L"Dravimex", L"a box over the window"}},
                                       answer_default(), options, {L"--window", L"--center"});
    ASSERT_EQ(result.dialogs.size(), 1u);
    EXPECT_EQ(result.exit_code, unsigned{IDOK});
    EXPECT_GT(blue_pixels(result.dialogs[0].screenshot), 20u) << "the box's icon is in its own screenshot";
    EXPECT_EQ(blue_pixels(result.window_screenshot), 0u) << "but not in the window's";
}

TEST(DialogDriverScreenshots, NoneAreTakenUnlessAskedFor) {
    const RunResult result = run_probe({{MB_OK, L"t", L"x"}}, answer_default(), {}, {L"--window"});
    ASSERT_EQ(result.dialogs.size(), 1u);
    EXPECT_TRUE(result.window_screenshot.empty());
    EXPECT_TRUE(result.dialogs[0].screenshot.empty());
}

TEST(DialogDriverTranscript, IsWrittenAsUtf8WithOneBlockPerBox) {
    TempFolder temp;
    const RunResult result = run_probe({{MB_YESNOCANCEL | MB_ICONQUESTION, L"Dravimex", L"perché già può"},
                                        {MB_ICONERROR, L"Dravimex", L"riga uno\nriga due"}},
                                       answer_in_order({button::no}));
    write_transcript(result, temp / L"transcript.txt");
    const std::string written = tools::read_file(temp / L"transcript.txt");

    const std::string first_box =
        "box 1\n"
        "  title: Dravimex\n"
        "  icon: question\n";
    EXPECT_EQ(written.rfind(first_box, 0), 0u) << written;
    EXPECT_THAT(written, HasSubstr("  text: perch\xC3\xA9 gi\xC3\xA0 pu\xC3\xB2\n"));
    EXPECT_THAT(written, HasSubstr(" (6, default) | "));
    EXPECT_THAT(written, HasSubstr("  answer: &No (7)\n"));
    EXPECT_THAT(written, HasSubstr("box 2\n  title: Dravimex\n  icon: critical\n"));
    EXPECT_THAT(written, HasSubstr("  text: riga uno\n        riga due\n  answer: OK (1)\n"));
    EXPECT_THAT(written, HasSubstr("timed out: no\nexit code: 71\n"));
}

TEST(DialogDriverTranscript, NamesTheWindowClosedBoxesAndTimeouts) {
    RunResult result;
    result.window_title = L"Varenkor Catalogo";
    result.window_texts = {L"aggiornamento in elaborazione..."};
    DialogSeen box;
    box.title = L"t";
    box.text = L"a\r\nb";
    box.buttons = {{IDOK, L"OK", true}};
    box.answered_id = button::close;
    result.dialogs.push_back(box);
    result.timed_out = true;
    result.exit_code = kKilledExitCode;

    EXPECT_EQ(tools::to_utf8(transcript(result)),
              "window\n"
              "  title: Varenkor Catalogo\n"
              "  text: aggiornamento in elaborazione...\n"
              "box 1\n"
              "  title: t\n"
              "  icon: none\n"
              "  buttons: OK (1, default)\n"
              "  text: a\n"
              "        b\n"
              "  answer: closed (WM_CLOSE)\n"
              "timed out: yes\n"
              "exit code: 57005\n");
}

TEST(DialogDriverInProcess, AnswersTheBoxesOfAnotherThreadOfThisProcess) {
    InProcessDriver driver(answer_in_order({button::no}));
    const int first = MessageBoxW(nullptr, L"nel processo: perché?", L"Dravimex", MB_YESNOCANCEL | MB_ICONQUESTION);
    const int second = MessageBoxW(nullptr, L"fine", L"Dravimex", MB_OK | MB_ICONINFORMATION);
    const std::vector<DialogSeen> seen = driver.finish();

    EXPECT_EQ(first, IDNO);
    EXPECT_EQ(second, IDOK);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"nel processo: perché?");
    EXPECT_EQ(seen[0].icon, DialogIcon::question);
    EXPECT_EQ(seen[1].icon, DialogIcon::information);
    EXPECT_TRUE(driver.finish().empty()) << "a second finish has nothing more to give";
}

TEST(DialogDriverPolicies, DefaultAnswerFollowsTheMarkedButton) {
    DialogSeen box;
    EXPECT_EQ(default_answer(box), button::close) << "a box without buttons can only be closed";
    box.buttons = {{IDYES, L"&Yes", false}, {IDNO, L"&No", false}};
    EXPECT_EQ(default_answer(box), IDYES) << "no mark: the first button";
    box.buttons[1].is_default = true;
    EXPECT_EQ(default_answer(box), IDNO);
}

TEST(DialogDriverPolicies, AnswersInOrderKeepTheirPlaceAcrossCopies) {
    const Policy policy = answer_in_order({IDNO, IDCANCEL});
    const Policy copy = policy;
    DialogSeen box;
    box.buttons = {{IDOK, L"OK", true}};
    EXPECT_EQ(policy(box), IDNO);
    EXPECT_EQ(copy(box), IDCANCEL);
    EXPECT_EQ(policy(box), IDOK) << "then the default";
}
