#include "app/update_paths.h"

#include <algorithm>
#include <cstdint>

#include "libs/codec/codec.h"

namespace catalogue_update {

namespace {

wchar_t fold(wchar_t c) {
    // Beyond the 16-bit units (32-bit wide text), no character has a case pair fold_case knows.
    const auto unit = static_cast<std::uint32_t>(c);
    return unit > 0xFFFF ? c : static_cast<wchar_t>(codec::fold_case(static_cast<char16_t>(unit)));
}

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool device_component(std::wstring_view c) {
    // What Windows takes for a device: the name before any extension, blanks
    // after it dropped; COM and LPT with a digit 1 to 9, or ¹ ² ³.
    std::wstring base(c.substr(0, c.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& ch : base) ch = ascii_upper(ch);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device) return true;
    if (base.size() != 4 || (base.substr(0, 3) != L"COM" && base.substr(0, 3) != L"LPT")) return false;
    return (base[3] >= L'1' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' || base[3] == L'\u00B3';
}

bool plain_component(std::wstring_view c) {
    if (c.empty() || c == L"." || c == L".." || device_component(c)) return false;
    if (c.back() == L'.' || c.back() == L' ') return false;
    return std::none_of(c.begin(), c.end(), [](wchar_t ch) {
        return ch < 0x20 || std::wstring_view(L":*?\"<>|/\\").find(ch) != std::wstring_view::npos;
    });
}

}  // namespace

bool same_name(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

std::wstring folded(std::wstring_view name) {
    std::wstring result(name);
    for (wchar_t& c : result) c = fold(c);
    return result;
}

bool within(std::wstring_view path, std::wstring_view folder) {
    return path.size() >= folder.size() && same_name(path.substr(0, folder.size()), folder) &&
           (path.size() == folder.size() || path[folder.size()] == L'\\');
}

bool numbered(std::wstring_view name, std::wstring_view base) {
    if (name.size() < base.size() || !same_name(name.substr(0, base.size()), base)) return false;
    if (name.size() == base.size()) return true;
    const std::wstring_view number = name.substr(base.size());
    if (number.size() < 2 || number.size() > 5 || number[0] != L'.' || number[1] == L'0') return false;
    if (!std::all_of(number.begin() + 1, number.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    return number != L".1";
}

std::optional<std::vector<std::wstring>> entry_components(std::wstring_view name) {
    // A leading separator or a drive makes the name absolute.
    if (!name.empty() && (name[0] == L'/' || name[0] == L'\\')) return std::nullopt;
    std::vector<std::wstring> components;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of(L"/\\", start);
        if (end == std::wstring_view::npos) end = name.size();
        const std::wstring_view component = name.substr(start, end - start);
        if (!component.empty() && component != L".") {
            if (!plain_component(component)) return std::nullopt;
            components.emplace_back(component);
        }
        start = end + 1;
    }
    return components;
}

bool names_a_device(std::wstring_view name) {
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t end = name.find_first_of(L"/\\", start);
        if (end == std::wstring_view::npos) end = name.size();
        if (device_component(name.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

bool short_name_shape(std::wstring_view component) {
    const std::size_t dot = component.find(L'.');
    const std::wstring_view base = component.substr(0, dot);
    const std::wstring_view extension = dot == std::wstring_view::npos ? L"" : component.substr(dot + 1);
    return base.size() <= 8 && base.find(L'~') != std::wstring_view::npos && extension.size() <= 3 &&
           extension.find(L'.') == std::wstring_view::npos;
}

std::wstring join(const std::vector<std::wstring>& components, std::size_t count) {
    std::wstring path;
    for (std::size_t i = 0; i < count; ++i) path += (i ? L"\\" : L"") + components[i];
    return path;
}

bool plain_relative_path(std::wstring_view path) {
    const auto components = entry_components(path);
    return components && !components->empty() && join(*components, components->size()) == path;
}

bool beside_data(std::wstring_view path) {
    if (!plain_relative_path(path) || within(path, kDataFolder)) return false;
    const std::wstring_view top = path.substr(0, path.find(L'\\'));
    // The update's own names have short forms that no spelling check can tell
    // from others: a top-level name of that shape is never written.
    return !same_name(top, kHistory) && !numbered(top, kSetAside) && !numbered(top, kCopies) &&
           !numbered(top, kRestore) && !short_name_shape(top) &&
           !(top.size() >= kJournal.size() && same_name(top.substr(0, kJournal.size()), kJournal));
}

std::wstring parent_of(std::wstring_view path) {
    const std::size_t at = path.rfind(L'\\');
    return at == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, at));
}

std::wstring leaf_of(std::wstring_view path) {
    const std::size_t at = path.rfind(L'\\');
    return std::wstring(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

}  // namespace catalogue_update
