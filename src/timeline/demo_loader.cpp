#include "timeline/demo_loader.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fatal.h"
#include "reload/build_failure.h"
#include "reload/split_lines.h"
#include "render/effect_range.h"
#include "script/parser.h"
#include "script/value.h"
#include "timeline/buffer_line.h"
#include "timeline/expression_range.h"
#include "timeline/timeline_line.h"
#include "timeline/track_builtin.h"

namespace quadrelume {

namespace {

// What a line builds from: its action, the Demo it goes into, and where it
// is, for messages ("time.txt" and the 0-based line number).
struct LineSite {
    const std::string& action;
    Demo& demo;
    const std::string& fileName;
    int number;
};

// Within a build that keeps the last good timeline, a failure's message
// begins, while `place` holds it, with the file and the line as editors
// count it: "time.txt:3: ".
void placeAt(std::optional<FailurePlace>& place, const LineSite& site) {
    if (buildFailurePolicy() == BuildFailurePolicy::keepLastGood)
        place.emplace(site.fileName + ":" + std::to_string(site.number + 1) + ": ");
}

std::unique_ptr<TimeRange> buildNothing(const LineSite&) { return nullptr; }

// An effect range drawing `effect`, into `target` (null: the screen). Every
// effect range reads the timeline's buffers.
std::unique_ptr<TimeRange> effectRange(const std::string& effect, RenderBuffer* target, Demo& demo) {
    auto range = std::make_unique<EffectRange>(effect, &demo.variables);
    range->buffers = &demo.buffers;
    range->target = target;
    demo.buffers.addEffect(range.get(), target);
    return range;
}

std::unique_ptr<TimeRange> buildEffect(const LineSite& site) {
    return effectRange(site.action.substr(1), nullptr, site.demo);
}

// The size of a buffer in words: "the picture's size", "1/2 of the picture".
std::string sizeText(int divisor) {
    return divisor == 1 ? "the picture's size" : "1/" + std::to_string(divisor) + " of the picture";
}

std::unique_ptr<TimeRange> buildBufferEffect(const LineSite& site) {
    const BufferLine line = *parseBufferLine(site.action);
    std::optional<FailurePlace> place;
    placeAt(place, site);
    std::optional<int> divisor = bufferDivisor(line);
    if (!divisor)
        fatal("The size of the buffer " + line.name + " is the picture's divided by a whole number from " +
              std::to_string(smallestBufferDivisor) + " to " + std::to_string(largestBufferDivisor) + ", not /" +
              *line.size);
    for (std::string_view builtin : {"resolution", "time", "gtime"})
        if (line.name == builtin)
            fatal("A buffer cannot be called " + line.name + ": a sampler of that name takes the built-in value");
    // A line without a size draws into the buffer as its first line made
    // it; one with a size must agree with that line.
    const int first = site.demo.buffers.divisorOf(line.name);
    if (first > 0 && !line.size) divisor = first;
    RenderBuffer* target = site.demo.buffers.declare(line.name, *divisor, site.number);
    if (target == nullptr)
        fatal("The buffer " + line.name + " is " + sizeText(first) + " since line " +
              std::to_string(site.demo.buffers.lineOf(line.name) + 1) + "; this line asks for " + sizeText(*divisor));
    place.reset();
    return effectRange(line.effect, target, site.demo);
}

std::unique_ptr<TimeRange> buildExpression(const LineSite& site) {
    std::unique_ptr<script::Program> program;
    {
        std::optional<FailurePlace> place;
        placeAt(place, site);
        program = script::compile(site.action.c_str());
        // A name that cannot name a track is this line's mistake.
        checkTrackNames(*program);
    }
    // A track file that does not load names itself, not this line.
    useTracksOf(*program);
    return std::make_unique<ExpressionRange>(0.0f, 0.0f, std::move(program), &site.demo.variables);
}

bool isDisabledLine(std::string_view action) { return !action.empty() && action[0] == '!'; }
bool isEffectLine(std::string_view action) { return !action.empty() && action[0] == '#'; }
bool isBufferLine(std::string_view action) { return parseBufferLine(action).has_value(); }
bool isAnyLine(std::string_view) { return true; }

// The kinds of timeline lines, told apart by their action; the first that
// matches builds the line.
struct LineKind {
    bool (*matches)(std::string_view action);
    std::unique_ptr<TimeRange> (*build)(const LineSite& site);  // gives null when the line builds nothing
};

constexpr LineKind lineKinds[] = {
    {isDisabledLine, buildNothing},
    {isEffectLine, buildEffect},
    {isBufferLine, buildBufferEffect},
    {isAnyLine, buildExpression},
};

// The range a line asks for, or null for a disabled line.
std::unique_ptr<TimeRange> buildRange(const LineSite& site) {
    for (const LineKind& kind : lineKinds)
        if (kind.matches(site.action)) return kind.build(site);
    return nullptr;
}

// Prints "Line:%d -> %f %f '%s'" for a line about to be acted on. The times
// are formatted without printf, which would take most of the time of loading
// a long timeline.
void traceLine(std::FILE* trace, int number, const TimelineLine& line) {
    std::string text = "Line:" + std::to_string(number) + " -> ";
    appendNumberText(text, line.start);
    text += ' ';
    appendNumberText(text, line.end);
    text += " '";
    // As printf's "%s" would, the action ends at a 0 byte.
    text.append(line.action.c_str());
    text += "'\n";
    std::fwrite(text.data(), 1, text.size(), trace);
}

}  // namespace

Demo* loadDemo(FileData* file, std::FILE* trace, const std::string& fileName) {
    TimelineTracks tracks;
    auto demo = std::make_unique<Demo>(trace);
    std::vector<std::string> lines = splitLines(*file);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isBlankLine(line)) continue;
        const int number = static_cast<int>(i);
        std::optional<TimelineLine> parsed = parseTimelineLine(line);
        if (!parsed) {
            // Most likely a line being typed while the demo runs; ending the
            // program for it would throw the author's session away.
            std::fprintf(trace, "Line:%d -> ignored, it needs a start and an end time: '%s'\n", number, line.c_str());
            continue;
        }
        if (demo->endTime < parsed->end) demo->endTime = parsed->end;
        traceLine(trace, number, *parsed);
        std::unique_ptr<TimeRange> range = buildRange({parsed->action, *demo, fileName, number});
        if (!range) continue;
        TimeRange* added = range.get();
        demo->addRange(std::move(range));
        added->start = parsed->start;
        added->end = parsed->end;
        added->line = number;
        added->action = std::move(parsed->action);
    }
    tracks.built();
    return demo.release();
}

float timelineEndTime(const FileData& file) {
    float end = 0.0f;
    for (const std::string& line : splitLines(file)) {
        if (isBlankLine(line)) continue;
        std::optional<TimelineLine> parsed = parseTimelineLine(line);
        if (parsed && end < parsed->end) end = parsed->end;
    }
    return end;
}

Demo* loadDemo(ReloadableFileData* file) { return loadDemo(file, stdout, file->path); }

}  // namespace quadrelume
