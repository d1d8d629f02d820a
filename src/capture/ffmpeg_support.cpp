#include "capture/ffmpeg_support.h"

#include <stdexcept>

namespace quadrelume::capture {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int check(int code, const std::string& what) {
    if (code < 0) throw std::runtime_error(what + ": " + errorText(code));
    return code;
}

CodecContextPtr encoderContext(const char* name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) throw std::runtime_error(std::string("this FFmpeg has no ") + name + " encoder");
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) throw std::runtime_error("out of memory");
    return context;
}

void encodeAndWrite(AVCodecContext* encoder, const AVFrame* frame, AVFormatContext* container, AVStream* stream,
                    std::int64_t shift) {
    const std::string what = std::string("encoding with ") + encoder->codec->name;
    check(avcodec_send_frame(encoder, frame), what);
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw std::runtime_error("out of memory");
    for (;;) {
        int result = avcodec_receive_packet(encoder, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        check(result, what);
        if (packet->pts != AV_NOPTS_VALUE) packet->pts += shift;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts += shift;
        writePacket(container, stream, packet.get(), encoder->time_base);
    }
}

bool matroskaMovesBlocksByCodecDelay() { return avformat_version() > AV_VERSION_INT(59, 30, 100); }

void writePacket(AVFormatContext* container, AVStream* stream, AVPacket* packet, AVRational timeBase) {
    av_packet_rescale_ts(packet, timeBase, stream->time_base);
    packet->stream_index = stream->index;
    // Takes the packet's data over and leaves it blank for reuse.
    check(av_interleaved_write_frame(container, packet), "writing the output file");
}

}  // namespace quadrelume::capture
