// The floor of an extraction: the archive's files written from memory, one
// after the other, as any extractor must at least write them (folders, then
// each file created, written and closed). Everything is decoded first; only
// the writing is timed, and its seconds printed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "entry_decoder.h"
#include "file_system.h"

namespace {

class StringSink final : public uz::EntrySink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    uz::Result write(const uint8_t* data, size_t size) override {
        out_.append(reinterpret_cast<const char*>(data), size);
        return {};
    }

private:
    std::string& out_;
};

bool fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    return false;
}

struct File {
    std::string name, data;
};

bool decode_all(const std::string& path, std::vector<File>& files) {
    std::unique_ptr<uz::InputFile> archive;
    if (uz::Result opened = uz::InputFile::open(uz::from_caller_path(path), archive); !opened.ok())
        return fail("open", opened.detail);
    uz::ArchiveLayout layout;
    if (uz::Result located = uz::locate_directory(*archive, layout); !located.ok())
        return fail("archive", located.detail);
    uz::DirectoryReader reader(*archive, layout);
    uz::EntryDecoder decoder;
    uz::CentralEntry entry;
    for (uint64_t i = 0; i < layout.entry_count; ++i) {
        uint64_t data_start = 0;
        if (uz::Result read = reader.next(entry); !read.ok()) return fail("directory", read.detail);
        if (uz::Result found = uz::locate_data(*archive, layout, entry, data_start); !found.ok())
            return fail(entry.raw_name.c_str(), found.detail);
        File& file = files.emplace_back(File{entry.raw_name, {}});
        StringSink sink(file.data);
        if (uz::Result decoded = decoder.decode(*archive, uz::EntryData::of(entry, data_start), {}, sink); !decoded.ok())
            return fail(entry.raw_name.c_str(), decoded.detail);
    }
    return true;
}

bool write_all(const std::string& folder, const std::vector<File>& files) {
    std::set<std::string> made;
    const auto make_folder = [&](const std::string& path) {
        if (made.insert(path).second && ::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
        return true;
    };
    if (!make_folder(folder)) return fail("mkdir", folder);
    for (const File& file : files) {
        const std::string path = folder + "/" + file.name;
        for (size_t at = path.find('/', folder.size() + 1); at != std::string::npos; at = path.find('/', at + 1))
            if (!make_folder(path.substr(0, at))) return fail("mkdir", path);
        if (path.back() == '/') continue;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, file.data.data(), file.data.size()) != static_cast<ssize_t>(file.data.size()) ||
            ::close(fd) != 0)
            return fail("write", path);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<File> files;
    if (!decode_all(argv[1], files)) return 1;
    const auto start = std::chrono::steady_clock::now();
    if (!write_all(argv[2], files)) return 1;
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", spent.count());
    return 0;
}
