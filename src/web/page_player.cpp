#include "web/page_player.h"

#include <GLES2/gl2.h>

#include <cstdio>

#include "shell/shell_state.h"

namespace quadrelume {
namespace {

constexpr const char* stateNames[] = {"loading", "waiting", "playing", "held", "halted"};

}  // namespace

PagePlayer::PagePlayer(std::unique_ptr<Demo> demo, std::unique_ptr<TimeSource> clock, Start start, ClockMaker later)
    : demo_(std::move(demo)),
      clock_(std::move(clock)),
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
    if (state_ != State::playing && drawn_ && !resized) return;
    const float t = state_ == State::playing || !drawn_ ? clock_->currentTime() : shownTime_;
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT);
    demo_->render(t);
    if (state_ == State::playing && demo_->endTime < t) clock_->seek(0.0f);
    drawn_ = true;
    shownTime_ = t;
    ++frames_;
    if (running == 0 && state_ != State::halted) {
        state_ = State::halted;
        clock_->setRunning(false);
    }
    report();
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
