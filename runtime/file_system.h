#pragma once
#include <memory>
#include <string>
#include <string_view>

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

    /// Whether a file or folder, of any attributes, is at `path` (no wildcards).
    virtual bool path_exists(const std::wstring& path) = 0;

    /// Raises the error that deleting the folder would stop at, a read-only
    /// file or a file that another program holds open, without deleting anything.
    virtual void ensure_removable(const std::wstring& folder) = 0;

    /// Deletes a file, or a folder with everything in it, read-only files and
    /// folders included: for data this program wrote or set aside itself.
    virtual void remove_tree(const std::wstring& path) = 0;

    /// Creates a folder; an existing file or folder of that name is an error,
    /// so that a folder this returns from is new.
    virtual void make_folder(const std::wstring& path) = 0;

    /// Removes a folder when it is empty; false, and nothing removed, when
    /// anything is in it.
    virtual bool remove_empty_folder(const std::wstring& path) = 0;

    /// Renames a file or folder within its volume, at once and durably. An
    /// existing file at `to` is replaced, in one step: at no moment is `to`
    /// missing or a mix of both; an existing folder is not replaced.
    virtual void move(const std::wstring& from, const std::wstring& to) = 0;

    /// Copies a file to a new name (an existing one is an error) whole, so
    /// that the copy renamed over it gives it back as it was: its bytes, its
    /// named data streams, its security descriptor as it is (the access list;
    /// the owner, group, integrity label and audit list where the process may
    /// set them, without failing where it may not), its attributes and its
    /// creation, last access and last write times as they were before the
    /// copy read it; flushed to the disk before returning.
    virtual void copy_exactly(const std::wstring& from, const std::wstring& to) = 0;

    /// Flushes everything written to the volume that holds `path` to the disk;
    /// false when the volume cannot be opened for that (no administrator, a
    /// network share).
    virtual bool flush_volume(const std::wstring& path) = 0;

    /// Flushes one file's bytes to the disk, read-only files included.
    virtual void flush_file(const std::wstring& path) = 0;

    /// The short (8.3) form of an existing path; empty when it has none.
    virtual std::wstring short_path(const std::wstring& path) = 0;

    /// The whole content of a file.
    virtual std::string read_file(const std::wstring& path) = 0;

    /// Appends bytes at the end of a file, creating it when missing, and
    /// flushes them to the disk before returning.
    virtual void append_file(const std::wstring& path, std::string_view bytes) = 0;

    /// Creates a new file with `bytes`, flushed to the disk before returning;
    /// an existing file of that name is an error. A failure leaves no file.
    virtual void create_file(const std::wstring& path, std::string_view bytes) = 0;

    /// Whether `path` is a symbolic link or a junction (a reparse point):
    /// moving or deleting it must not reach what it points to.
    virtual bool is_link(const std::wstring& path) = 0;

    /// A file this run holds open, letting others read it but neither write
    /// nor delete it: a second run that reaches it knows that this one is
    /// still at work.
    class HeldFile {
    public:
        virtual ~HeldFile() = default;
        virtual std::string read() = 0;
        /// Writes `bytes` over the content from its start and flushes them;
        /// bytes equal to those already there stay as they are on the disk.
        virtual void rewrite(std::string_view bytes) = 0;
        /// Deletes the file; it goes when it is let go.
        virtual void remove() = 0;
    };

    /// Creates `path` whole with `bytes`, flushed, and holds it; null when a
    /// file of that name exists already. The bytes are written first under the
    /// first held_file_temporary(path, n) that can be created exclusively, so
    /// that no one else's bytes are ever renamed to `path` and a cut-short run
    /// leaves no part of it there, only, at worst, that temporary file.
    virtual std::unique_ptr<HeldFile> create_held(const std::wstring& path, std::string_view bytes) = 0;

    /// Holds an existing file; null when another program holds it open.
    virtual std::unique_ptr<HeldFile> hold(const std::wstring& path) = 0;
};

/// The names under which create_held writes `path` before it is in place:
/// "path.1.tmp" to "path.99.tmp".
inline constexpr unsigned kHeldFileTemporaries = 99;
inline std::wstring held_file_temporary(const std::wstring& path, unsigned n) {
    return path + L"." + std::to_wstring(n) + L".tmp";
}

}  // namespace runtime
