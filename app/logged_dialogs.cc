#include "app/logged_dialogs.h"

#include <array>
#include <string>

namespace {

// The buttons of each button style (the style's low four bits), left to right,
// as the answers they give: OK 1, Cancel 2, Abort 3, Retry 4, Ignore 5, Yes 6,
// No 7, Try Again 10, Continue 11.
constexpr std::array<std::array<int, 3>, 7> kButtons{{
    {1, 0, 0},    // OK
    {1, 2, 0},    // OK, Cancel
    {3, 4, 5},    // Abort, Retry, Ignore
    {6, 7, 2},    // Yes, No, Cancel
    {6, 7, 0},    // Yes, No
    {4, 2, 0},    // Retry, Cancel
    {2, 10, 11},  // Cancel, Try Again, Continue
}};

std::wstring answer_name(int answer) {
    switch (answer) {
        case 1: return L"OK";
        case 2: return L"Annulla";
        case 3: return L"Interrompi";
        case 4: case 10: return L"Riprova";
        case 5: return L"Ignora";
        case 6: return L"Sì";
        case 7: return L"No";
        case 11: return L"Continua";
        default: return L"risposta " + std::to_wstring(answer);
    }
}

}  // namespace

int default_answer(int style) {
    const auto kind = static_cast<std::size_t>(style & 0xF);
    if (kind >= kButtons.size()) return runtime::msgbox::answer_ok;
    const auto& buttons = kButtons[kind];
    const auto chosen = static_cast<std::size_t>((style >> 8) & 0xF);  // MB_DEFBUTTON1..4 as 0..3
    // A default beyond the last button falls back to the first, as on screen.
    return chosen < buttons.size() && buttons[chosen] != 0 ? buttons[chosen] : buttons[0];
}

int LoggedDialogs::message_box(const std::wstring& prompt, int style, const std::wstring& title) {
    const std::wstring box = L"Messaggio «" + title + L"»: " + prompt;
    if (unattended_) {
        const int answer = default_answer(style);
        log_.event(box + L"\nRisposta senza chiedere (pulsante predefinito): " + answer_name(answer));
        return answer;
    }
    // Logged before it waits, so that a run killed while the box is open
    // still tells what it was asking.
    log_.event(box);
    const int answer = screen_.message_box(prompt, style, title);
    log_.event(L"Risposta dell'utente: " + answer_name(answer));
    return answer;
}
