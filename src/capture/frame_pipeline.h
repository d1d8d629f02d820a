// Overlapping the encoding of frames with the rendering of the next ones.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/frame_sink.h"

namespace quadrelume::capture {

// Hands frames to a FrameSink on a thread of its own through a fixed set of
// frame buffers: the rendering thread fills a free buffer and queues it, the
// sink's thread writes it and frees it again. Memory stays at `buffers`
// frames however long the capture is; when every buffer waits for the sink,
// the rendering thread waits too.
//
// The rendering thread calls every member; the sink runs on the pipeline's
// thread only, from construction until finish returns or the destructor.
class FramePipeline {
public:
    // Starts the sink's thread with `buffers` buffers of `frameBytes` bytes.
    // Throws std::bad_alloc when they do not fit in memory.
    FramePipeline(FrameSink& sink, std::size_t frameBytes, int buffers = 3);
    // Stops the thread, dropping frames still queued, and does not finish the
    // sink; waits for the frame or finish the sink is busy with.
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // A free buffer to fill, waiting until the sink frees one. Null once the
    // sink has failed.
    std::uint8_t* acquire();

    // Queues the buffer from the last acquire as the next frame.
    void submit(std::uint8_t* buffer);

    // Waits until the sink has written every queued frame, then has it
    // finish with the number of frames submitted. Gives the sink's error
    // message ("out of memory" where it ran out), empty when everything was
    // written. While it waits it asks `stop` (if given) every 50 ms; once
    // that answers true it gives nothing, at once: the sink is then still
    // busy on the pipeline's thread, where nothing can cut it short.
    std::optional<std::string> finish(const std::function<bool()>& stop = {});

private:
    void run();

    FrameSink& sink_;
    std::vector<std::unique_ptr<std::uint8_t[]>> storage_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::uint8_t*> free_;
    std::deque<std::uint8_t*> queued_;
    bool closing_ = false;   // no more frames: finish
    bool stopping_ = false;  // give up: destructor
    bool finished_ = false;
    std::string error_;
    std::thread thread_;
};

}  // namespace quadrelume::capture
