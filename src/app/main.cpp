// The player: opens the window, loads the demo of the current directory (or
// of the folder named on the command line) and draws it frame by frame until
// Escape, a close request or the script says halt, rebuilding whatever the
// author saves while it runs. With --edit it is an editing session: time
// keys pause and seek, a save that does not build keeps the last good
// version instead of ending the program, the window is one the author lays
// out beside the editor, an overlay shows the time, the errors and the
// variables, and the terminal carries only the session's own lines. With
// --sync a sync editor joins the session.
#include <GLES2/gl2.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "analysis/demo_music.h"
#include "app/command_line.h"
#include "app/edit_session.h"
#include "app/edit_view.h"
#include "app/frame_loop.h"
#include "app/reload_cycle.h"
#include "app/seek_catch_up.h"
#include "app/starter_demo.h"
#include "app/sync_session.h"
#include "shell/shell_state.h"
#include "app/timeline_host.h"
#include "app/trace_output.h"
#include "app/window_procedure.h"
#include "platform/directory_watch.h"
#include "platform/display.h"
#include "platform/fatal.h"
#include "platform/process_io.h"
#include "platform/time.h"
#include "reload/build_failure.h"
#include "reload/demo_files.h"
#include "reload/reloadable.h"
#include "timeline/demo_loader.h"

namespace {

using namespace quadrelume;

constexpr const char* timelinePath = "time.txt";
constexpr const char* musicPath = "demo.ogg";

class PlayerHost : public FrameHost {
public:
    // `session` and `view` are null for the plain player, `sync` without --sync.
    PlayerHost(platform::DirectoryWatch& watch, Reloadable<Demo>& timeline, TraceOutput& trace, EditSession* session,
               EditView* view, SyncSession* sync)
        : watch_(watch), timeline_(timeline), trace_(trace), session_(session), view_(view), sync_(sync) {}

    void pumpMessages() override { platform::pumpMessages(); }
    void clear(int width, int height) override {
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The holder's Demo is fetched anew every frame: a reload replaces it.
    void draw(TimeSource& clock, float t) override {
        if (session_ == nullptr) {
            playTimeline(*timeline_.object, clock, t);
            return;
        }
        // The clock was read before the keys came in: read it again so that
        // this very frame shows where they went. A time picked on the time
        // bar in the last frame goes the same way.
        bool moved = session_->takeQueuedKeys(timeline_.object);
        if (std::optional<float> picked = view_->takeSeek()) {
            session_->seekTo(*picked, timeline_.object);
            moved = true;
        }
        if (moved) t = clock.currentTime();
        if (sync_ != nullptr) t = sync_->exchange(t, timeline_.object);
        if (session_->seeks() != seeksSeen_) {
            seeksSeen_ = session_->seeks();
            if (timeline_.object != nullptr) catchUp_.afterJump(*timeline_.object, t);
        }
        playEditedTimeline(timeline_.object, clock, t);
        view_->draw(t, session_->paused(), timeline_.object, catchUp_.note());
    }
    void present() override {
        platform::swapBuffers();
        trace_.passOn();
    }
    void sleep(int ms) override { platform::sleepMilliseconds(ms); }
    void endPass() override {
        // The plain player lets its timeline go before it builds a saved one
        // (an editing session builds first and keeps the last good one), so
        // the buffers are held over the rebuild: the new timeline takes over
        // each whose name and size stay, and a trail runs on through the save.
        const auto held = timeline_.object != nullptr ? timeline_.object->buffers.share()
                                                      : std::vector<std::shared_ptr<RenderBuffer>>{};
        checkForReloads(watch_);
    }

private:
    platform::DirectoryWatch& watch_;
    Reloadable<Demo>& timeline_;
    TraceOutput& trace_;
    EditSession* session_;
    EditView* view_;
    SyncSession* sync_;
    SeekCatchUp catchUp_;         // the buffers after each jump in time
    std::uint64_t seeksSeen_ = 0;  // the session's seeks when last looked at
};

// The clock that must stop when the display goes away.
TimeSource* runningClock = nullptr;

void stopTheClock() {
    if (runningClock != nullptr) runningClock->setRunning(false);
}

// The timeline file, or in an editing session an empty stand-in for one not
// written yet: any file that appears under its name differs from it and is
// loaded by the first reload pass after it was saved.
std::unique_ptr<ReloadableFileData> openTimeline(bool edit) {
    std::unique_ptr<ReloadableFileData> file = loadReloadableFile(timelinePath);
    if (file || !edit) return file;
    std::fprintf(stderr, "There is no %s here yet; the demo starts when it is saved\n", timelinePath);
    return std::make_unique<ReloadableFileData>(timelinePath, platform::FileStamp{});
}

// Handles --help, --version, usage errors and the demo folder; gives the exit
// code when the program ends here.
std::optional<int> takeCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::help: std::fputs(usageText, stdout); return 0;
        case CommandLine::Action::version: std::printf("quadrelume %s\n", QUADRELUME_VERSION); return 0;
        case CommandLine::Action::usageError:
            std::fprintf(stderr, "quadrelume: %s\n%s", line.error.c_str(), usageText);
            return 2;
        case CommandLine::Action::play: break;
    }
    if (line.demoFolder.empty()) return std::nullopt;
    std::error_code error;
    std::filesystem::current_path(line.demoFolder, error);
    if (!error) return std::nullopt;
    std::fprintf(stderr, "quadrelume: cannot play the demo folder %s: %s\n", line.demoFolder.c_str(),
                 error.message().c_str());
    return 2;
}

