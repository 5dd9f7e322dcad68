#include "libs/codec/codec.h"

namespace codec {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_surrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

template <typename Char>
void append(std::basic_string<Char>& out, char32_t code) {
    if constexpr (sizeof(Char) == 2) {
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<Char>(0xD800 + (code >> 10)));
            out.push_back(static_cast<Char>(0xDC00 + (code & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<Char>(code));
}

// With `replace`, a byte that starts no valid sequence becomes U+FFFD and the
// next byte is read afresh; without, it ends the decoding.
template <typename Char>
bool decode_all(std::string_view bytes, std::basic_string<Char>& out, bool replace) {
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            out.push_back(static_cast<Char>(lead));
            ++at;
            continue;
        }
        std::optional<char32_t> code = decode_utf8(bytes, at);
        if (!code) {
            if (!replace) return false;
            code = kReplacement;
            ++at;
        }
        append(out, *code);
    }
    return true;
}

template <typename Char>
std::string encode_all(std::basic_string_view<Char> text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto code = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(Char) == 2) {
            if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        if (is_surrogate(code) || code > 0x10FFFF) code = kReplacement;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace

std::optional<char32_t> decode_utf8(std::string_view bytes, std::size_t& at) {
    if (at >= bytes.size()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return std::nullopt;  // a continuation byte, or a lead no sequence may have
    }
    if (length > bytes.size() - at) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || is_surrogate(code)) return std::nullopt;
    at += length;
    return code;
}

template <typename Char>
std::optional<std::basic_string<Char>> from_utf8(std::string_view bytes) {
    std::basic_string<Char> text;
    if (!decode_all(bytes, text, false)) return std::nullopt;
    return text;
}

template <typename Char>
std::basic_string<Char> from_utf8_or_replacement(std::string_view bytes) {
    std::basic_string<Char> text;
    decode_all(bytes, text, true);
    return text;
}

std::string to_utf8(std::u16string_view text) { return encode_all(text); }
std::string to_utf8(std::wstring_view text) { return encode_all(text); }

template std::optional<std::u16string> from_utf8<char16_t>(std::string_view);
template std::optional<std::wstring> from_utf8<wchar_t>(std::string_view);
template std::u16string from_utf8_or_replacement<char16_t>(std::string_view);
template std::wstring from_utf8_or_replacement<wchar_t>(std::string_view);

}  // namespace codec
