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

bool is_known(const std::wstring& name) {
    static const std::wstring names[] = {L"quiet", L"q",   L"qn",  L"passive",   L"qb",
                                         L"log",   L"dir", L"?",   L"help",      L"norestart"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

}  // namespace

Options parse(const std::vector<std::wstring>& arguments) {
    Options options;
    bool quiet = false, passive = false;
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
            if (name == L"quiet" || name == L"q" || name == L"qn") quiet = true;
            if (name == L"passive" || name == L"qb") passive = true;
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
        std::optional<std::wstring>& slot = log ? options.log_file : options.installation_folder;
        // The same value twice is harmless; two different ones leave no way to
        // know which was meant.
        if (!slot) slot = value;
        else if (lower(*slot) != lower(value)) fault(L"L'opzione /" + name + L" è data due volte con valori diversi");
    }
    options.ui = quiet ? Interface::quiet : passive ? Interface::passive : Interface::full;
    return options;
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
