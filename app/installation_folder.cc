#include "app/installation_folder.h"

#include <algorithm>
#include <cwctype>

#include "runtime/text.h"

namespace installation_folder {

std::optional<std::wstring> clean(const std::wstring& padded) {
    std::wstring value = runtime::trim_spaces(padded);
    if (value.empty()) return std::nullopt;
    value.pop_back();
    return value;
}

std::wstring repair(const std::wstring& path) {
    static const std::wstring marker = L"varenkorcatalogoprogetto_html";
    static const std::wstring defect = L"progetto_html";
    static const std::wstring mended = L"\\progetto_html";

    std::wstring lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); });
    if (lower.find(marker) == std::wstring::npos) return path;

    std::wstring result;
    std::size_t from = 0;
    for (std::size_t at; (at = path.find(defect, from)) != std::wstring::npos; from = at + defect.size()) {
        result.append(path, from, at - from);
        result += mended;
    }
    result.append(path, from, std::wstring::npos);
    return result;
}

}  // namespace installation_folder
