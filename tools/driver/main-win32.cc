// dialog_driver.exe: runs a program, answers its message boxes, and writes
// what they said. For the demonstration script.
//
//   dialog_driver.exe [--transcript FILE] [--screenshots DIR] [--prefix P]
//                     [--answer "TEXT=Yes|No|Cancel|OK|close|ID"]... [--timeout S]
//                     [--cwd DIR] -- PROGRAM [ARGS]...
//
// A box whose text (or else title) contains TEXT gets that answer; the first
// matching --answer wins. Other boxes get OK when OK is their only button,
// their default button otherwise. The transcript also goes to standard output
// (UTF-8). Exit code: the program's, or 124 when it was killed after the
// timeout, 125 for a bad command line, 126 when the program cannot be started.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>

#include "tools/common/text-win32.h"
#include "tools/driver/dialog_driver-win32.h"

namespace {

constexpr int kTimedOut = 124;
constexpr int kBadUsage = 125;
constexpr int kCannotStart = 126;

int usage(const char* problem) {
    std::fprintf(stderr,
                 "dialog_driver: %s\n"
                 "usage: dialog_driver.exe [--transcript FILE] [--screenshots DIR] [--prefix P]\n"
                 "         [--answer \"TEXT=Yes|No|Cancel|OK|close|ID\"]... [--timeout S] [--cwd DIR]\n"
                 "         -- PROGRAM [ARGS]...\n",
                 problem);
    return kBadUsage;
}

/// -1 when the name is not an answer.
int answer_id(const std::wstring& name) {
    using namespace dialog_driver;
    if (_wcsicmp(name.c_str(), L"ok") == 0) return button::ok;
    if (_wcsicmp(name.c_str(), L"cancel") == 0) return button::cancel;
    if (_wcsicmp(name.c_str(), L"yes") == 0) return button::yes;
    if (_wcsicmp(name.c_str(), L"no") == 0) return button::no;
    if (_wcsicmp(name.c_str(), L"close") == 0) return button::close;
    if (!name.empty() && name.find_first_not_of(L"0123456789") == std::wstring::npos)
        return static_cast<int>(std::wcstol(name.c_str(), nullptr, 10));
    return -1;
}

void print_utf8(const std::wstring& text) {
    const std::string bytes = tools::to_utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring transcript_path;
    std::wstring working_folder;
    std::vector<dialog_driver::AnswerRule> rules;
    dialog_driver::DriveOptions options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) return usage("an option lacks its value");
        const std::wstring value = argv[++i];
        if (option == L"--transcript") {
            transcript_path = value;
        } else if (option == L"--screenshots") {
            options.screenshot_folder = value;
        } else if (option == L"--prefix") {
            options.screenshot_prefix = value;
        } else if (option == L"--cwd") {
            working_folder = value;
        } else if (option == L"--timeout") {
            const long seconds = std::wcstol(value.c_str(), nullptr, 10);
            if (seconds <= 0) return usage("--timeout wants a number of seconds");
            options.timeout = std::chrono::seconds(seconds);
        } else if (option == L"--answer") {
            const auto equals = value.rfind(L'=');
            const int id = equals == std::wstring::npos ? -1 : answer_id(value.substr(equals + 1));
            if (id < 0) return usage("--answer wants TEXT=Yes|No|Cancel|OK|close|ID");
            rules.push_back({value.substr(0, equals), id});
        } else {
            return usage("unknown option");
        }
    }
    if (i >= argc) return usage("no program given");

    const std::wstring program = argv[i];
    std::wstring arguments;
    for (++i; i < argc; ++i) arguments += (arguments.empty() ? L"" : L" ") + tools::quote_argument(argv[i]);

    try {
        const auto result = dialog_driver::run_and_drive(
            program, arguments, working_folder, dialog_driver::answer_by_text(rules), options);
        print_utf8(dialog_driver::transcript(result));
        if (!transcript_path.empty()) dialog_driver::write_transcript(result, transcript_path);
        return result.timed_out ? kTimedOut : static_cast<int>(result.exit_code);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dialog_driver: %s\n", e.what());
        return kCannotStart;
    }
}
