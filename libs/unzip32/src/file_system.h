#pragma once
// The few file-system operations an extraction needs, one implementation per
// platform. Paths are UTF-16; the POSIX side turns them into UTF-8. Failures
// carry the system's own text (on Windows its message for the error code), in
// UTF-8.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "entry_decoder.h"
#include "input_source.h"
#include "result.h"

namespace uz {

/// The separator of the platform's paths, used in paths and in messages.
char16_t path_separator();

/// The caller's archive and folder paths: the ANSI code page on Windows; UTF-8
/// elsewhere, or Windows-1252 when they are not UTF-8.
std::u16string from_caller_path(std::string_view bytes);

struct PathInfo {
    bool exists = false;
    bool is_directory = false;
    bool read_only = false;  // the read-only attribute on Windows, no owner write elsewhere
    int64_t mtime = 0;       // seconds since 1970, UTC
};

PathInfo path_info(const std::u16string& path);

/// What two paths that name the same file have in common here: on Windows the
/// path in capitals, as the file system compares names (Greek, Armenian,
/// full-width letters included).
std::u16string same_file_key(const std::u16string& path);

/// Whether a path may name, through another name, a file this run is writing
/// under its own: on Windows a component with a '~' may be a short (8.3) name.
bool may_be_another_name(std::u16string_view path);

/// Creates one folder; fine when it exists as a folder afterwards.
Result make_directory(const std::u16string& path);

/// Seconds since 1970 (UTC) of a DOS date and time, read as local time.
int64_t dos_time_to_unix(uint16_t date, uint16_t time);

/// Sets a folder's modification time; failures are not worth an error.
void set_directory_time(const std::u16string& path, int64_t mtime);

class InputFile final : public InputSource {
public:
    /// Opens an archive for reading: not_found or unreadable when it cannot be.
    static Result open(const std::u16string& path, std::unique_ptr<InputFile>& file);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    uint64_t size() const override { return size_; }
    Result read_at(uint64_t offset, void* data, size_t length) override;

private:
    InputFile(intptr_t handle, uint64_t size) : handle_(handle), size_(size) {}
    intptr_t handle_;
    uint64_t size_;
};

#if defined(_WIN32)
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

/// An entry's file being written. Where nothing exists yet it is created
/// exclusively under its own name; an existing file is replaced through a
/// temporary file created exclusively beside it (unzip32_temporary_name, the
/// first free one), flushed and renamed over the old one only once complete,
/// so the old bytes stay whole until then. Nothing that exists is ever opened,
/// truncated or deleted, symbolic links included: only what this object
/// created. It owns what it created from the moment it exists; discarded or
/// destroyed uncommitted, it removes it, without allocating.
class OutputFile final : public EntrySink {
public:
    /// Converts the path (nothing is created yet). `replacing`: a file is
    /// there, to be replaced.
    OutputFile(const std::u16string& target, bool replacing);
    ~OutputFile() override { discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Creates the file; file_error when it cannot be, or when every
    /// temporary name is taken.
    Result create();

    /// A file_error with the system's reason (a full disk) when not all is written.
    Result write(const uint8_t* data, size_t size) override;

    /// Sets the time and the read-only attribute and closes; a temporary file
    /// is flushed to disk first.
    Result close(int64_t mtime, bool read_only);

    /// Renames a closed temporary file over the file it replaces (not over a
    /// read-only one on Windows); a new file is in place already.
    Result put_in_place();

    /// Removes what was created and not put in place.
    void discard() noexcept;

    /// Removes a new file put in place by this object: its entry turned out to
    /// lie past the point where the run stopped.
    void remove_new_file() noexcept;

    bool replacing() const { return replacing_; }

    /// The path of the file, from its `skip`-th unit on (the part under the
    /// target folder, for messages).
    std::u16string shown_path(size_t skip) const;

private:
    enum class State { none, writing, closed, in_place };
    NativePath target_;
    NativePath temporary_;  // the one created; empty while none is
    bool replacing_;
    bool read_only_ = false;  // to be set once in place (Windows)
    State state_ = State::none;
    intptr_t handle_;
};

}  // namespace uz
