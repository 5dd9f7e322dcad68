#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

/// Attribute bits of a directory search, with the platform's values.
namespace attribute {
inline constexpr int normal = 0;
inline constexpr int read_only = 1;
inline constexpr int hidden = 2;
inline constexpr int system = 4;
inline constexpr int directory = 16;
}  // namespace attribute

/// Files and folders. Every failure raises a RunTimeError whose description
/// names the file or folder concerned.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    /// Directory search: the name of the first entry that matches `pattern`
    /// (wildcards * and ? act in its last component), or the empty text.
    /// Ordinary files are always admitted; folders only when `attributes` has
    /// `directory`; hidden or system entries only when it has those bits.
    virtual std::wstring dir(const std::wstring& pattern, int attributes) = 0;

    /// Copies a file, replacing an existing target.
    virtual void copy_file(const std::wstring& from, const std::wstring& to) = 0;

    /// Deletes a file; a read-only file is not deleted (permission denied).
    virtual void delete_file(const std::wstring& path) = 0;

    virtual bool folder_exists(const std::wstring& path) = 0;

    /// Deletes a folder with all its files and subfolders, without forcing
    /// read-only files: one of them stops the deletion with an error, possibly
    /// after part of the folder is gone.
    virtual void delete_folder(const std::wstring& path) = 0;

    /// Raises the error that delete_folder would stop at, a read-only file or
    /// a file that another program holds open, without deleting anything.
    virtual void ensure_removable(const std::wstring& folder) = 0;

    /// Deletes a file, or a folder with everything in it, read-only files
    /// included: for data this program wrote itself.
    virtual void remove_tree(const std::wstring& path) = 0;

    /// Every file and folder below `folder`, as paths relative to it, in no
    /// particular order. A link to a folder elsewhere is listed, not followed.
    virtual std::vector<std::wstring> list_tree(const std::wstring& folder) = 0;

    /// Renames a file or folder within its volume, at once and durably. An
    /// existing file at `to` is replaced; an existing folder is not.
    virtual void move(const std::wstring& from, const std::wstring& to) = 0;

    /// The whole content of a file.
    virtual std::string read_file(const std::wstring& path) = 0;

    /// Appends bytes at the end of a file, creating it when missing, and
    /// flushes them to the disk before returning.
    virtual void append_file(const std::wstring& path, std::string_view bytes) = 0;

    /// Makes `bytes` the whole content of a file, creating it when missing,
    /// and flushes them to the disk before returning.
    virtual void write_file(const std::wstring& path, std::string_view bytes) = 0;
};

}  // namespace runtime
