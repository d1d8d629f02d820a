#include "capture/copied_vorbis.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/ffmpeg_support.h"

namespace quadrelume::capture {
namespace {

// A language no track has: where it is written, the codec delay goes.
constexpr const char* placeholderLanguage = "qzx";

void putLittleEndian32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A packet holding a copy of `bytes`.
PacketPtr packetOf(const std::string& bytes) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw std::runtime_error("out of memory");
    check(av_new_packet(packet.get(), static_cast<int>(bytes.size())), "copying the music");
    std::memcpy(packet->data, bytes.data(), bytes.size());
    return packet;
}

// Marks `packet` to drop `samples` samples from its end: Matroska's
// DiscardPadding, which FFmpeg's muxer writes.
void dropAtEnd(AVPacket* packet, std::int64_t samples) {
    // Samples to skip at the start (none) and at the end, little-endian,
    // then the reasons for both (none given).
    std::uint8_t* skip = av_packet_new_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, 10);
    if (skip == nullptr) throw std::runtime_error("out of memory");
    std::memset(skip, 0, 10);
    putLittleEndian32(skip + 4, static_cast<std::uint32_t>(samples));
}

// A DiscardPadding element holding `nanoseconds` in four bytes, as the
// muxer writes one of 2^23 to 2^31 - 1 ns; negative values, which drop
// samples from the start of the block, take four bytes too.
std::string discardPadding(std::int64_t nanoseconds) {
    std::string element = "\x75\xA2\x84";
    for (int shift = 24; shift >= 0; shift -= 8) element += static_cast<char>((nanoseconds >> shift) & 0xFF);
    return element;
}

// A CodecDelay element holding `nanoseconds` in four bytes: the size of a
// three-letter language element.
std::string codecDelay(std::int64_t nanoseconds) {
    std::string element = "\x56\xAA\x84";
    for (int shift = 24; shift >= 0; shift -= 8) element += static_cast<char>((nanoseconds >> shift) & 0xFF);
    return element;
}

std::int64_t nanoseconds(std::int64_t samples, int rate) {
    return av_rescale_q(samples, AVRational{1, rate}, AVRational{1, 1000000000});
}

// Overwrites the first `placeholder` in `file` with `replacement`, of the
// same size. The placeholders sit in the header and the first cluster,
// after one picture, but are looked for through the whole file.
bool replaceFirst(std::fstream& file, const std::string& placeholder, const std::string& replacement) {
    std::vector<char> chunk(1 << 20);
    std::streamoff at = 0;
    for (;;) {
        file.clear();
        file.seekg(at);
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const std::string_view read(chunk.data(), static_cast<std::size_t>(file.gcount()));
        const std::size_t found = read.find(placeholder);
        if (found != std::string_view::npos) {
            file.clear();
            file.seekp(at + static_cast<std::streamoff>(found));
            file.write(replacement.data(), static_cast<std::streamsize>(replacement.size()));
            return static_cast<bool>(file.flush());
        }
        if (read.size() < chunk.size()) return false;
        at += static_cast<std::streamoff>(read.size() - placeholder.size());
    }
}

}  // namespace

CopiedVorbis::CopiedVorbis(const FileData& music, const FrameSchedule& schedule)
    : reader_(music), schedule_(schedule), first_(schedule.sampleAt(0, reader_.rate())) {
    // The first audio packet decodes to nothing, so it is always the primer
    // of the packet after it: the search ends at the latest on the second.
    VorbisPacket packet;
    while (reader_.next(packet)) {
        if (packet.samples > 0 && packet.start + packet.samples > first_) {
            held_ = {std::string(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes)),
                     packet.start, packet.samples};
            holding_ = true;
            startTrim_ = std::max<std::int64_t>(0, first_ - packet.start);
            return;
        }
        primer_.assign(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes));
        primerBlock_ = packet.block;
    }
}

void CopiedVorbis::addStream(AVFormatContext* container) {
    container_ = container;
    stream_ = avformat_new_stream(container, nullptr);
    if (stream_ == nullptr) throw std::runtime_error("out of memory");
    AVCodecParameters* parameters = stream_->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = AV_CODEC_ID_VORBIS;
    parameters->sample_rate = reader_.rate();
    av_channel_layout_default(&parameters->ch_layout, reader_.channels());
    const std::string& headers = reader_.codecPrivate();
    parameters->extradata = static_cast<std::uint8_t*>(av_mallocz(headers.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (parameters->extradata == nullptr) throw std::runtime_error("out of memory");
    std::memcpy(parameters->extradata, headers.data(), headers.size());
    parameters->extradata_size = static_cast<int>(headers.size());
    stream_->time_base = AVRational{1, reader_.rate()};
    // Stands in for the codec delay until finishFile: a language element of
    // the same size, which no other track has.
    if (startTrim_ > 0) av_dict_set(&stream_->metadata, "language", placeholderLanguage, 0);
}

void CopiedVorbis::write(const Copy& copy, bool last, std::int64_t end) {
    const AVRational timeBase{1, reader_.rate()};
    // Stored later by the codec delay, which readers take back.
    const std::int64_t stamp = copy.start - first_ + startTrim_;
    if (!primed_) {
        PacketPtr primer = packetOf(primer_);
        primer->pts = primer->dts = stamp;
        primer->duration = 0;
        // A Vorbis packet after one of the same block size decodes to half
        // its block.
        dropAtEnd(primer.get(), primerBlock_ / 2);
        writePacket(container_, stream_, primer.get(), timeBase);
        primed_ = true;
    }
    PacketPtr packet = packetOf(copy.bytes);
    packet->pts = packet->dts = stamp;
    // The track's length, and so the file's, is where its last packet ends:
    // no later than the frames, from which the next section goes on.
    packet->duration = last ? std::min(copy.samples, end - first_ - stamp) : copy.samples;
    // Stands in for the mark of what to drop at the start until finishFile:
    // a second, which no packet decodes to.
    if (copy.start < first_) dropAtEnd(packet.get(), reader_.rate());
    writePacket(container_, stream_, packet.get(), timeBase);
}

bool CopiedVorbis::holdNext() {
    VorbisPacket packet;
    holding_ = reader_.next(packet);
    if (holding_)
        held_ = {std::string(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes)),
                 packet.start, packet.samples};
    return holding_;
}

void CopiedVorbis::writeThrough(std::int64_t frames) {
    const std::int64_t end = schedule_.sampleAt(frames, reader_.rate());
    while (holding_ && held_.start + held_.samples <= end) {
        if (hasPending_) write(pending_, false, end);
        pending_ = std::move(held_);
        hasPending_ = true;
        holdNext();
    }
}

void CopiedVorbis::finish(std::int64_t frames) {
    writeThrough(frames);
    if (hasPending_) write(pending_, true, schedule_.sampleAt(frames, reader_.rate()));
    hasPending_ = false;
    holding_ = false;
}

void CopiedVorbis::finishFile(const std::string& path) {
    if (startTrim_ <= 0) return;
    const std::int64_t trim = nanoseconds(startTrim_, reader_.rate());
    const std::pair<std::string, std::string> mends[] = {
        {std::string("\x22\xB5\x9C\x83") + placeholderLanguage, codecDelay(trim)},
        {discardPadding(nanoseconds(reader_.rate(), reader_.rate())), discardPadding(-trim)},
    };
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [placeholder, element] : mends)
        if (!replaceFirst(file, placeholder, element))
            throw std::runtime_error("cannot mark where the music starts in " + path);
}

}  // namespace quadrelume::capture
