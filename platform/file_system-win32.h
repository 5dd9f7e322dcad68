#pragma once
#include "runtime/file_system.h"

namespace platform {

class Win32FileSystem : public runtime::FileSystem {
public:
    std::wstring dir(const std::wstring& pattern, int attributes) override;
    void copy_file(const std::wstring& from, const std::wstring& to) override;
    void delete_file(const std::wstring& path) override;
    bool folder_exists(const std::wstring& path) override;
    void delete_folder(const std::wstring& path) override;
    void ensure_removable(const std::wstring& folder) override;
    void remove_tree(const std::wstring& path) override;
    std::vector<std::wstring> list_tree(const std::wstring& folder) override;
    void move(const std::wstring& from, const std::wstring& to) override;
    std::string read_file(const std::wstring& path) override;
    void append_file(const std::wstring& path, std::string_view bytes) override;
    void write_file(const std::wstring& path, std::string_view bytes) override;
};

}  // namespace platform
