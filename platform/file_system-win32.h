#pragma once
#include "runtime/file_system.h"

namespace platform {

class Win32FileSystem : public runtime::FileSystem {
public:
    std::wstring dir(const std::wstring& pattern, int attributes) override;
    void copy_file(const std::wstring& from, const std::wstring& to) override;
    void delete_file(const std::wstring& path) override;
    bool folder_exists(const std::wstring& path) override;
    bool path_exists(const std::wstring& path) override;
    void ensure_removable(const std::wstring& folder) override;
    void remove_tree(const std::wstring& path) override;
    void make_folder(const std::wstring& path) override;
    bool remove_empty_folder(const std::wstring& path) override;
    void move(const std::wstring& from, const std::wstring& to) override;
    void copy_exactly(const std::wstring& from, const std::wstring& to) override;
    bool flush_volume(const std::wstring& path) override;
    void flush_file(const std::wstring& path) override;
    std::wstring short_path(const std::wstring& path) override;
    std::string read_file(const std::wstring& path) override;
    void append_file(const std::wstring& path, std::string_view bytes) override;
    void create_file(const std::wstring& path, std::string_view bytes) override;
    bool is_link(const std::wstring& path) override;
    std::unique_ptr<HeldFile> create_held(const std::wstring& path, std::string_view bytes) override;
    std::unique_ptr<HeldFile> hold(const std::wstring& path) override;
};

}  // namespace platform
