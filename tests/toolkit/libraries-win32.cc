#include "tests/toolkit/libraries-win32.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "libs/stkit/call_record-win32.h"

namespace toolkit_test {

std::wstring system_folder() {
    wchar_t path[MAX_PATH] = {};
    return std::wstring(path, GetSystemDirectoryW(path, MAX_PATH));
}

std::set<std::string> libraries_in_system_folder() {
    std::set<std::string> present;
    for (const char* library : {"STKIT432.DLL", "VB5STKIT.DLL", "VB6STKIT.DLL"}) {
        const std::wstring path = system_folder() + L'\\' + std::wstring(library, library + std::strlen(library));
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) present.insert(library);
    }
    return present;
}

bool is_loaded(const char* library) { return GetModuleHandleA(library) != nullptr; }

CallLog::CallLog() {
    wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"stk", 0, file);
    path_ = file;
    SetEnvironmentVariableW(stkit::call_log_variable, path_.c_str());
}

CallLog::~CallLog() {
    SetEnvironmentVariableW(stkit::call_log_variable, nullptr);
    DeleteFileW(path_.c_str());
}

std::vector<RecordedCall> CallLog::calls() const {
    std::ifstream in(std::filesystem::path(path_), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::vector<RecordedCall> calls;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::vector<std::string> fields;
        const std::string line = text.substr(start, end - start);
        for (std::size_t from = 0;;) {
            const std::size_t tab = std::min(line.find('\t', from), line.size());
            fields.push_back(line.substr(from, tab - from));
            if (tab == line.size()) break;
            from = tab + 1;
        }
        // The library's path, the number of arguments, the arguments.
        const std::string& path = fields[0];
        const std::size_t separator = path.find_last_of('\\');
        RecordedCall call;
        call.library_folder = std::wstring(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(separator));
        call.library = path.substr(separator + 1);
        std::transform(call.library.begin(), call.library.end(), call.library.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        call.arguments.assign(fields.begin() + 2, fields.end());
        if (std::to_string(call.arguments.size()) != fields[1]) call.library += " (argument count mismatch)";
        calls.push_back(std::move(call));
    }
    return calls;
}

bool RecordingToolkits::probe(const std::string& name) {
    probed.push_back(name);
    return real_.probe(name);
}

std::int32_t RecordingToolkits::create_shell_link(const std::string& library, const std::string& group,
                                                  const std::string& name, const std::string& target,
                                                  const std::string& arguments) {
    called.push_back(library);
    return real_.create_shell_link(library, group, name, target, arguments);
}

std::int32_t RecordingToolkits::create_shell_link(const std::string& library, const std::string& group,
                                                  const std::string& name, const std::string& target,
                                                  const std::string& arguments, std::int32_t private_flag,
                                                  const std::string& parent) {
    called.push_back(library);
    return real_.create_shell_link(library, group, name, target, arguments, private_flag, parent);
}

}  // namespace toolkit_test
