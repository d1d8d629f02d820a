// Small helpers around FFmpeg's C interface: owners that free its objects,
// errors as exceptions, and writing a packet into a container.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace quadrelume::capture {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct ResampleFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFree>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleFree>;

// FFmpeg's text for error code `code`.
std::string errorText(int code);

// Throws std::runtime_error("<what>: <FFmpeg's text>") when `code` is
// negative; gives it back otherwise.
int check(int code, const std::string& what);

// An encoder context for the encoder named `name`; throws when this FFmpeg
// has no such encoder.
CodecContextPtr encoderContext(const char* name);

// Sends `frame` (null to drain) to `encoder` and writes every packet it gives
// into `container` as packets of `stream`, their times moved by `shift` (in
// the encoder's time base) and converted from that to the stream's. Throws
// on any failure.
void encodeAndWrite(AVCodecContext* encoder, const AVFrame* frame, AVFormatContext* container, AVStream* stream,
                    std::int64_t shift = 0);

// Whether this libavformat's Matroska muxer moves an audio track's blocks
// by the codec delay it declares (CodecDelay, from the stream's
// initial_padding), as readers take them back by it. Up to libavformat
// 59.30.100 it declares the delay of Opus without moving the blocks, and
// the writer must.
bool matroskaMovesBlocksByCodecDelay();

// Writes `packet` into `container` as a packet of `stream`, its times
// converted from `timeBase` to the stream's, interleaved with the other
// streams by time. Throws on failure.
void writePacket(AVFormatContext* container, AVStream* stream, AVPacket* packet, AVRational timeBase);

}  // namespace quadrelume::capture
