#include <array>
#include <cstdint>
#include <string>

#include "app/form1.h"
#include "runtime/run_time_error.h"
#include "runtime/text.h"

namespace {

// Toolkit numbers 4, 5 and 6 name these libraries, in this order; the probe
// loads them by these names and the system adds the extension.
constexpr std::int32_t first_toolkit = 4;
constexpr std::int32_t last_toolkit = 6;
constexpr std::array<const char*, 3> probe_names{"STKIT432", "VB5STKIT", "VB6STKIT"};

}  // namespace

bool Form1::crea_collegamento(std::int32_t toolkit, std::wstring group, std::wstring name, std::wstring target) {
    try {
        if (toolkit == 0) {
            // Every library is tried, so when several are present the last,
            // newest one wins.
            for (std::int32_t i = first_toolkit; i <= last_toolkit; ++i)
                if (os_.toolkits.probe(probe_names[static_cast<std::size_t>(i - first_toolkit)])) toolkit = i;
        }

        const std::string ansi_group = runtime::to_ansi(group);
        const std::string ansi_name = runtime::to_ansi(name);
        const std::string ansi_target = runtime::to_ansi(target);
        std::int32_t result = 0;
        switch (toolkit) {
        case 6:
            result = os_.toolkits.create_shell_link("VB6STKIT.DLL", ansi_group, ansi_name, ansi_target, "", -1,
                                                    "$(Programs)");
            break;
        case 5:
            result = os_.toolkits.create_shell_link("VB5STKIT.DLL", ansi_group, ansi_name, ansi_target, "");
            break;
        case 4:
            result = os_.toolkits.create_shell_link("STKIT432.DLL", ansi_group, ansi_name, ansi_target, "");
            break;
        default:
            // No library for this number: nothing is called and the result is 0.
            break;
        }
        return result != 0;
    } catch (const runtime::RunTimeError&) {
        // A library that cannot be loaded or bound is a failed call, no more.
        return false;
    }
}
