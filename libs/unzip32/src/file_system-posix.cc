#include "file_system.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"
#include "wildcard.h"

namespace uz {
namespace {

std::string native(const std::u16string& path) { return codec::to_utf8(path); }

std::string system_error(int cause = errno) { return std::strerror(cause); }

Result file_error(int cause = errno) { return {Code::file_error, system_error(cause)}; }

}  // namespace

char16_t path_separator() { return u'/'; }

std::u16string from_caller_path(std::string_view bytes) {
    if (auto text = codec::from_utf8(bytes)) return *text;
    return codec::from_windows_1252(bytes);
}

// Folded as on Windows, where the names came from, as far as fold_case goes:
// a case-sensitive file system only makes a few more waits of it.
std::u16string same_file_key(const std::u16string& path) {
    std::u16string key(path);
    for (auto& c : key) c = fold_case(c);
    return key;
}

PathInfo path_info(const std::u16string& path) {
    struct stat status {};
    PathInfo info;
    if (::stat(native(path).c_str(), &status) != 0) return info;
    info.exists = true;
    info.is_directory = S_ISDIR(status.st_mode);
    info.read_only = !(status.st_mode & S_IWUSR);
    info.mtime = status.st_mtime;
    return info;
}

// Short names are Windows's: here a name is the file's only one.
bool may_be_another_name(std::u16string_view) { return false; }

Result make_directory(const std::u16string& path) {
    const std::string name = native(path);
    if (::mkdir(name.c_str(), 0777) == 0) return {};
    const int cause = errno;
    struct stat status {};
    if (cause == EEXIST && ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return {};
    if (cause == EEXIST) return {Code::file_error, "a file of that name is in the way"};
    return file_error(cause);
}

int64_t dos_time_to_unix(uint16_t date, uint16_t time) {
    std::tm parts{};
    parts.tm_year = 80 + (date >> 9);
    parts.tm_mon = ((date >> 5) & 15) - 1;
    parts.tm_mday = date & 31;
    parts.tm_hour = time >> 11;
    parts.tm_min = (time >> 5) & 63;
    parts.tm_sec = (time & 31) * 2;
    parts.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&parts));
}

void set_directory_time(const std::u16string& path, int64_t mtime) {
    const struct timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    ::utimensat(AT_FDCWD, native(path).c_str(), times, 0);
}

Result InputFile::open(const std::u16string& path, std::unique_ptr<InputFile>& file) {
    const int fd = ::open(native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int cause = errno;
        return {cause == ENOENT || cause == ENOTDIR ? Code::not_found : Code::unreadable, system_error(cause)};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        Result refused{Code::unreadable, S_ISDIR(status.st_mode) ? "it is a folder" : system_error()};
        ::close(fd);
        return refused;
    }
    file.reset(new InputFile(fd, static_cast<uint64_t>(status.st_size)));
    return {};
}

InputFile::~InputFile() { ::close(static_cast<int>(handle_)); }

Result InputFile::read_at(uint64_t offset, void* data, size_t length) {
    static constexpr char kReadError[] = "archive read error";
    if (offset > size_ || length > size_ - offset) return {Code::read_error, kReadError};
    auto* out = static_cast<char*>(data);
    while (length > 0) {
        const ssize_t got = ::pread(static_cast<int>(handle_), out, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {Code::read_error, kReadError + std::string(": ") + system_error()};
        if (got == 0) return {Code::read_error, kReadError + std::string(": the file ends early")};
        out += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
    return {};
}

OutputFile::OutputFile(const std::u16string& target, bool replacing)
    : target_(native(target)), replacing_(replacing), handle_(-1) {}

Result OutputFile::create() {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    if (!replacing_) {
        handle_ = ::open(target_.c_str(), kFlags, 0666);
        if (handle_ < 0) return file_error();
        state_ = State::writing;
        return {};
    }
    const size_t slash = target_.rfind('/');
    const size_t leaf_at = slash == std::string::npos ? 0 : slash + 1;
    const std::u16string leaf = from_caller_path(std::string_view(target_).substr(leaf_at));
    for (unsigned attempt = 1; attempt <= unzip32_temporary_attempts; ++attempt) {
        std::string candidate = target_.substr(0, leaf_at) + native(unzip32_temporary_name(leaf, attempt));
        handle_ = ::open(candidate.c_str(), kFlags, 0666);
        if (handle_ >= 0) {
            temporary_ = std::move(candidate);  // no allocation between the creation and its owner
            state_ = State::writing;
            return {};
        }
        if (errno != EEXIST) return file_error();
    }
    return {Code::file_error, "no free name for its temporary file"};
}

void OutputFile::discard() noexcept {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (state_ == State::writing || state_ == State::closed)
        ::unlink(replacing_ ? temporary_.c_str() : target_.c_str());
    if (state_ != State::in_place) state_ = State::none;
}

void OutputFile::remove_new_file() noexcept {
    if (state_ == State::in_place && !replacing_) ::unlink(target_.c_str());
    state_ = State::none;
}

Result OutputFile::write(const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(static_cast<int>(handle_), data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return file_error();
        if (done == 0) return {Code::file_error, "nothing could be written"};
        data += done;
        size -= static_cast<size_t>(done);
    }
    return {};
}

Result OutputFile::close(int64_t mtime, bool read_only) {
    const int fd = static_cast<int>(handle_);
    const struct timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    // The time is restored when the file system takes it; a time it refuses
    // (from a damaged extra field) is no reason to lose the content.
    ::futimens(fd, times);
    int cause = 0;
    if (read_only && ::fchmod(fd, 0444) != 0) cause = errno;
    if (cause == 0 && replacing_ && ::fsync(fd) != 0) cause = errno;
    handle_ = -1;
    if (::close(fd) != 0 && cause == 0) cause = errno;
    if (cause != 0) return file_error(cause);
    state_ = replacing_ ? State::closed : State::in_place;
    return {};
}

Result OutputFile::put_in_place() {
    if (state_ != State::closed) return {};
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return file_error();
    state_ = State::in_place;
    return {};
}

std::u16string OutputFile::shown_path(size_t skip) const {
    const std::u16string path = from_caller_path(target_);
    return skip < path.size() ? path.substr(skip) : path;
}

}  // namespace uz
