#pragma once
// Answers the message boxes that the calling process shows, from a thread of its
// own, as a user at the screen would: finds each visible #32770 window of the
// process, reads its title, text, buttons and icon, and presses the chosen
// button (or closes the box). Boxes are taken one at a time, in order.
#include <windows.h>

#include <atomic>
#include <deque>
#include <string>
#include <thread>
#include <vector>

namespace zip_test {

/// How a box is answered.
enum class Answer { yes, no, cancel, close_button, escape };

struct SeenButton {
    int id = 0;
    std::wstring text;
    bool is_default = false;
};

struct SeenBox {
    std::wstring title;
    std::wstring text;
    std::vector<SeenButton> buttons;
    bool has_icon = false;
};

class MessageBoxAnswerer {
public:
    /// Answers the next boxes with `answers`, one each, in order; a box beyond
    /// them is closed, so that a test never hangs on an unexpected question.
    explicit MessageBoxAnswerer(std::deque<Answer> answers);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    /// Stops answering and returns the boxes seen, in order.
    std::vector<SeenBox> finish();

private:
    void run();

    std::deque<Answer> answers_;
    std::vector<SeenBox> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace zip_test
