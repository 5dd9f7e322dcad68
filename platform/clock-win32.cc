#include "platform/clock-win32.h"

#include <windows.h>

#include "runtime/run_time_error.h"

namespace platform {

std::wstring Win32Clock::short_date_today() {
    // A null date means today, in local time.
    const int needed = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, nullptr, 0);
    if (needed > 0) {
        std::wstring date(static_cast<std::size_t>(needed), L'\0');
        const int written =
            GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date.data(), needed);
        if (written > 0) {
            date.resize(static_cast<std::size_t>(written - 1));  // without the terminating NUL
            return date;
        }
    }
    throw runtime::RunTimeError(runtime::error_number::invalid_procedure_call,
                                L"Impossibile leggere la data di oggi nel formato breve dell'utente (errore " +
                                    std::to_wstring(GetLastError()) + L")");
}

}  // namespace platform
