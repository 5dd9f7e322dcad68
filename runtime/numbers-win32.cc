// The system's own variant conversion, with the user's regional settings: the
// same reading of numbers as every other program on the machine.
#include <windows.h>

#include <oleauto.h>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"

namespace runtime {

std::int16_t text_to_int16(const std::wstring& text) {
    // The conversion reads a C string (and its header asks for a writable
    // one): what follows a NUL is not part of it.
    std::wstring visible(text.c_str());
    SHORT result = 0;
    const HRESULT status = VarI2FromStr(visible.data(), LOCALE_USER_DEFAULT, 0, &result);
    if (status == DISP_E_TYPEMISMATCH) raise_not_a_number(visible);
    if (status == DISP_E_OVERFLOW) raise_int16_overflow(visible);
    check_status(status, L"Conversione in numero del testo \"" + visible + L"\"");
    return result;
}

}  // namespace runtime
