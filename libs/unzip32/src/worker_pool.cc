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
    retired_.notify_all();
    for (auto& worker : workers_)
        if (worker->thread.joinable()) worker->thread.join();
}

bool WorkerPool::submit(WriteJob& job) {
    std::unique_lock lock(mutex_);
    if (failure_) std::rethrow_exception(failure_);
    // Another worker only when the waiting jobs outnumber the idle ones.
    if (workers_.size() < limit_ && queued_count_ >= idle_) {
        auto worker = std::make_unique<Worker>();
        try {
            worker->thread = std::thread([this, decoder = &worker->decoder] { work(*decoder); });
            workers_.push_back(std::move(worker));
        } catch (const std::system_error&) {
            limit_ = workers_.size();  // no thread to be had (a process or memory limit): make do
        }
    }
    if (workers_.empty()) return false;
    job.sequence = ++submitted_;
    job.next = nullptr;
    (newest_ ? newest_->next : oldest_) = &job;
    newest_ = &job;
    if (!next_) next_ = &job;
    ++queued_count_;
    ++unfinished_;
    const bool wake = idle_ > 0 && queued_count_ >= kWakeBatch;
    lock.unlock();
    if (wake) queued_.notify_one();
    return true;
}

void WorkerPool::wake_workers() {
    if (failure_) return;
    for (size_t i = std::min(queued_count_, idle_); i > 0; --i) queued_.notify_one();
}

void WorkerPool::wake() {
    const std::lock_guard lock(mutex_);
    wake_workers();
}

bool WorkerPool::wait_over() const {
    if (failure_ && until_failure_) return true;
    const size_t left = failure_ ? unfinished_ - queued_count_ : unfinished_;  // queued jobs stay so
    return (!awaited_ || awaited_->done) && left <= awaited_backlog_;
}

void WorkerPool::wait(WriteJob& job, size_t backlog) { wait_for(&job, backlog); }

void WorkerPool::wait_for(const WriteJob* job, size_t backlog) {
    std::unique_lock lock(mutex_);
    if (!failure_ && (job ? !job->done : unfinished_ > 0)) {
        wake_workers();  // nothing may stay queued while this thread sleeps
        caller_waiting_ = true;
        awaited_ = job;
        awaited_backlog_ = backlog;
        until_failure_ = true;
        finished_.wait(lock, [&] { return wait_over(); });
        caller_waiting_ = false;
    }
    if (failure_) std::rethrow_exception(failure_);
}

const WriteJob* WorkerPool::finish() noexcept {
    std::unique_lock lock(mutex_);
    wake_workers();
    caller_waiting_ = true;
    awaited_ = nullptr;
    awaited_backlog_ = 0;
    until_failure_ = false;
    finished_.wait(lock, [&] { return wait_over(); });
    caller_waiting_ = false;
    stopping_ = true;
    lock.unlock();
    queued_.notify_all();
    retired_.notify_all();
    for (auto& worker : workers_)
        if (worker->thread.joinable()) worker->thread.join();
    return failed_;
}

bool WorkerPool::earlier_done(const WriteJob& job) {
    std::unique_lock lock(mutex_);
    ++ordering_;
    retired_.wait(lock, [&] { return oldest_ == &job || failed_before(job) || stopping_; });
    --ordering_;
    return oldest_ == &job && !failed_before(job);
}

void WorkerPool::work(EntryDecoder& decoder) {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        queued_.wait(lock, [&] { return stopping_ || (next_ && !failure_); });
        --idle_;
        if (stopping_) return;
        WriteJob& job = *next_;
        next_ = job.next;
        --queued_count_;
        lock.unlock();
        std::exception_ptr thrown;
        try {
            job.run([&](EntrySink& sink) { return decoder.decode(input_, job.data, {}, sink); },
                    [&] { return earlier_done(job); });
        } catch (...) {
            thrown = std::current_exception();
        }
        lock.lock();
        if (thrown && (!failed_ || job.sequence < failed_->sequence)) {
            failure_ = thrown;
            failed_ = &job;
        }
        job.done = true;
        --unfinished_;
        const WriteJob* const oldest = oldest_;
        while (oldest_ && oldest_->done) oldest_ = oldest_->next;
        if (!oldest_) newest_ = nullptr;
        if (caller_waiting_ && wait_over()) finished_.notify_one();
        if (ordering_ > 0 && (oldest_ != oldest || thrown)) retired_.notify_all();
    }
}

}  // namespace uz
