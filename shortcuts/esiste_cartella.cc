#include "runtime/run_time_error.h"
#include "shortcuts/module1.h"

namespace Module1 {

bool esiste_cartella(runtime::FileSystem& files, const std::wstring& path) {
    try {
        return !files.dir(path, runtime::attribute::directory).empty();
    } catch (const runtime::RunTimeError&) {
        return false;
    }
}

}  // namespace Module1
