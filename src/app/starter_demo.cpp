#include "app/starter_demo.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/executable_path.h"

namespace quadrelume {
namespace {

namespace fs = std::filesystem;

constexpr const char* effectName = "waves";

// Where the author's guide is for this program: beside an installed program
// (the package's /usr/bin or make install's /usr/local/bin), or, run from a
// build tree or with the documentation left out of the installation, where
// the package puts it. QUADRELUME_GUIDE_FROM_PROGRAM is the guide's path
// relative to the folder the programs are installed in.
std::string installedGuide() {
    const std::string program = platform::executablePath();
    if (!program.empty()) {
        fs::path beside = (fs::path(program).parent_path() / QUADRELUME_GUIDE_FROM_PROGRAM).lexically_normal();
        std::error_code ignored;
        if (fs::is_regular_file(beside, ignored)) return beside.string();
    }
    return QUADRELUME_PACKAGED_GUIDE;
}

std::string timelineText(const std::string& guide) {
    return "0 0 ! The starter demo's timeline: one line per time range, a start and an end\n"
           "0 0 ! time in seconds, then an action. An action that starts with ! is switched\n"
           "0 0 ! off, as these notes are. The author's guide tells the rest:\n"
           "0 0 ! " + guide + " where quadrelume is installed,\n"
           "0 0 ! docs/authoring.md in its source tree.\n"
           "0 12 tint = keyframe([0, [1, 0.45, 0.15]], [6, [0.15, 0.55, 1]], [12, [1, 0.45, 0.15]])\n"
           "0 12 #" + effectName + "\n";
}

std::string shaderText(const std::string& guide) {
    return "// The starter demo's effect, drawn by the line \"0 12 #waves\" of time.txt: rings\n"
           "// that spread from the middle of the screen in the colour of the script variable\n"
           "// tint. Save this file while the demo runs and the next frame draws the new version.\n"
           "// The author's guide tells what else an effect can use:\n"
           "// " + guide + " where quadrelume is installed,\n"
           "// docs/authoring.md in its source tree.\n"
           "\n"
           "// Full precision where the GPU has it: Mesa's mediump is half precision, too\n"
           "// coarse for noise and for times past half a minute.\n"
           "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
           "precision highp float;\n"
           "#else\n"
           "precision mediump float;\n"
           "#endif\n"
           "\n"
           "// One uniform per line, each the first word of its line, or the player cannot see it.\n"
           "uniform vec2 resolution;  // the size of the window (or of the capture) in pixels\n"
           "uniform float time;       // 0 at the start of this effect's line, towards 1 at its end\n"
           "uniform vec3 tint;        // the script variable tint of time.txt\n"
           "\n"
           "void main() {\n"
           "    // Square pixels, with (0, 0) in the middle and the screen's height from -0.5 to 0.5.\n"
           "    vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;\n"
           "    float rings = 0.5 + 0.5 * sin(40.0 * length(p) - 60.0 * time);\n"
           "    float edge = 1.0 - smoothstep(0.3, 0.9, length(p));\n"
           "    gl_FragColor = vec4(tint * (0.3 + 0.7 * rings) * edge, 1.0);\n"
           "}\n";
}

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    return !file.fail();
}

// `text` as one word of a POSIX shell command line.
std::string shellWord(const std::string& text) {
    const std::string plain = "@%_+=:,./-";
    bool quiet = !text.empty();
    for (char c : text) {
        bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric && plain.find(c) == std::string::npos) quiet = false;
    }
    if (quiet) return text;
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// `folder` without the slashes at its end, which would name the same folder
// twice over: once as the folder to make and once as a parent to make first.
fs::path withoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The folders above `path` that do not exist yet, the deepest first.
std::vector<fs::path> missingFoldersAbove(const fs::path& path) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path above = path.parent_path(); !above.empty() && above != above.parent_path();
         above = above.parent_path()) {
        if (fs::symlink_status(above, error).type() != fs::file_type::not_found) break;
        missing.push_back(above);
    }
    return missing;
}

// `folder` as the argument of a command line that reads it as a folder,
// not as an option: "./-dash" for "-dash".
std::string folderArgument(const std::string& folder) {
    return !folder.empty() && folder.front() == '-' ? "./" + folder : folder;
}

}  // namespace

int writeStarterDemo(const std::string& folder, const std::string& program, std::FILE* out, std::FILE* err) {
    auto refuse = [&] {
        std::fprintf(err, "quadrelume: %s already exists; --new makes a new folder and leaves an existing one as it is\n",
                     folder.c_str());
        return 2;
    };
    auto tooLong = [&] {
        std::fprintf(err, "quadrelume: %s: the name is too long for the file system; --new made nothing\n",
                     folder.c_str());
        return 2;
    };
    auto cannot = [&](const std::string& reason) {
        std::fprintf(err, "quadrelume: cannot write the starter demo into %s: %s\n", folder.c_str(), reason.c_str());
        return 1;
    };
    const fs::path path = withoutTrailingSlashes(folder);
    if (path.filename() == "." || path.filename() == "..") return refuse();
    std::error_code error;
    const fs::file_type found = fs::symlink_status(path, error).type();
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory)
        return error == std::errc::filename_too_long ? tooLong() : cannot(error.message());
    if (found != fs::file_type::not_found) return refuse();
    // Folders made on the way, to take away again if the demo cannot be
    // written after all: --new leaves either a whole demo or nothing.
    const std::vector<fs::path> made = missingFoldersAbove(path);
    auto undo = [&] {
        std::error_code ignored;
        for (const fs::path& above : made) fs::remove(above, ignored);
    };
    const fs::path parent = path.parent_path();
    error.clear();
    if (!parent.empty()) fs::create_directories(parent, error);
    // Made atomically: a folder that appeared since the look above is
    // someone else's, and is refused like any existing one.
    if (!error && !fs::create_directory(path, error) && !error) return refuse();
    if (error) {
        undo();
        return error == std::errc::filename_too_long ? tooLong() : cannot(error.message());
    }

    const std::string guide = installedGuide();
    const std::string shader = std::string(effectName) + ".ps";
    if (!writeText(path / "time.txt", timelineText(guide)) || !writeText(path / shader, shaderText(guide))) {
        fs::remove_all(path, error);
        undo();
        return cannot("a file could not be written");
    }
    std::fprintf(out,
                 "Wrote a starter demo into %s: time.txt and %s.\n"
                 "Open it in an editing session, where every save shows in the next frame:\n"
                 "  %s --edit %s\n",
                 folder.c_str(), shader.c_str(), shellWord(program).c_str(), shellWord(folderArgument(folder)).c_str());
    return 0;
}

}  // namespace quadrelume
