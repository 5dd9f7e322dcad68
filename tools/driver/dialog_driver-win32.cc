#include "tools/driver/dialog_driver-win32.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "tools/common/scoped-win32.h"
#include "tools/common/text-win32.h"
#include "tools/common/wait-win32.h"
#include "tools/driver/message_box-win32.h"
#include "tools/driver/screen_capture-win32.h"

namespace dialog_driver {

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kPollMs = 50;

/// What the loop needs to know about the program being driven.
class Target {
public:
    virtual ~Target() = default;
    virtual DWORD process_id() const = 0;
    /// True once there is nothing more to drive (the process ended, or the
    /// caller asked to stop); waits up to `ms` for that to happen.
    virtual bool finished(DWORD ms) = 0;
    /// Ends the program at once.
    virtual void kill() = 0;
};

class ChildProcess : public Target {
public:
    ChildProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}
    DWORD process_id() const override { return id_; }
    bool finished(DWORD ms) override { return tools::wait_pumping_messages(process_, ms); }
    void kill() override {
        TerminateProcess(process_, kKilledExitCode);
        WaitForSingleObject(process_, 10000);
    }

private:
    HANDLE process_;
    DWORD id_;
};

class CurrentProcess : public Target {
public:
    explicit CurrentProcess(const std::atomic<bool>& stop) : stop_(stop) {}
    DWORD process_id() const override { return GetCurrentProcessId(); }
    bool finished(DWORD ms) override {
        if (stop_) return true;
        tools::wait_pumping_messages(nullptr, ms);
        return stop_;
    }
    void kill() override { throw std::logic_error("the driver cannot end its own process"); }

private:
    const std::atomic<bool>& stop_;
};

RECT window_rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::wstring save_screenshot(HWND window, const DriveOptions& options, const std::wstring& name) {
    const std::wstring path = tools::join_path(options.screenshot_folder, options.screenshot_prefix + name);
    save_bmp(capture_screen(window_rect(window)), path);
    return path;
}

/// Moves the box off the main window, below it or else above, beside or at
/// the screen's corner, so that a screenshot shows the whole window. True
/// when the box was moved. Only its position changes: the program is none
/// the wiser.
bool move_clear_of(HWND box, HWND main) {
    const RECT b = window_rect(box);
    const RECT m = window_rect(main);
    RECT overlap{};
    if (!IntersectRect(&overlap, &b, &m)) return false;
    const int width = b.right - b.left;
    const int height = b.bottom - b.top;
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    POINT to{0, 0};
    if (m.bottom + height <= screen_height) to = {b.left, m.bottom};
    else if (m.top - height >= 0) to = {b.left, m.top - height};
    else if (m.right + width <= screen_width) to = {m.right, b.top};
    else if (m.left - width >= 0) to = {m.left - width, b.top};
    to.x = std::clamp(static_cast<int>(to.x), 0, std::max(0, screen_width - width));
    // Asynchronous: the request waits in the program's queue instead of
    // blocking the driver should the program not answer.
    SetWindowPos(box, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    // The move happens when the program gets to it: wait for it, a while at most.
    for (int tries = 0; tries < 100; ++tries) {
        const RECT now = window_rect(box);
        if (now.left == to.x && now.top == to.y) break;
        Sleep(10);
    }
    return true;
}

/// Ends the driven process should driving it fail halfway (a policy or a
/// screenshot that throws): a test must not leave it behind in the prefix.
class KillUnlessDisarmed {
public:
    explicit KillUnlessDisarmed(HANDLE process) : process_(process) {}
    ~KillUnlessDisarmed() {
        if (process_) TerminateProcess(process_, kKilledExitCode);
    }
    KillUnlessDisarmed(const KillUnlessDisarmed&) = delete;
    KillUnlessDisarmed& operator=(const KillUnlessDisarmed&) = delete;
    void disarm() { process_ = nullptr; }

private:
    HANDLE process_;
};

/// Notes the top-level windows a process creates, as the system announces
/// them to this thread (while it pumps its messages), for the life of the object.
class WindowCreations {
public:
    explicit WindowCreations(DWORD process_id)
        : hook_(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &WindowCreations::on_event,
                                process_id, 0, WINEVENT_OUTOFCONTEXT)) {
        if (!hook_) throw std::runtime_error(tools::last_error_message(L"cannot watch the program's windows"));
        watching_ = &created_;
    }
    ~WindowCreations() {
        watching_ = nullptr;
        UnhookWinEvent(hook_);
    }
    WindowCreations(const WindowCreations&) = delete;
    WindowCreations& operator=(const WindowCreations&) = delete;

    /// What was announced, once the announcements still queued are in.
    std::vector<std::wstring> take() {
        tools::wait_pumping_messages(nullptr, kPollMs);
        return std::move(created_);
    }

private:
    static void CALLBACK on_event(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
        if (!watching_ || object != OBJID_WINDOW || child != CHILDID_SELF) return;
        if (!IsWindow(window)) {
            watching_->push_back(L"?");
            return;
        }
        // Children come with a top-level window; message-only windows (COM's
        // own, for one) have no place on the screen at all.
        if (GetAncestor(window, GA_PARENT) != GetDesktopWindow()) return;
        wchar_t name[256] = L"?";
        GetClassNameW(window, name, 256);
        watching_->push_back(name);
    }

    // The hook's callback takes no context; it runs on the hooking thread.
    static thread_local std::vector<std::wstring>* watching_;
    HWINEVENTHOOK hook_;
    std::vector<std::wstring> created_;
};

