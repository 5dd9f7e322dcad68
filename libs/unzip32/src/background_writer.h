#pragma once
// Decodes one big entry on a second thread while the caller's thread goes on
// with the next entries, so two cores inflate at once. Only the decoding and
// the commit move: every decision and every callback stays on the caller's
// thread, which collects the outcome with finish().
#include <atomic>
#include <memory>
#include <thread>

#include "entry_decoder.h"
#include "input_source.h"
#include "write_job.h"

namespace uz {

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
