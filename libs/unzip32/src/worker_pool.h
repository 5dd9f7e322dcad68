#pragma once
// Creates, decodes and writes entries' files on a few threads while the
// caller's thread reads the directory and makes every decision: on many small
// files the time goes into the file system's work on each file, which then
// overlaps. Jobs are taken in the order they come; the caller's thread waits
// for the ones it needs and reports them.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
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

    /// Queues `job`, which must stay alive until it is done. False when no
    /// worker can take it (none allowed, none could be started): the caller
    /// then runs it itself.
    bool submit(WriteJob& job);

    /// Waits until a submitted `job` is done, then throws what it caught. With
    /// a `backlog`, a wait that has to sleep lasts until no more than that
    /// many jobs are left, so that the caller sleeps once for many jobs.
    void wait(WriteJob& job, size_t backlog = SIZE_MAX);

private:
    struct Worker;
    void work(EntryDecoder& decoder);
    void wake_workers();

    InputSource& input_;
    size_t limit_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<WriteJob*> queue_;
    size_t unfinished_ = 0;  // queued or running
    const WriteJob* awaited_ = nullptr;
    size_t awaited_backlog_ = 0;
    size_t idle_ = 0;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace uz