thread_local std::vector<std::wstring>* WindowCreations::watching_ = nullptr;

struct DriveOutcome {
    std::vector<DialogSeen> dialogs;
    std::wstring window_title;
    std::vector<std::wstring> window_texts;
    std::wstring window_screenshot;
    bool timed_out = false;
    bool killed = false;
};

/// Answers boxes one at a time until the target is finished or the deadline
/// passes.
DriveOutcome drive(Target& target, const Policy& policy, const DriveOptions& options) {
    const auto deadline = Clock::now() + options.timeout;
    const bool screenshots = !options.screenshot_folder.empty();
    if (screenshots) tools::create_folders(options.screenshot_folder);

    DriveOutcome outcome;
    const auto past_deadline = [&] { return Clock::now() >= deadline; };
    while (!target.finished(0)) {
        if (past_deadline()) {
            outcome.timed_out = true;
            break;
        }
        if (options.kill_when && options.kill_when()) {
            target.kill();
            outcome.killed = true;
            break;
        }
        const HWND box = find_message_box(target.process_id());
        if (!box) {
            // A kill must land within a short moment (a file being written).
            target.finished(options.kill_when ? 1 : kPollMs);
            continue;
        }
        wait_until_painted(box);
        if (!IsWindow(box)) continue;  // gone by itself meanwhile

        DialogSeen seen = read_message_box(box);
        const HWND main = outcome.dialogs.empty() ? find_main_window(target.process_id()) : nullptr;
        if (main) {
            outcome.window_title = read_window_text(main);
            outcome.window_texts = read_child_texts(main);
        }
        if (screenshots) {
            if (main) {
                if (move_clear_of(box, main)) {
                    wait_until_painted(main);
                    wait_until_painted(box);
                }
                outcome.window_screenshot = save_screenshot(main, options, L"window.bmp");
            }
            seen.screenshot =
                save_screenshot(box, options, L"box-" + std::to_wstring(outcome.dialogs.size() + 1) + L".bmp");
        }
        seen.answered_id = policy(seen);
        if (seen.answered_id == button::kill) {
            outcome.dialogs.push_back(std::move(seen));
            target.kill();
            outcome.killed = true;
            break;
        }
        answer_message_box(box, seen.answered_id);
        outcome.dialogs.push_back(std::move(seen));

        // The next box may only be looked for once this one is gone: the
        // program shows it after it has the answer.
        while (IsWindow(box) && IsWindowVisible(box) && !target.finished(kPollMs / 2)) {
            if (past_deadline()) {
                outcome.timed_out = true;
                return outcome;
            }
        }
    }
    return outcome;
}

}  // namespace

void let_wine_draw_window_frames() {
    HKEY opened = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &opened, nullptr);
    const tools::ScopedRegistryKey key(status == ERROR_SUCCESS ? opened : nullptr);
    if (key) {
        const wchar_t no[] = L"N";
        status = RegSetValueExW(key.get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
    }
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        throw std::runtime_error(tools::last_error_message(L"cannot ask Wine to draw window frames"));
    }
}

RunResult run_and_drive(const std::wstring& exe, const std::wstring& arguments,
                        const std::wstring& working_folder, Policy policy, const DriveOptions& options) {
    let_wine_draw_window_frames();
    std::wstring command_line = tools::quote_argument(exe);
    if (!arguments.empty()) command_line += L" " + arguments;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &started))
        throw std::runtime_error(tools::last_error_message(L"cannot start " + exe));
    const tools::ScopedHandle process(started.hProcess);
    const tools::ScopedHandle thread(started.hThread);

    KillUnlessDisarmed kill_on_failure(process.get());
    WindowCreations windows(started.dwProcessId);
    ResumeThread(thread.get());
    ChildProcess target(process.get(), started.dwProcessId);
    DriveOutcome outcome = drive(target, policy, options);
    kill_on_failure.disarm();

    RunResult result;
    result.dialogs = std::move(outcome.dialogs);
    result.window_title = std::move(outcome.window_title);
    result.window_texts = std::move(outcome.window_texts);
    result.window_screenshot = std::move(outcome.window_screenshot);
    result.killed = outcome.killed;
    result.windows_created = windows.take();
    if (outcome.timed_out) {
        result.timed_out = true;
        TerminateProcess(process.get(), kKilledExitCode);
    }
    // After the kill the process is gone within moments; a process that
    // ended by itself is already gone.
    WaitForSingleObject(process.get(), 10000);
    DWORD exit_code = 0;
    GetExitCodeProcess(process.get(), &exit_code);
    result.exit_code = exit_code;
    return result;
}

std::vector<DialogSeen> drive_current_process(Policy policy, const std::atomic<bool>& stop,
                                              const DriveOptions& options) {
    CurrentProcess target(stop);
    return drive(target, policy, options).dialogs;
}

InProcessDriver::InProcessDriver(Policy policy, DriveOptions options)
    : thread_([this, policy = std::move(policy), options = std::move(options)] {
          seen_ = drive_current_process(policy, stop_, options);
      }) {}

InProcessDriver::~InProcessDriver() { finish(); }

std::vector<DialogSeen> InProcessDriver::finish() {
    if (!thread_.joinable()) return {};
    stop_ = true;
    thread_.join();
    return std::move(seen_);
}

void write_transcript(const RunResult& result, const std::wstring& path) {
    tools::write_file(path, tools::to_utf8(transcript(result)));
}

}  // namespace dialog_driver
