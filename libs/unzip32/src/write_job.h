#pragma once
// One entry's file, decided on the caller's thread (its name, whether it
// replaces a file) and then created, decoded and put in place. It asks the
// caller nothing, so any thread may do it; the caller's thread reports its
// outcome. It holds what its writing needs and the name for its message, no
// more: many may wait for a worker at once.
#include <cstdint>
#include <string>

#include "entry_decoder.h"
#include "file_system.h"
#include "result.h"

namespace uz {

struct WriteJob {
    WriteJob(const EntryData& entry_data, const std::u16string& target, bool replacing, std::string entry_name,
             size_t shown_from_unit, int64_t time, bool is_read_only, bool is_text)
        : data(entry_data), file(target, replacing), name(std::move(entry_name)), shown_from(shown_from_unit),
          mtime(time), read_only(is_read_only), translate_line_ends(is_text) {}

    const EntryData data;
    OutputFile file;
    const std::string name;   // as stored, in UTF-8, for messages
    const size_t shown_from;  // where the path under the target folder starts in the target, for messages
    const int64_t mtime;
    const bool read_only;
    const bool translate_line_ends;
    Result outcome;
    bool done = false;       // guarded by the pool that runs it
    // The pool's: the next job in submission order, and that order.
    WriteJob* next = nullptr;
    uint64_t sequence = 0;
    // The extraction's: the keys under which later entries find this job.
    uint64_t claims[3] = {};
    unsigned claim_count = 0;

    /// Creates the file, decodes through `decode(sink)` into it (with CR LF
    /// line ends when asked) and closes it; a replacement is then put in place
    /// once `earlier_done()` says every earlier entry's file is done well.
    /// Afterwards nothing of a failed entry is left and `outcome` says how it
    /// went; thrown out of memory, nothing is left either.
    template <typename Decode, typename EarlierDone>
    void run(Decode decode, EarlierDone earlier_done) {
        try {
            if (outcome = file.create(); !outcome.ok()) {
                outcome.detail.insert(0, "cannot create file: ");
                return;
            }
            LineEndSink line_ends(file);
            outcome = decode(translate_line_ends ? static_cast<EntrySink&>(line_ends) : file);
            if (outcome.ok()) {
                outcome = file.close(mtime, read_only);
                if (outcome.ok() && file.replacing() && !earlier_done())
                    outcome = {Code::file_error, "the run stopped before it"};
                if (outcome.ok()) outcome = file.put_in_place();
                if (!outcome.ok()) outcome.detail.insert(0, "cannot write file: ");
            }
            if (!outcome.ok()) file.discard();
        } catch (...) {
            file.discard();
            throw;
        }
    }
};

}  // namespace uz
