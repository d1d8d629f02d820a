#include "capture/copied_vorbis.h"

#include <cstring>
#include <stdexcept>

#include "capture/ffmpeg_support.h"

namespace quadrelume::capture {
namespace {

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

}  // namespace

CopiedVorbis::CopiedVorbis(const FileData& music, double from, FrameRate rate)
    : reader_(music), rate_(rate), first_(static_cast<std::int64_t>(from * reader_.rate())) {
    // The first audio packet decodes to nothing, so it is always the primer
    // of the packet after it: the search ends at the latest on the second.
    VorbisPacket packet;
    while (reader_.next(packet)) {
        if (packet.samples > 0 && packet.start >= first_) {
            held_.assign(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes));
            heldStart_ = packet.start - first_;
            heldSamples_ = packet.samples;
            holding_ = true;
            return;
        }
        primer_.assign(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes));
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
}

void CopiedVorbis::writeHeld(std::int64_t discard) {
    const AVRational timeBase{1, reader_.rate()};
    if (!primed_) {
        // Stamped with the time of the first samples that sound, which the
        // primer makes possible: it decodes to nothing itself.
        PacketPtr primer = packetOf(primer_);
        primer->pts = primer->dts = heldStart_;
        primer->duration = 0;
        writePacket(container_, stream_, primer.get(), timeBase);
        primed_ = true;
    }
    PacketPtr packet = packetOf(held_);
    packet->pts = packet->dts = heldStart_;
    packet->duration = heldSamples_;
    if (discard > 0) {
        // Samples to skip at the start (none) and at the end, little-endian,
        // then the reasons for both (none given).
        std::uint8_t* skip = av_packet_new_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, 10);
        if (skip == nullptr) throw std::runtime_error("out of memory");
        std::memset(skip, 0, 10);
        putLittleEndian32(skip + 4, static_cast<std::uint32_t>(discard));
    }
    writePacket(container_, stream_, packet.get(), timeBase);
}

bool CopiedVorbis::holdNext() {
    VorbisPacket packet;
    holding_ = reader_.next(packet);
    if (!holding_) return false;
    held_.assign(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.bytes));
    heldStart_ = packet.start - first_;
    heldSamples_ = packet.samples;
    return true;
}

void CopiedVorbis::writeThrough(std::int64_t frames) {
    const std::int64_t end = samplesForFrames(frames, rate_, reader_.rate());
    while (holding_ && heldStart_ + heldSamples_ <= end) {
        writeHeld(0);
        holdNext();
    }
}

void CopiedVorbis::finish(std::int64_t frames) {
    writeThrough(frames);
    const std::int64_t end = samplesForFrames(frames, rate_, reader_.rate());
    if (holding_ && heldStart_ < end) writeHeld(heldStart_ + heldSamples_ - end);
    holding_ = false;
}

}  // namespace quadrelume::capture
