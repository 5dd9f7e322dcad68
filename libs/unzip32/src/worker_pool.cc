#include "worker_pool.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace uz {
namespace {

// One worker a core: more only contend for the file system's locks (creating
// files on a disk, more workers than cores made it slower) and cost buffers.
constexpr unsigned kMostWorkers = 4;
// Waking a worker costs about what writing a small file does: a sleeping one
// is woken when this many jobs wait.
constexpr size_t kWakeBatch = 4;

size_t worker_limit() {
    if (const int chosen = max_workers.load(std::memory_order_relaxed); chosen >= 0) return static_cast<size_t>(chosen);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores <= 1 ? 0 : std::min(cores, kMostWorkers);
}

}  // namespace

struct WorkerPool::Worker {
    EntryDecoder decoder;
    std::thread thread;
};

WorkerPool::WorkerPool(InputSource& input) : input_(input), limit_(worker_limit()) {
    workers_.reserve(limit_);  // so that a started thread is never dropped for want of room
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (auto& worker : workers_) worker->thread.join();
}

bool WorkerPool::submit(WriteJob& job) {
    std::unique_lock lock(mutex_);
    // Another worker only when the waiting jobs outnumber the idle ones.
    if (workers_.size() < limit_ && queue_.size() >= idle_) {
        auto worker = std::make_unique<Worker>();
        try {
            worker->thread = std::thread([this, decoder = &worker->decoder] { work(*decoder); });
            workers_.push_back(std::move(worker));
        } catch (const std::system_error&) {
            limit_ = workers_.size();  // no thread to be had (a process or memory limit): make do
        }
    }
    if (workers_.empty()) return false;
    queue_.push_back(&job);
    ++unfinished_;
    const bool wake = idle_ > 0 && queue_.size() >= kWakeBatch;
    lock.unlock();
    if (wake) queued_.notify_one();
    return true;
}

void WorkerPool::wake_workers() {
    for (size_t i = std::min(queue_.size(), idle_); i > 0; --i) queued_.notify_one();
}

void WorkerPool::wait(WriteJob& job, size_t backlog) {
    std::unique_lock lock(mutex_);
    if (!job.done) {
        wake_workers();  // nothing may stay queued while this thread sleeps
        awaited_ = &job;
        awaited_backlog_ = backlog;
        finished_.wait(lock, [&] { return job.done && unfinished_ <= backlog; });
        awaited_ = nullptr;
    }
    lock.unlock();
    if (job.failure) std::rethrow_exception(std::exchange(job.failure, nullptr));
}

void WorkerPool::work(EntryDecoder& decoder) {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        queued_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        --idle_;
        if (stopping_) return;
        WriteJob& job = *queue_.front();
        queue_.pop_front();
        lock.unlock();
        try {
            job.run([&](EntrySink& sink) { return decoder.decode(input_, job.data_start, job.entry, {}, sink); });
        } catch (...) {
            job.failure = std::current_exception();
        }
        lock.lock();
        job.done = true;
        --unfinished_;
        if (awaited_ && awaited_->done && unfinished_ <= awaited_backlog_) finished_.notify_one();
    }
}

}  // namespace uz
