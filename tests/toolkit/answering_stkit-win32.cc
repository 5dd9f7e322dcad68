// A stand-in setup-toolkit library: fCreateShellLink creates nothing and answers
// the number in STKIT_TEST_ANSWER (0 when it is not set).
#include <windows.h>

#include <cstdint>
#include <cstdlib>

extern "C" std::int32_t __stdcall answer_create_shell_link(const char*, const char*, const char*, const char*) {
    char answer[32] = {};
    if (!GetEnvironmentVariableA("STKIT_TEST_ANSWER", answer, sizeof answer)) return 0;
    return static_cast<std::int32_t>(std::strtol(answer, nullptr, 10));
}
