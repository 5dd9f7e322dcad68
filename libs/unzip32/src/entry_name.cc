#include "entry_name.h"

#include <array>

#include "wildcard.h"

namespace uz {

const char* describe(NameProblem problem) {
    switch (problem) {
        case NameProblem::none: return "valid";
        case NameProblem::empty: return "empty name";
        case NameProblem::absolute: return "absolute path";
        case NameProblem::unc: return "network (UNC) path";
        case NameProblem::drive: return "drive letter";
        case NameProblem::parent: return "\"..\" component";
        case NameProblem::colon: return "colon in name";
        case NameProblem::device: return "Windows device name";
        case NameProblem::bad_character: return "character not allowed in file names";
        case NameProblem::bad_ending: return "component ending in a dot or a space";
    }
    return "invalid name";
}

std::u16string normalized_name(std::u16string_view name) {
    std::u16string text(name);
    for (auto& c : text)
        if (c == u'\\') c = u'/';
    return text;
}

bool is_device_name(std::u16string_view component) {
    // Windows resolves a device name with any extension and trailing blanks.
    std::u16string base(component.substr(0, component.find(u'.')));
    while (!base.empty() && base.back() == u' ') base.pop_back();
    for (auto& c : base) c = fold_case(c);
    static constexpr std::array<std::u16string_view, 6> plain = {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"};
    for (auto device : plain)
        if (base == device) return true;
    if (base.size() == 4 && (base.starts_with(u"com") || base.starts_with(u"lpt"))) {
        const char16_t digit = base[3];
        return (digit >= u'1' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

namespace {

NameProblem check_component(std::u16string_view part) {
    if (part == u"..") return NameProblem::parent;
    for (char16_t c : part) {
        if (c == u':') return NameProblem::colon;
        if (c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
            return NameProblem::bad_character;
    }
    // Windows drops trailing dots and blanks, so "a." would land on "a" and
    // "..." or ".. " could be read as the parent folder.
    if (part.back() == u'.' || part.back() == u' ') return NameProblem::bad_ending;
    if (is_device_name(part)) return NameProblem::device;
    return NameProblem::none;
}

}  // namespace

NameProblem parse_entry_name(std::u16string_view raw, EntryPath& path) {
    path = {};
    const std::u16string name = normalized_name(raw);
    if (name.empty()) return NameProblem::empty;
    if (name.starts_with(u"//")) return NameProblem::unc;
    if (name.front() == u'/') return NameProblem::absolute;
    if (name.size() >= 2 && name[1] == u':' &&
        ((name[0] >= u'a' && name[0] <= u'z') || (name[0] >= u'A' && name[0] <= u'Z')))
        return NameProblem::drive;
    path.is_directory = name.back() == u'/';
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(u'/', start);
        if (end == std::u16string::npos) end = name.size();
        const std::u16string_view part(name.data() + start, end - start);
        if (!part.empty() && part != u".") {
            if (const auto problem = check_component(part); problem != NameProblem::none) return problem;
            path.components.emplace_back(part);
        }
        start = end + 1;
    }
    // "./" (bsdtar writes it) names the target folder itself: nothing to do,
    // but nothing wrong either.
    if (path.components.empty() && !path.is_directory) return NameProblem::empty;
    return NameProblem::none;
}

}  // namespace uz
