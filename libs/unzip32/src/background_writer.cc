#include "background_writer.h"

#include <system_error>

namespace uz {

void BackgroundWriter::start(std::unique_ptr<WriteJob> job) {
    if (!decoder_) decoder_ = std::make_unique<EntryDecoder>();
    job_ = std::move(job);
    done_.store(false, std::memory_order_relaxed);
    auto work = [this, job = job_.get()] {
        job->run([&](EntrySink& sink) { return decoder_->decode(input_, job->data_start, job->entry, {}, sink); });
        done_.store(true, std::memory_order_release);
    };
    try {
        thread_ = std::thread(work);
    } catch (const std::system_error&) {
        work();  // no thread to be had (a process or memory limit): decode here, only slower
    }
}

std::unique_ptr<WriteJob> BackgroundWriter::finish() {
    if (thread_.joinable()) thread_.join();
    return std::move(job_);
}

}  // namespace uz
