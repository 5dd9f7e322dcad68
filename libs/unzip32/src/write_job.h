#pragma once
// One entry's file, decided on the caller's thread (its name, whether it
// replaces a file) and then created, decoded and put in place. It asks the
// caller nothing, so any thread may do it; the caller's thread reports its
// outcome.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "archive_reader.h"
#include "entry_decoder.h"
#include "file_system.h"
#include "result.h"

namespace uz {

struct WriteJob {
    CentralEntry entry;
    uint64_t data_start = 0;
    std::u16string target;     // where the file lands
    std::u16string temporary;  // what is written first when a file is replaced; empty for a new file
    std::u16string name;       // as stored, for messages
    std::u16string shown;      // under the target folder, for messages
    int64_t mtime = 0;
    bool translate_line_ends = false;
    Result outcome;
    std::exception_ptr failure;  // what a worker caught (memory), thrown again on the caller's thread
    bool done = false;           // guarded by the pool that runs it

    /// Creates the file, decodes through `decode(sink)` into it (with CR LF
    /// line ends when asked) and, when that worked, puts it in place.
    /// Afterwards nothing of a failed entry is left and `outcome` says how it went.
    template <typename Decode>
    void run(Decode decode) {
        std::unique_ptr<OutputFile> file;
        if (outcome = OutputFile::create(target, temporary, file); !outcome.ok()) {
            outcome.detail.insert(0, "cannot create file: ");
            return;
        }
        LineEndSink line_ends(*file);
        outcome = decode(translate_line_ends ? static_cast<EntrySink&>(line_ends) : *file);
        if (outcome.ok()) {
            outcome = file->commit(mtime, entry.read_only());
            if (!outcome.ok()) outcome.detail.insert(0, "cannot write file: ");
        }
    }
};

}  // namespace uz
