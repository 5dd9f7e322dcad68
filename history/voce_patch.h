#pragma once
#include <cstdint>
#include <string>

namespace Module2 {

/// One record of the patch history, as read from its line of patch.txt.
struct voce_patch {
    std::int16_t indice = 0;  ///< ordinal among the non-empty lines, from 0
    std::wstring numero;      ///< characters 1-10 of the line, spaces included
    std::wstring data;        ///< characters 11-20 of the line, spaces included
};

}  // namespace Module2
