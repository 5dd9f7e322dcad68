#pragma once
// Decodes one big entry on a second thread while the caller's thread goes on
// with the next entries, so two cores inflate at once. Only the decoding and
// the commit move: every decision and every callback stays on the caller's
// thread, which collects the outcome with finish().
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "archive_reader.h"
#include "entry_decoder.h"
#include "file_system.h"

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
    // Outcome.
    DecodeResult result = DecodeResult::ok;
    bool committed = false;
    std::string commit_error;
};

class BackgroundWriter {
public:
    explicit BackgroundWriter(InputSource& input) : input_(input) {}
    ~BackgroundWriter() { finish(); }
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    /// The job in progress, if any.
    const WriteJob* pending() const { return job_.get(); }

    /// Whether a job is still running (its outcome not yet ready).
    bool busy() const { return job_ && !done_.load(std::memory_order_acquire); }

    /// Starts `job`; the writer must be idle (finish() first). When no thread
    /// can be started the job is done on the caller's thread before this returns.
    void start(std::unique_ptr<WriteJob> job);

    /// Waits for the job in progress and hands it back (null when idle).
    std::unique_ptr<WriteJob> finish();

private:
    InputSource& input_;
    std::unique_ptr<EntryDecoder> decoder_;
    std::unique_ptr<WriteJob> job_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace uz
