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
    int64_t mtime = 0;  // seconds since 1970, UTC
};

PathInfo path_info(const std::u16string& path);

/// What two paths that name the same file have in common here: on Windows the
/// path in capitals, as the file system compares names (Greek, Armenian,
/// full-width letters included).
std::u16string same_file_key(const std::u16string& path);

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

/// An entry's file being written. Where nothing exists yet it is created
/// exclusively under its own name; an existing file is replaced through a
/// temporary file beside it, renamed over the old one only once complete, so
/// the old bytes stay whole until then. Destroyed uncommitted, it removes what
/// it wrote: a failed entry leaves neither a partial file nor a damaged old one.
class OutputFile final : public EntrySink {
public:
    /// Creates `target`, or `temporary` when it is not empty (a file already
    /// there under that name is taken for one a killed run left, and replaced).
    static Result create(const std::u16string& target, const std::u16string& temporary,
                         std::unique_ptr<OutputFile>& file);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// A file_error with the system's reason (a full disk) when not all is written.
    Result write(const uint8_t* data, size_t size) override;

    /// Sets the time, closes, renames a temporary file over the target (a
    /// read-only old file included) and applies the read-only attribute when asked.
    Result commit(int64_t mtime, bool read_only);

private:
    OutputFile(intptr_t handle, std::u16string path, std::u16string target)
        : handle_(handle), path_(std::move(path)), target_(std::move(target)) {}
    void discard();
    intptr_t handle_;
    std::u16string path_;    // the file being written
    std::u16string target_;  // where it lands: path_ itself, or the file it replaces
    bool committed_ = false;
};

}  // namespace uz
