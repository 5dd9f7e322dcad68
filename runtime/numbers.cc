#include "runtime/numbers.h"

#include "runtime/run_time_error.h"

namespace runtime {

void raise_not_a_number(const std::wstring& text) {
    throw RunTimeError(error_number::type_mismatch,
                       L"Tipo non corrispondente: il testo \"" + text + L"\" non è un numero");
}

void raise_int16_overflow(const std::wstring& text) {
    throw RunTimeError(error_number::overflow,
                       L"Overflow: il numero \"" + text + L"\" non è compreso tra -32768 e 32767");
}

}  // namespace runtime
