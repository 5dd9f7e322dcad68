#include "libs/codec/codec.h"

namespace codec {

char16_t fold_case(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c < 0x80) return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F))
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c == 0x178) return 0xFF;  // Ÿ, whose small letter is in Latin-1 (0x9F and 0xFF in Windows-1252)
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs upper/lower case on even/odd code points, shifted
        // by one between 0x139 and 0x148 and from 0x179.
        const bool odd_upper = (c >= 0x139 && c <= 0x148) || c >= 0x179;
        const bool is_upper = odd_upper ? (c & 1) : !(c & 1);
        if (is_upper) return static_cast<char16_t>(c + 1);
    }
    return c;
}

}  // namespace codec
