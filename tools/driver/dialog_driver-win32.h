#pragma once
// Drives the message boxes of a Windows program from outside, as a user would:
// it finds each box the program shows, reads what the box says, answers it with
// a chosen button and records the exchange. End-to-end tests and the
// demonstration use it to run the real installer unattended under Wine.
//
// A message box is recognised as a visible top-level window of class #32770
// that belongs to the driven process. Boxes are handled one at a time: the
// driver answers a box and waits until it has gone before it looks for the
// next one, so the order of `RunResult::dialogs` is the order the user saw.
//
// This header needs no <windows.h>; only the implementation does.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dialog_driver {

/// The standard button ids of a message box, as the box reports its answer.
namespace button {
inline constexpr int kill = -1;  ///< not a button: end the program at once, as a crash or power cut would
inline constexpr int close = 0;  ///< not a button: close the box as Escape would
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int abort = 3;
inline constexpr int retry = 4;
inline constexpr int ignore = 5;
inline constexpr int yes = 6;
inline constexpr int no = 7;
}  // namespace button

struct DialogButton {
    int id = 0;
    std::wstring text;  ///< as the button shows it, mnemonic '&' included
    bool is_default = false;
};

enum class DialogIcon { none, information, critical, warning, question, unknown };

/// One message box as the driver saw and answered it.
struct DialogSeen {
    std::wstring title;
    std::wstring text;
    DialogIcon icon = DialogIcon::none;
    std::vector<DialogButton> buttons;  ///< in the order of the box's child windows
    int answered_id = button::close;    ///< the id pressed; 0 = closed with WM_CLOSE
    std::wstring screenshot;            ///< BMP file of the box, when screenshots were asked for
};

/// Chooses the answer to a box: a button id to press, or `button::close`.
using Policy = std::function<int(const DialogSeen&)>;

/// OK for a box whose only button is OK, otherwise the box's default button
/// (the first button when none is marked default).
int default_answer(const DialogSeen& box);
Policy answer_default();
/// Always the same id.
Policy answer_always(int id);
/// The given ids for the first boxes, one each, then `default_answer`.
Policy answer_in_order(std::vector<int> ids);
/// The first rule whose text is contained in the box's text (or, failing
/// that, in its title) gives the id; boxes no rule matches get `fallback`.
struct AnswerRule {
    std::wstring text_contains;
    int id = button::ok;
};
Policy answer_by_text(std::vector<AnswerRule> rules, Policy fallback = answer_default());

struct DriveOptions {
    /// After this the driven process is killed and the run marked timed out.
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    /// When not empty: a folder (created if missing) that receives a 24-bit
    /// BMP screenshot of every box (`<prefix>box-<n>.bmp`, n from 1) and, once,
    /// of the program's main window (`<prefix>window.bmp`), taken before the
    /// first box is answered. The main window is the first visible top-level
    /// window of the process that is not a #32770 box.
    std::wstring screenshot_folder;
    std::wstring screenshot_prefix;
    /// When set: asked every few milliseconds while no box is open; once it
    /// answers true, the program is ended at once, as a crash would end it.
    std::function<bool()> kill_when;
};

/// The exit code `run_and_drive` gives a process it kills after the timeout.
inline constexpr unsigned long kKilledExitCode = 0xDEADu;

struct RunResult {
    unsigned long exit_code = 0;  ///< the process's own, or kKilledExitCode
    bool timed_out = false;
    bool killed = false;  ///< ended by `button::kill` or `DriveOptions::kill_when`
    std::vector<DialogSeen> dialogs;
    /// The program's main window as it was when the first box appeared: its
    /// caption and the texts of its visible child windows (labels...), in
    /// the order of the children. Empty when there was no box or no window.
    std::wstring window_title;
    std::vector<std::wstring> window_texts;
    std::wstring window_screenshot;  ///< empty when none was taken
    /// The class of every top-level window the process created, from its
    /// first instruction to its end, in order, message-only windows left
    /// out; "?" for one that was gone before it could be read.
    std::vector<std::wstring> windows_created;
};

/// Calls `let_wine_draw_window_frames()`, then starts `exe` (CreateProcessW,
/// suspended until the driver watches the windows it creates,
/// command line = quoted exe + " " + arguments, in `working_folder`, or the
/// caller's current folder when empty), answers
/// its message boxes with `policy` until it exits, and returns what happened.
/// Throws std::runtime_error when the process cannot be started.
RunResult run_and_drive(const std::wstring& exe, const std::wstring& arguments,
                        const std::wstring& working_folder, Policy policy,
                        const DriveOptions& options = {});

/// Xvfb has no window manager. Wine's default is to leave frames to one and
/// to wait for it, two seconds each time a window is hidden; so without one,
/// screenshots show no captions and every closed box costs two seconds. This
/// sets the prefix's HKCU\Software\Wine\X11 Driver\Managed to "N", for
/// programs started afterwards: Wine then draws the frames and waits for no
/// one. On real Windows the key is read by no one. `run_and_drive` calls it.
/// Throws std::runtime_error when the key cannot be written.
void let_wine_draw_window_frames();

/// Answers the message boxes that other threads of the calling process show,
/// until `stop` becomes true (it is checked between boxes and while waiting)
/// or `options.timeout` has passed, for tests of code that shows boxes
/// in-process. Run it on its own thread.
std::vector<DialogSeen> drive_current_process(Policy policy, const std::atomic<bool>& stop,
                                              const DriveOptions& options = {});

/// `drive_current_process` on a background thread for the lifetime of the
/// object: construct it, call the code that shows boxes, then `finish()`.
class InProcessDriver {
public:
    explicit InProcessDriver(Policy policy, DriveOptions options = {});
    ~InProcessDriver();
    InProcessDriver(const InProcessDriver&) = delete;
    InProcessDriver& operator=(const InProcessDriver&) = delete;

    /// Stops the driver and returns the boxes it answered (once).
    std::vector<DialogSeen> finish();

private:
    std::atomic<bool> stop_{false};
    std::vector<DialogSeen> seen_;
    std::thread thread_;
};

/// "none", "information", "critical", "warning", "question", "unknown".
std::wstring icon_name(DialogIcon icon);

/// The run as text: the main window's caption and texts, one block per box
/// (title, icon, buttons with the default marked, text, answer), then
/// whether it timed out and the exit code.
std::wstring transcript(const RunResult& result);
/// Writes `transcript(result)` as UTF-8 (no byte-order mark, LF line ends).
/// Throws std::runtime_error when the file cannot be written.
void write_transcript(const RunResult& result, const std::wstring& path);

}  // namespace dialog_driver
