#include <functional>

#include "runtime/run_time_error.h"
#include "runtime/text.h"
#include "shortcuts/module1.h"

namespace Module1 {
namespace {

constexpr std::size_t kBufferLength = 255;
constexpr std::uint32_t kReadAccess = 0;     // STGM_READ
constexpr std::uint32_t kUncPriority = 2;    // SLGP_UNCPRIORITY

/// Reads one text property into `value`: it holds 255 spaces while the object
/// works, and the whole converted buffer once the object has succeeded.
void read_text(std::wstring& value, const wchar_t* what,
               const std::function<std::int32_t(std::string&)>& operation) {
    value.assign(kBufferLength, L' ');
    std::string buffer = runtime::to_ansi(value);
    runtime::check_status(operation(buffer), std::wstring(L"Lettura del collegamento non riuscita: ") + what);
    value = runtime::from_ansi(buffer);
}

}  // namespace

bool leggi_collegamento(runtime::Shell& shell, const std::wstring& shortcut, std::wstring& target,
                        std::wstring& working_folder, std::wstring& arguments, std::wstring& icon_file,
                        std::int32_t& icon_index, std::int32_t& show_cmd) {
    if (shortcut.empty()) return false;
    // Creating the object is not guarded: its failure is the caller's error.
    const auto link = shell.create_shell_link();
    try {
        runtime::check_status(link->load(shortcut, kReadAccess), L"Impossibile aprire il collegamento " + shortcut);
        read_text(target, L"destinazione", [&](std::string& b) { return link->get_path(b, kUncPriority); });
        read_text(working_folder, L"cartella di lavoro",
                  [&](std::string& b) { return link->get_working_directory(b); });
        read_text(arguments, L"argomenti", [&](std::string& b) { return link->get_arguments(b); });

        std::string description(kBufferLength, ' ');
        runtime::check_status(link->get_description(description), L"Lettura del collegamento non riuscita: descrizione");
        std::uint16_t hotkey = 0;
        runtime::check_status(link->get_hotkey(hotkey), L"Lettura del collegamento non riuscita: tasto di scelta rapida");

        read_text(icon_file, L"icona", [&](std::string& b) { return link->get_icon_location(b, icon_index); });
        runtime::check_status(link->get_id_list(), L"Lettura del collegamento non riuscita: elenco di elementi");
        runtime::check_status(link->get_show_cmd(show_cmd), L"Lettura del collegamento non riuscita: stato della finestra");
    } catch (const runtime::RunTimeError&) {
        return false;
    }
    return true;
}

std::wstring cartella_lavoro(runtime::Shell& shell, const std::wstring& shortcut) {
    std::wstring target, working_folder, arguments, icon_file;
    std::int32_t icon_index = 0, show_cmd = 0;
    leggi_collegamento(shell, shortcut, target, working_folder, arguments, icon_file, icon_index, show_cmd);
    return working_folder;
}

}  // namespace Module1
