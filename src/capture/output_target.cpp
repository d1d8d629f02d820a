#include "capture/output_target.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quadrelume::capture {

// The x264 preset trades file size for speed. "veryfast", the usual choice
// for recording screens, costs a third of "fast" (some 15 ms of one core for
// a 720p frame), which leaves the cores to the rendering where GL runs in
// software, and to the encoder's pace where a GPU renders. libvpx's defaults
// are far slower; cpu-used 4 with row multithreading is its usual setting for
// speed.
const VideoFormat videoFormats[3] = {
    {".mp4", "mp4", "libx264", "preset=veryfast", "aac", AudioHandling::encode, 192000, true, {"x264 CRF", 0, 51, 18},
     "H.264 and AAC in MP4"},
    {".mkv", "matroska", "libx264", "preset=veryfast", nullptr, AudioHandling::copyVorbis, 0, false, {"x264 CRF", 0, 51, 18},
     "H.264 and the music's Vorbis in Matroska"},
    {".webm", "webm", "libvpx-vp9", "deadline=good:cpu-used=4:row-mt=1", "libopus", AudioHandling::encode, 160000,
     false, {"VP9 CRF", 0, 63, 31}, "VP9 and Opus in WebM"},
};

const QualityScale pngQuality = {"PNG compression level", 0, 9, 6};

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Splits a file name with one "%d", "%Nd" or "%0Nd" (N up to 2 digits) and
// no other '%' into `pattern`. False when it has none, several or another
// conversion.
bool parsePattern(const std::string& name, FramePattern& pattern) {
    std::size_t percent = name.find('%');
    if (percent == std::string::npos || name.find('%', percent + 1) != std::string::npos) return false;
    std::size_t at = percent + 1;
    pattern.zeroPadded = at < name.size() && name[at] == '0';
    if (pattern.zeroPadded) ++at;
    std::size_t digitsStart = at;
    while (at < name.size() && at - digitsStart < 2 && std::isdigit(static_cast<unsigned char>(name[at]))) ++at;
    if (at >= name.size() || name[at] != 'd') return false;
    pattern.digits = at > digitsStart ? std::stoi(name.substr(digitsStart, at - digitsStart)) : 1;
    pattern.prefix = name.substr(0, percent);
    pattern.suffix = name.substr(at + 1);
    return true;
}

}  // namespace

std::string FramePattern::fileName(std::int64_t index) const {
    std::string number = std::to_string(index);
    if (static_cast<int>(number.size()) < digits)
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), zeroPadded ? '0' : ' ');
    return prefix + number + suffix;
}

bool resolveOutputTarget(const std::string& output, OutputTarget& target, std::string& error) {
    namespace fs = std::filesystem;
    if (output.empty()) {
        error = "the output name is empty";
        return false;
    }
    fs::path absolute = fs::absolute(output).lexically_normal();
    if (!absolute.has_filename() && absolute.has_parent_path()) absolute = absolute.parent_path();  // "frames/"
    std::error_code ignored;
    if (fs::is_directory(absolute, ignored)) {
        // Whoever names "v.mp4" means a video, whatever lies there.
        const std::string folderName = lowerCase(absolute.filename().string());
        bool namedLikeAFile = endsWith(folderName, ".png");
        for (const VideoFormat& format : videoFormats) namedLikeAFile = namedLikeAFile || endsWith(folderName, format.extension);
        if (namedLikeAFile) {
            error = output + ": this is a folder, named like a file; PNG frames go into it only as " +
                    (absolute / "%05d.png").string() + ", and a video needs another name";
            return false;
        }
        target.video = nullptr;
        target.frames = FramePattern{"", ".png", 5, true};
        target.folder = target.path = absolute.string();
        target.quality = pngQuality;
        return true;
    }
    const std::string name = absolute.filename().string();
    target.folder = absolute.parent_path().string();
    target.path = absolute.string();
    if (output.find('%') != std::string::npos) {
        if (!parsePattern(name, target.frames)) {
            error = output + ": a frame name needs exactly one %d (or %05d and the like) in its file name, "
                             "and no other %";
            return false;
        }
        if (!endsWith(lowerCase(name), ".png")) {
            error = output + ": frames are PNG images, so their name must end in .png";
            return false;
        }
        target.video = nullptr;
        target.path = target.folder;
        target.quality = pngQuality;
        return true;
    }
    const std::string lower = lowerCase(name);
    for (const VideoFormat& format : videoFormats) {
        if (endsWith(lower, format.extension) && lower.size() > format.extension.size()) {
            target.video = &format;
            target.quality = format.quality;
            return true;
        }
    }
    error = output + ": unknown kind of output; name a .mp4, .mkv or .webm file, a PNG frame pattern such as "
                     "frames/%05d.png, or an existing folder for PNG frames";
    return false;
}

}  // namespace quadrelume::capture
