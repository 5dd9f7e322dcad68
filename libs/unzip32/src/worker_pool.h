#pragma once
// Creates, decodes and writes entries' files on a few threads while the
// caller's thread reads the directory and makes every decision: on many small
// files the time goes into the file system's work on each file, which then
// overlaps. Jobs are taken in the order they come; the caller's thread waits
// for the ones it needs and reports them.
//
// A job that throws (out of memory) stops the pool: no job is taken after it,
// and the caller's next call into the pool throws the same exception. Since
// jobs are taken in order, every earlier job was taken and finishes; a
// replacement is put over its old file only once every earlier job is done
// and none threw, so that nothing past the failing entry is lost for good.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "entry_decoder.h"
#include "input_source.h"
#include "write_job.h"

namespace uz {

/// The most workers a run starts: below 0 the machine decides (none on one
/// core); 0 makes every run sequential, as the tests need to compare.
inline std::atomic<int> max_workers{-1};

class WorkerPool {
public:
    explicit WorkerPool(InputSource& input);
    /// Jobs not started are dropped (their files were never touched); running ones finish.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// Queues `job`, which must stay alive until it is done or the pool is
    /// gone. False when no worker can take it (none allowed, none could be
    /// started): the caller then runs it itself.
    bool submit(WriteJob& job);

    /// Waits until a submitted `job` is done. With a `backlog`, a wait that
    /// has to sleep lasts until no more than that many jobs are left, so that
    /// the caller sleeps once for many jobs. Throws what a job threw.
    void wait(WriteJob& job, size_t backlog = SIZE_MAX);

    /// Waits until every submitted job is done; throws what a job threw.
    void wait_all() { wait_for(nullptr, 0); }

    /// Gets queued jobs a worker now rather than when more come: the caller
    /// is about to make a call that may wait for the user.
    void wake();

    /// Lets every job taken, or every job submitted when none threw, finish,
    /// then stops the workers. Returns the earliest job that threw, if any.
    const WriteJob* finish() noexcept;

    /// For a worker's job about to replace a file: waits until every job
    /// submitted before it is done; false when one of them threw.
    bool earlier_done(const WriteJob& job);

private:
    struct Worker;
    void work(EntryDecoder& decoder);
    void wake_workers();
    void wait_for(const WriteJob* job, size_t backlog);
    bool wait_over() const;
    bool failed_before(const WriteJob& job) const { return failed_ && failed_->sequence < job.sequence; }

    InputSource& input_;
    size_t limit_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::condition_variable retired_;
    // The jobs not yet retired (done, with every earlier one done), in
    // submission order through WriteJob::next: oldest_ first, then the ones
    // running or done, then the queue from next_ to newest_.
    WriteJob* oldest_ = nullptr;
    WriteJob* next_ = nullptr;
    WriteJob* newest_ = nullptr;
    size_t queued_count_ = 0;
    size_t unfinished_ = 0;  // queued or running
    uint64_t submitted_ = 0;
    // What the caller's thread waits for, while it does: a job (or all) done
    // and no more than a backlog left; a failure ends the wait unless it is
    // the last one, for the running jobs.
    bool caller_waiting_ = false;
    const WriteJob* awaited_ = nullptr;
    size_t awaited_backlog_ = 0;
    bool until_failure_ = true;
    size_t idle_ = 0;
    size_t ordering_ = 0;  // workers waiting in earlier_done
    bool stopping_ = false;
    std::exception_ptr failure_;
    const WriteJob* failed_ = nullptr;  // the earliest job that threw
    std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace uz
