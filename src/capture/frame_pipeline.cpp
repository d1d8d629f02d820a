#include "capture/frame_pipeline.h"

#include <chrono>
#include <exception>
#include <new>

namespace quadrelume::capture {
namespace {

// The message of a sink's failure.
std::string failureText(const std::exception& e) {
    return dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? "out of memory" : e.what();
}

}  // namespace

FramePipeline::FramePipeline(FrameSink& sink, std::size_t frameBytes, int buffers) : sink_(sink) {
    for (int i = 0; i < buffers; ++i) {
        // Not zeroed: every byte is written before it is read, and untouched
        // pages of a huge frame cost no memory yet.
        storage_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(frameBytes));
        free_.push_back(storage_.back().get());
    }
    thread_ = std::thread(&FramePipeline::run, this);
}

FramePipeline::~FramePipeline() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

std::uint8_t* FramePipeline::acquire() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || !error_.empty(); });
    if (!error_.empty()) return nullptr;
    std::uint8_t* buffer = free_.front();
    free_.pop_front();
    return buffer;
}

void FramePipeline::submit(std::uint8_t* buffer) {
    {
        std::lock_guard lock(mutex_);
        queued_.push_back(buffer);
    }
    changed_.notify_all();
}

std::optional<std::string> FramePipeline::finish(const std::function<bool()>& stop) {
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    while (!changed_.wait_for(lock, std::chrono::milliseconds(50), [this] { return finished_; })) {
        if (!stop) continue;
        lock.unlock();
        const bool stopping = stop();
        lock.lock();
        if (stopping && !finished_) return std::nullopt;
    }
    return error_;
}

void FramePipeline::run() {
    std::int64_t written = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || closing_ || !queued_.empty(); });
        if (stopping_) return;
        if (queued_.empty()) break;  // closing, and everything is written
        std::uint8_t* buffer = queued_.front();
        queued_.pop_front();
        lock.unlock();
        std::string failure;
        if (error_.empty()) {  // only this thread writes error_
            try {
                sink_.writeFrame(buffer, written++);
            } catch (const std::exception& e) {
                failure = failureText(e);
            }
        }
        lock.lock();
        if (!failure.empty()) error_ = failure;
        free_.push_back(buffer);
        changed_.notify_all();
    }
    std::string failure;
    if (error_.empty()) {
        lock.unlock();
        try {
            sink_.finish(written);
        } catch (const std::exception& e) {
            failure = failureText(e);
        }
        lock.lock();
    }
    if (!failure.empty()) error_ = failure;
    finished_ = true;
    changed_.notify_all();
}

}  // namespace quadrelume::capture
