#include "app/command_line.h"

#include <algorithm>
#include <cwctype>

#include "runtime/run_time_error.h"

namespace command_line {

namespace {

std::wstring lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); });
    return text;
}

bool is_switch(const std::wstring& argument) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
}

/// The switch's name, lower case, without its sign and without "=value".
std::wstring name_of(const std::wstring& argument) { return lower(argument.substr(1, argument.find(L'=') - 1)); }

bool takes_value(const std::wstring& name) { return name == L"log" || name == L"dir"; }

/// What /quiet and /passive, in any of their spellings, ask of the screen.
std::optional<Interface> interface_named(const std::wstring& name) {
    if (name == L"quiet" || name == L"q" || name == L"qn") return Interface::quiet;
    if (name == L"passive" || name == L"qb") return Interface::passive;
    return std::nullopt;
}

bool is_known(const std::wstring& name) {
    static const std::wstring names[] = {L"quiet", L"q",   L"qn",  L"passive",   L"qb",
                                         L"log",   L"dir", L"?",   L"help",      L"norestart"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

}  // namespace

Options parse(const std::vector<std::wstring>& arguments) {
    Options options;
    const auto fault = [&](std::wstring problem) {
        if (!options.problem) options.problem = std::move(problem);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!is_switch(argument)) {
            fault(L"Argomento non previsto: " + argument);
            continue;
        }
        const std::wstring name = name_of(argument);
        if (!is_known(name)) {
            fault(L"Opzione sconosciuta: " + argument);
            continue;
        }
        const std::size_t equals = argument.find(L'=');
        if (!takes_value(name)) {
            if (equals != std::wstring::npos) fault(L"L'opzione /" + name + L" non vuole un valore: " + argument);
            // Quiet wins over passive, whatever their order.
            if (const std::optional<Interface> asked = interface_named(name)) options.ui = std::max(options.ui, *asked);
            if (name == L"?" || name == L"help") options.help = true;
            continue;
        }
        std::wstring value;
        if (equals != std::wstring::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size() && !(is_switch(arguments[i + 1]) && is_known(name_of(arguments[i + 1])))) {
            // The next argument is the value, unless it is one of our switches:
            // then the value was left out.
            value = arguments[++i];
        }
        const bool log = name == L"log";
        if (value.empty()) {
            fault(log ? L"Manca il nome del file dopo /log" : L"Manca il nome della cartella dopo /dir");
            continue;
        }
        // A name may start with a switch's sign, but in a deployment's command
        // line such a value far more often means a name left out before a
        // mistyped switch; taken as a name it would hide that. ".\-x.log"
        // still names such a file.
        if (value[0] == L'/' || value[0] == L'-') {
            fault(L"Il valore di /" + name + L" sembra un'opzione: " + value);
            continue;
        }
        // No name holds a quote. One here was escaped by the backslash before
        // it ("C:\Cat\"), so the value ran on and took the switches after it.
        if (value.find(L'"') != std::wstring::npos) {
            fault(L"Il valore di /" + name + L" contiene delle virgolette: " + value +
                  L"\n(una \\ subito prima delle virgolette di chiusura le fa leggere come parte del valore: "
                  L"toglierla o raddoppiarla)");
            continue;
        }
        std::optional<std::wstring>& slot = log ? options.log_file : options.installation_folder;
        // The same value twice is harmless; two different ones leave no way to
        // know which was meant.
        if (!slot) slot = value;
        else if (lower(*slot) != lower(value)) fault(L"L'opzione /" + name + L" è data due volte con valori diversi");
    }
    return options;
}

Interface interface_in_line(std::wstring_view command_line) {
    constexpr std::wstring_view breaks = L" \t\r\n\"";
    // The program's path, as Windows reads it: up to its closing quote when
    // quoted, else up to the first blank; its backslashes escape nothing.
    std::size_t at = command_line.rfind(L'"', 0) == 0 ? command_line.find(L'"', 1) : command_line.find_first_of(L" \t");
    Interface ui = Interface::full;
    while (at < command_line.size() && (at = command_line.find_first_not_of(breaks, at)) != command_line.npos) {
        const std::size_t end = std::min(command_line.find_first_of(breaks, at), command_line.size());
        // The whole word, "=" included: "/quiet=yes" is not /quiet.
        const std::wstring word(command_line.substr(at, end - at));
        const std::optional<Interface> asked = is_switch(word) ? interface_named(lower(word.substr(1))) : std::nullopt;
        if (asked) ui = std::max(ui, *asked);
        at = end;
    }
    return ui;
}

std::wstring usage() {
    return L"Uso: installa_patch.exe [/quiet | /passive] [/log FILE] [/dir CARTELLA] [/norestart]\n"
           L"\n"
           L"/quiet, /q, /qn\tnessuna finestra e nessun messaggio: ogni messaggio va nel log con la risposta "
           L"predefinita\n"
           L"/passive, /qb\tla finestra, nessun messaggio\n"
           L"/log FILE\tscrive nel file ogni passo, ogni messaggio e l'esito\n"
           L"/dir CARTELLA\tla cartella di installazione del catalogo, al posto del collegamento nel menu Start\n"
           L"/norestart\taccettata: la patch non richiede il riavvio\n"
           L"/?, /help\tquesto testo\n"
           L"\n"
           L"Codici di uscita: 0 installata, 1638 già installata, 1618 un'altra installazione è in corso "
           L"(riprovare più tardi), 1603 non installata, 1642 catalogo o patch precedente mancante, "
           L"1639 riga di comando non valida, 1622 impossibile creare il log.";
}

std::optional<int> answer(const Options& options, runtime::Dialogs& dialogs) {
    using namespace runtime::msgbox;
    if (options.problem) {
        dialogs.message_box(*options.problem + L"\n\n" + usage(), ok_only | critical, runtime::kTitle);
        return runtime::exit_code::invalid_command_line;
    }
    if (options.help) {
        dialogs.message_box(usage(), ok_only | information, runtime::kTitle);
        return runtime::exit_code::installed;
    }
    return std::nullopt;
}

}  // namespace command_line
