// A small command-line driver of the native libunzip32: extracts ARCHIVE into
// FOLDER through Wiz_SingleEntryUnzip, overwriting, quietly, so the benchmark
// times the library as an application uses it.
#include <cstdio>
#include <cstring>
#include <string>

#include "libs/unzip32/unzip32.h"

namespace {

int32_t print(const char* text, uint32_t length) {
    std::fwrite(text, 1, length, stderr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 2;
    }
    std::string archive = argv[1], folder = argv[2];
    DCL options{};
    options.always_overwrite = 1;
    options.recreate_folders = 1;
    options.quiet = 1;  // problems only
    options.archive_name = archive.data();
    options.extract_folder = folder.data();
    USERFUNCTIONS callbacks{};
    callbacks.print = &print;
    const int32_t result = Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, &callbacks);
    if (result != UZP_OK) std::fprintf(stderr, "result %d\n", static_cast<int>(result));
    return result == UZP_OK ? 0 : 1;
}
