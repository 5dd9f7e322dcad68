#pragma once
// The name of the temporary file that replaces an existing file: shared by the
// library, which writes it, and by a caller that must clean up after a run
// that was killed while writing one.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

/// The temporary file for `leaf` at try `attempt` (1 for the first): hidden,
/// beside it, `.LEAF.uz-tmp`, then `.LEAF.2.uz-tmp`, `.LEAF.3.uz-tmp`… A leaf
/// with no room for the additions (over 240 bytes of UTF-8) goes by its hash.
inline std::u16string unzip32_temporary_name(std::u16string_view leaf, unsigned attempt) {
    std::size_t utf8_bytes = 0;
    for (const char16_t c : leaf) utf8_bytes += c < 0x80 ? 1 : c < 0x800 || (c >= 0xD800 && c < 0xE000) ? 2 : 3;
    std::u16string stem(leaf);
    if (utf8_bytes > 240) {
        std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (const char16_t c : leaf) hash = (hash ^ c) * 1099511628211ull;
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        stem.assign(digits, digits + 16);
    }
    std::u16string name = u"." + stem;
    if (attempt > 1)
        for (const char c : "." + std::to_string(attempt)) name += static_cast<char16_t>(c);
    return name + u".uz-tmp";
}
