#pragma once
// The names under which UNZIP32 writes the file that replaces an existing one,
// beside it in the same folder: `.LEAF.uz-tmp`, then `.LEAF.2.uz-tmp` …
// `.LEAF.99.uz-tmp`, the first that can be created exclusively. A leaf whose
// UTF-8 form is over 240 bytes (no room for the additions within 255) goes by
// the 16 lower-case hex digits of its 64-bit FNV-1a hash (over its UTF-16
// units) instead. The library never deletes, truncates or takes over a file
// of such a name that it did not create in the run; a caller that journals
// what it replaces predicts the first name with this header and cleans up
// after a run that was killed.
// Header-only and portable: the installer includes it too.
#include <cstdint>
#include <string>
#include <string_view>

/// How many names a replacement tries before its entry fails.
inline constexpr unsigned unzip32_temporary_attempts = 99;

/// The name of the temporary file for `leaf` at `attempt` (1 is the plain
/// `.LEAF.uz-tmp`); empty for an attempt outside 1..unzip32_temporary_attempts.
inline std::u16string unzip32_temporary_name(std::u16string_view leaf, unsigned attempt) {
    if (attempt < 1 || attempt > unzip32_temporary_attempts) return {};
    size_t utf8_size = 0;
    for (size_t i = 0; i < leaf.size(); ++i) {
        const char16_t c = leaf[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < leaf.size() && leaf[i + 1] >= 0xDC00 &&
                          leaf[i + 1] <= 0xDFFF;
        utf8_size += c < 0x80 ? 1 : c < 0x800 ? 2 : pair ? 4 : 3;  // an unpaired surrogate: U+FFFD
        i += pair ? 1 : 0;
    }
    std::u16string name = u".";
    if (utf8_size <= 240) {
        name += leaf;
    } else {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits, over the UTF-16 units
        for (const char16_t c : leaf) hash = (hash ^ c) * 1099511628211ull;
        for (int shift = 60; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(hash >> shift) & 15];
    }
    if (attempt > 1) {
        name += u'.';
        if (attempt >= 10) name += static_cast<char16_t>(u'0' + attempt / 10);
        name += static_cast<char16_t>(u'0' + attempt % 10);
    }
    return name + u".uz-tmp";
}
