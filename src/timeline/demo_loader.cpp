#include "timeline/demo_loader.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reload/build_failure.h"
#include "reload/split_lines.h"
#include "render/effect_range.h"
#include "script/parser.h"
#include "script/value.h"
#include "timeline/expression_range.h"
#include "timeline/timeline_line.h"
#include "timeline/track_builtin.h"

namespace quadrelume {

namespace {

// The range an action asks for, or null for a disabled line. `fileName` and
// the line's 0-based `number` go ahead of a syntax error's message.
std::unique_ptr<TimeRange> buildRange(const std::string& action, Demo& demo, const std::string& fileName,
                                      int number) {
    if (!action.empty() && action[0] == '!') return nullptr;
    if (!action.empty() && action[0] == '#') {
        return std::make_unique<EffectRange>(action.substr(1), &demo.variables);
    }
    std::unique_ptr<script::Program> program;
    {
        std::optional<FailurePlace> place;
        if (buildFailurePolicy() == BuildFailurePolicy::keepLastGood)
            place.emplace(fileName + ":" + std::to_string(number + 1) + ": ");
        program = script::compile(action.c_str());
        // A name that cannot name a track is this line's mistake.
        checkTrackNames(*program);
    }
    // A track file that does not load names itself, not this line.
    useTracksOf(*program);
    return std::make_unique<ExpressionRange>(0.0f, 0.0f, std::move(program), &demo.variables);
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
        std::unique_ptr<TimeRange> range = buildRange(parsed->action, *demo, fileName, number);
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
