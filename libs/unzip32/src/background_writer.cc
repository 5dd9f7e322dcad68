#include "background_writer.h"

namespace uz {

void BackgroundWriter::start(std::unique_ptr<WriteJob> job) {
    if (!decoder_) decoder_ = std::make_unique<EntryDecoder>();
    job_ = std::move(job);
    done_.store(false, std::memory_order_relaxed);
    thread_ = std::thread([this, job = job_.get()] {
        LineEndSink line_ends(*job->file);
        EntrySink& sink = job->translate_line_ends ? static_cast<EntrySink&>(line_ends) : *job->file;
        job->result = decoder_->decode(input_, job->data_start, job->entry, {}, sink);
        if (job->result == DecodeResult::ok)
            job->committed = job->file->commit(job->target, job->mtime, job->entry.read_only(), job->commit_error);
        job->file.reset();  // an uncommitted file removes itself here, on this thread
        done_.store(true, std::memory_order_release);
    });
}

std::unique_ptr<WriteJob> BackgroundWriter::finish() {
    if (thread_.joinable()) thread_.join();
    return std::move(job_);
}

}  // namespace uz
