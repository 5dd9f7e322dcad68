#include "runtime/run_time_error.h"

#include <cstdio>

#include "runtime/text.h"

namespace runtime {

RunTimeError::RunTimeError(int number, std::wstring description)
    : std::runtime_error("run-time error " + std::to_string(number) + ": " + to_utf8(description)),
      number_(number),
      description_(std::move(description)) {}

RunTimeError RunTimeError::from_status(std::int32_t status, const std::wstring& what) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(status));
    return RunTimeError(status, what + L" (codice 0x" + from_utf8(hex) + L")");
}

}  // namespace runtime
