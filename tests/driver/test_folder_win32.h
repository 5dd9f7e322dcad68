#pragma once
// Places of the driver tests: the programs beside the test binary and a
// temporary folder of the test's own.
#include <string>

#include "tools/fixture/fixture_builder-win32.h"

namespace driver_tests {

/// The folder of the running test binary, where the probe program is built.
std::wstring binary_folder();
std::wstring probe_exe();

/// A fresh folder under the temporary folder, removed again with its content.
class TempFolder {
public:
    TempFolder();
    const std::wstring& path() const { return tree_.path(); }
    std::wstring operator/(const std::wstring& name) const { return path() + L"\\" + name; }

private:
    fixture::ScopedTree tree_;
};

/// A name no other test process in the prefix uses at the same time.
std::wstring unique_name(const std::wstring& stem);

}  // namespace driver_tests
