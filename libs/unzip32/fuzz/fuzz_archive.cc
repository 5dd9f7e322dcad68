// libFuzzer target: any bytes as an archive, listed, tested and extracted into
// a scratch folder. It must end with a result code, never a crash, a hang or
// an allocation that grows with what the archive claims.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "extraction.h"
#include "input_source.h"
#include "libs/codec/codec.h"

namespace {

int32_t print(const char*, uint32_t) { return 0; }
int32_t replace(char*) { return UZP_REPLACE_ALL; }
int32_t password(char* buffer, int32_t size, const char*, const char*) {
    if (size > 8) std::strcpy(buffer, "Secret");
    return 0;
}
void message(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, const char* name,
             const char* method, uint32_t, uint32_t) {
    // Read the texts as a caller would, so a missing terminator shows up.
    volatile size_t lengths = std::strlen(name) + std::strlen(method);
    (void)lengths;
}

const std::filesystem::path& scratch() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("unzip32-fuzz-" + std::to_string(::getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uz::MemorySource archive(std::string_view(reinterpret_cast<const char*>(data), size));
    USERFUNCTIONS callbacks{&print, nullptr, &replace, &password, &message, nullptr, 0, 0, 0, 0, 0};
    for (int mode = 0; mode < 3; ++mode) {
        uz::ExtractionRequest request;
        request.callbacks = &callbacks;
        request.archive_name = u"fuzz.zip";
        request.target_folder = *codec::from_utf8(scratch().string());
        request.options.recreate_folders = 1;
        request.options.prompt_to_overwrite = 1;
        request.options.list_only = mode == 0;
        request.options.test_only = mode == 1;
        request.options.translate_eol = 1;
        uz::extract_archive(archive, request);
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch(), ignored);
    return 0;
}
