#pragma once
// One entry's file: decoded into a temporary file beside its destination, then
// renamed over it. It asks the caller nothing, so any thread may do it; the
// caller's thread reports its outcome.
#include <cstdint>
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
    std::unique_ptr<TemporaryFile> file;
    std::u16string target;  // where the file lands
    std::u16string name;    // as stored, for messages
    std::u16string shown;   // under the target folder, for messages
    int64_t mtime = 0;
    bool translate_line_ends = false;
    Result outcome;

    /// Decodes through `decode(sink)` into the file (with CR LF line ends when
    /// asked) and, when that worked, puts the file in place. Afterwards the
    /// temporary file is gone either way and `outcome` says how it went.
    template <typename Decode>
    void run(Decode decode) {
        LineEndSink line_ends(*file);
        outcome = decode(translate_line_ends ? static_cast<EntrySink&>(line_ends) : *file);
        if (outcome.ok()) {
            outcome = file->commit(target, mtime, entry.read_only());
            if (!outcome.ok()) outcome.detail.insert(0, "cannot write file: ");
        }
        file.reset();  // an uncommitted file removes itself here, on this thread
    }
};

}  // namespace uz
