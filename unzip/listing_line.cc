#include "unzip/listing_line.h"

#include "runtime/text.h"

namespace zip {

namespace {

// The number forms of the listing. digits: a leading "-" when negative;
// signed_form: a blank in place of the sign when not negative.
std::wstring digits(std::int32_t n) { return std::to_wstring(n); }

std::wstring signed_form(std::int32_t n) { return n < 0 ? digits(n) : L" " + digits(n); }

std::wstring last(std::wstring_view text, std::size_t count) {
    return std::wstring(text.substr(text.size() > count ? text.size() - count : 0));
}

// The low 16 bits of a 32-bit slot, read as a signed number.
std::int32_t low_half(std::uint32_t slot) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(slot & 0xFFFFu));
}

// Writes `text` into `line` from the 1-based column `column`.
void put(std::wstring& line, std::size_t column, std::wstring_view text) {
    line.replace(column - 1, text.size(), text);
}

}  // namespace

std::wstring collect(const char* bytes, std::size_t bound) {
    if (bytes == nullptr) return {};
    // Byte by byte: the buffer may be shorter than the bound when it holds a NUL.
    std::size_t length = 0;
    while (length < bound && bytes[length] != '\0') ++length;
    return runtime::from_ansi(std::string_view(bytes, length));
}

std::wstring header_line() {
    std::wstring line(kListingWidth, L' ');
    put(line, 1, L"Filename:");
    put(line, 53, L"Size");
    put(line, 62, L"Date");
    put(line, 71, L"Time");
    return line;
}

std::wstring listing_line(std::wstring_view name, const ListingEntry& entry) {
    std::wstring line(kListingWidth, L' ');
    put(line, 1, name.substr(0, 50));
    put(line, 51, last(L"        " + signed_form(static_cast<std::int32_t>(entry.uncompressed_size)), 7));
    put(line, 60, last(signed_form(low_half(entry.day)), 2));
    put(line, 62, L"/");
    put(line, 63, last(L"0" + digits(low_half(entry.month)), 2));
    put(line, 65, L"/");
    put(line, 66, last(L"0" + digits(low_half(entry.year)), 2));
    put(line, 70, last(signed_form(low_half(entry.hour)), 2));
    put(line, 72, L":");
    put(line, 73, last(L"0" + digits(low_half(entry.minute)), 2));
    return line;
}

}  // namespace zip