// Where --trace sends the trace, made absolute before the demo folder is
// entered; empty for nowhere, nothing for standard output.
std::optional<std::string> traceTarget(const CommandLine& line) {
    if (line.trace == "-" || (!line.trace && !line.edit)) return std::nullopt;
    if (!line.trace) return std::string();
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(*line.trace, error);
    return error ? *line.trace : absolute.string();
}

// Refuses a trace that would overwrite one of the demo's own files; the
// demo folder is the current directory by now. Gives the exit code when the
// program ends here.
std::optional<int> refuseDemoFileAsTrace(const CommandLine& line, const std::optional<std::string>& target) {
    if (!target || target->empty()) return std::nullopt;
    std::optional<std::string> own = demoFileAt(*target, ".");
    if (!own) return std::nullopt;
    std::fprintf(stderr, "quadrelume: --trace %s: that is one of the demo's own files (%s); name another file\n",
                 line.trace->c_str(), own->c_str());
    return 2;
}

// Sends standard output, and with it the trace, to `target`. The session's
// own lines go to `*terminal`: what standard output was before. Gives the
// exit code when the program ends here.
std::optional<int> routeTrace(const CommandLine& line, const std::optional<std::string>& target,
                              std::FILE** terminal) {
    *terminal = stdout;
    if (!target) return std::nullopt;
    if (line.edit) {
        std::FILE* kept = platform::duplicateStandardOutput();
        *terminal = kept != nullptr ? kept : stderr;
    }
    if (platform::redirectStandardOutput(*target)) return std::nullopt;
    std::fprintf(stderr, "quadrelume: --trace %s: cannot be written\n", line.trace->c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine options = parseCommandLine(argc, argv);
    const std::optional<std::string> trace = traceTarget(options);
    if (std::optional<int> ended = takeCommandLine(options)) return *ended;
    if (!options.newDemoFolder.empty()) return writeStarterDemo(options.newDemoFolder, argv[0], stdout, stderr);
    if (std::optional<int> ended = refuseDemoFileAsTrace(options, trace)) return *ended;
    std::optional<std::vector<platform::NetworkAddress>> syncEditor;
    if (options.sync && !(syncEditor = findSyncEditor(*options.sync))) return 2;
    std::FILE* terminal = stdout;
    platform::surviveFailedWrites();  // the trace's reader may go away
    if (std::optional<int> ended = routeTrace(options, trace, &terminal)) return *ended;
    if (options.edit) {
        setBuildFailurePolicy(BuildFailurePolicy::keepLastGood);
        timeKeysWanted = true;
    }

    if (options.edit)
        platform::initDisplay("Quadrelume", handleEditWindowEvent, &windowWidth, &windowHeight, &options.window);
    else
        platform::initDisplay("Quadrelume", handleWindowEvent, &windowWidth, &windowHeight);
    platform::setDisplayLostHandler(stopTheClock);

    std::unique_ptr<ReloadableFileData> timelineFile = openTimeline(options.edit);
    if (!timelineFile) fatal("Could not load the timeline file time.txt from the current directory");
    // Built after the display (effect lines build shader programs) and
    // registered after the shader holders that building it creates, so a
    // reload pass rebuilds changed shaders before a changed timeline.
    Reloadable<Demo>::Load buildTimeline = loadDemo;
    auto timeline = std::make_unique<Reloadable<Demo>>(buildTimeline, std::move(timelineFile));

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    platform::DirectoryWatch watch;
    watch.start(".");  // without a watch the demo still plays; it just does not reload
    setBeingWrittenCheck(  // a file still being written is reloaded after its writer's close
        [](const std::string& path, void* w) { return static_cast<platform::DirectoryWatch*>(w)->isBeingWritten(path); },
        &watch);
    DemoClock demoClock = chooseClock(musicPath, options.edit ? ClockUse::editing : ClockUse::player);
    runningClock = demoClock.clock.get();
    // The music the pictures follow, whatever the clock: read and analysed
    // only once a frame asks for it.
    auto pictureMusic = std::make_unique<analysis::DemoMusic>(musicPath);

    std::unique_ptr<EditSession> session;
    std::unique_ptr<EditView> view;
    if (options.edit) {
        session = std::make_unique<EditSession>(*demoClock.clock, terminal);
        view = std::make_unique<EditView>();
    }
    std::unique_ptr<SyncSession> sync;
    if (syncEditor) sync = std::make_unique<SyncSession>(std::move(*syncEditor), *session, *demoClock.clock);
    // A trace that cannot be written any more ends; the demo plays on.
    TraceOutput traceOutput(options.trace && *options.trace != "-" ? "--trace " + *options.trace : "standard output");
    PlayerHost host(watch, *timeline, traceOutput, session.get(), view.get(), sync.get());
    runFrameLoop(*demoClock.clock, host);

    runningClock = nullptr;
    sync.reset();
    view.reset();
    demoClock.clock.reset();  // the music stops before anything it reads goes
    demoClock.music.reset();
    pictureMusic.reset();
    watch.close();
    setBeingWrittenCheck(nullptr, nullptr);
    timeline.reset();
    return 0;
}
