#include "web/page_player.h"

#include <GLES2/gl2.h>

#include <chrono>
#include <cstdio>

#include "app/seek_catch_up.h"
#include "shell/shell_state.h"
#include "timeline/catch_up.h"

namespace quadrelume {
namespace {

constexpr const char* stateNames[] = {"loading", "waiting", "playing", "held", "halted"};

// How long one page frame may spend on a held frame's past, seconds: the
// page stays responsive while a long past is drawn.
constexpr double pastSliceSeconds = 0.05;

void clearScreen() {
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

PagePlayer::PagePlayer(std::unique_ptr<Demo> demo, std::unique_ptr<TimeSource> clock, Start start, FrameTimes grid,
                       ClockMaker later)
    : demo_(std::move(demo)),
      clock_(std::move(clock)),
      grid_(std::move(grid)),
      later_(std::move(later)),
      state_(start == Start::now    ? State::playing
             : start == Start::held ? State::held
             : later_               ? State::loading
                                    : State::waiting) {}

void PagePlayer::frame() {
    const bool resized = platform::fitCanvas(&windowWidth, &windowHeight);
    if (state_ == State::loading && drawn_) {
        // The first frame is on the page; what takes long comes after it.
        clock_ = later_();
        clock_->seek(shownTime_);
        later_ = nullptr;
        state_ = State::waiting;
        report();
    }
    const bool still = state_ != State::playing;
    if (still && drawn_ && !resized && !drawingPast_) return;
    const float t = still && drawn_ ? shownTime_ : clock_->currentTime();
    if ((!drawn_ || (still && resized) || drawingPast_) && !drawPast(t, resized)) return;
    clearScreen();
    demo_->render(t);
    if (state_ == State::playing && demo_->endTime < t) {
        clock_->seek(0.0f);
        demo_->buffers.clearAll();
    }
    drawn_ = true;
    shownTime_ = t;
    ++frames_;
    if (running == 0 && state_ != State::halted) {
        state_ = State::halted;
        clock_->setRunning(false);
    }
    report();
}

bool PagePlayer::drawPast(float t, bool resized) {
    if (state_ != State::held) {
        SeekCatchUp catchUp;
        catchUp.afterJump(*demo_, t);
        if (!catchUp.note().empty()) std::printf("%s\n", catchUp.note().c_str());
        return true;
    }
    if (!drawingPast_ || resized) {
        demo_->buffers.clearAll();
        nextPastFrame_ = -catchUpFrameCount(*demo_, grid_);
        drawingPast_ = true;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    while (nextPastFrame_ < 0 &&
           std::chrono::duration<double>(Clock::now() - started).count() < pastSliceSeconds) {
        clearScreen();
        demo_->render(grid_(nextPastFrame_++));
        glFinish();
    }
    if (nextPastFrame_ < 0) {
        // What shows meanwhile: black, not a frame of the past.
        clearScreen();
        return false;
    }
    drawingPast_ = false;
    return true;
}

void PagePlayer::report() {
    // What the library functions print (shader scans, image loads) goes to
    // the browser's console a line at a time.
    std::fflush(stdout);
    platform::setPageState(stateNames[static_cast<int>(state_)], shownTime_, frames_);
}

void PagePlayer::gesture(platform::Gesture gesture) {
    if (gesture == platform::Gesture::fullScreenKey) platform::toggleFullScreen();
    if (state_ != State::waiting) return;
    clock_->setRunning(true);
    state_ = State::playing;
}

}  // namespace quadrelume
