#include "runtime/run_time_error.h"

#include <cstdio>
#include <exception>
#include <new>

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

RunTimeError RunTimeError::from_current_exception() {
    try {
        throw;
    } catch (const RunTimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return RunTimeError(error_number::out_of_memory, L"Memoria esaurita");
    } catch (const std::exception& error) {
        return RunTimeError(error_number::internal_error, L"Errore interno: " + from_utf8(error.what()));
    } catch (...) {
        return RunTimeError(error_number::internal_error, L"Errore interno");
    }
}

}  // namespace runtime
