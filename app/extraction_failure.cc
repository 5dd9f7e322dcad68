#include "app/extraction_failure.h"

#include <string_view>

#include "libs/unzip32/unzip32.h"
#include "runtime/text.h"

namespace {

constexpr int kErrorsShown = 5;

std::wstring meaning(std::int32_t result, const std::wstring& archive, const std::wstring& folder) {
    switch (result) {
        case UZP_ENTRY_ERRORS:
            return L"Alcuni file dell'archivio " + archive + L" non sono stati estratti.";
        case UZP_BAD_ARCHIVE:
            return L"L'archivio " + archive + L" è danneggiato o non è un archivio zip.";
        case UZP_ARCHIVE_UNREADABLE:
            return L"Impossibile leggere l'archivio " + archive + L".";
        case UZP_ARCHIVE_NOT_FOUND:
            return L"L'archivio " + archive + L" non è stato trovato.";
        case UZP_TARGET_FOLDER:
            return L"Impossibile creare la cartella " + folder + L".";
        case UZP_OUT_OF_MEMORY:
            return L"Memoria insufficiente per estrarre l'archivio " + archive + L".";
        default:
            return L"L'estrazione dell'archivio " + archive + L" in " + folder + L" non è riuscita (codice " +
                   std::to_wstring(result) + L").";
    }
}

}  // namespace

std::wstring extraction_failure(std::int32_t result, const std::wstring& archive, const std::wstring& folder,
                                const std::optional<std::wstring>& messages) {
    std::wstring text = meaning(result, archive, folder);
    int shown = 0;
    for (const std::wstring& line : printed_lines(messages)) {
        if (line.rfind(L"error:", 0) != 0) continue;
        if (++shown > kErrorsShown) {
            text += L"\n…";
            break;
        }
        text += L"\n" + line;
    }
    return text;
}

std::vector<std::wstring> printed_lines(const std::optional<std::wstring>& messages) {
    std::vector<std::wstring> lines;
    std::wstring_view rest = messages ? std::wstring_view(*messages) : std::wstring_view();
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(L"\r\n");
        std::wstring line = runtime::trim_spaces(rest.substr(0, end));
        if (!line.empty()) lines.push_back(std::move(line));
        rest.remove_prefix(end == std::wstring_view::npos ? rest.size() : end + 1);
    }
    return lines;
}
