#pragma once
// The files that jobs handed to the workers may be making, so that a later
// entry that needs one of those names (its own, its folders', a temporary
// file's) first waits for the job: each entry then finds the earlier files as
// the archive order leaves them. A replacement may take any of the temporary
// names of its family (`.LEAF.uz-tmp`, `.LEAF.2.uz-tmp` …), so it is found by
// all of them. Names are compared as the file system compares them, through
// a hash: two names that only share it cost a needless wait, nothing more.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "write_job.h"

namespace uz {

class PendingFiles {
public:
    bool empty() const { return jobs_.empty(); }

    /// The job that may be making a file at `path`, or one of the temporary
    /// names of its family; null when none is.
    WriteJob* find(const std::u16string& path) const;

    /// Records that `job` makes `target` and, `replacing`, one of the
    /// temporary names beside it. Whatever was pending at those names must
    /// have been waited for.
    void add(WriteJob& job, const std::u16string& target, bool replacing);

    /// Forgets `job`, done, unless a later job took its names since.
    void remove(WriteJob& job);

private:
    std::unordered_map<uint64_t, WriteJob*> jobs_;  // by the key of each name
};

/// `.STEM.uz-tmp` when `leaf` is one of the temporary names
/// (`.STEM.uz-tmp`, `.STEM.N.uz-tmp`, in any case; numbers dropped), else empty.
std::u16string temporary_family(std::u16string_view leaf);

}  // namespace uz
