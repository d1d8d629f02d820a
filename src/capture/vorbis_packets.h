// The packets of an Ogg Vorbis file as they are, with the position of the
// samples each decodes to, for copying them into another container.
#pragma once

#include <ogg/ogg.h>
#include <tremor/ivorbiscodec.h>

#include <cstdint>
#include <string>

#include "reload/file_data.h"

namespace quadrelume::capture {

// One audio packet: its bytes and the samples it decodes to. A Vorbis
// decoder's output for a packet overlaps it with the packet before, so the
// first packet decodes to nothing and each later one to a quarter of its
// block size plus a quarter of the previous packet's.
struct VorbisPacket {
    const unsigned char* data = nullptr;
    long bytes = 0;
    std::int64_t start = 0;    // its first sample, counting decoded samples from 0
    std::int64_t samples = 0;  // how many it decodes to
    long block = 0;            // its block size
};

// Reads the packets of the first Vorbis stream of an Ogg file held in
// memory, a page at a time. Positions count the samples a decoder puts out,
// as the player's decoding does; the granule positions of the pages are not
// consulted.
class VorbisPacketReader {
public:
    // Reads the three header packets of `file` (not owned; it must stay
    // unchanged while this lives). Throws std::runtime_error when the file
    // has no Vorbis stream, is chained (a new stream begins after another
    // one's pages, which a single track with one set of headers cannot hold)
    // or is damaged (see damagedStretches): the packets around lost ones
    // have no known place, and a track of copied packets no way to hold a
    // gap.
    explicit VorbisPacketReader(const FileData& file);
    ~VorbisPacketReader();
    VorbisPacketReader(const VorbisPacketReader&) = delete;
    VorbisPacketReader& operator=(const VorbisPacketReader&) = delete;

    int rate() const { return static_cast<int>(info_.rate); }
    int channels() const { return info_.channels; }

    // The three header packets joined with Xiph lacing (a count byte of 2,
    // the sizes of the first two in 255-byte steps, then the packets), the
    // codec private data of Vorbis in Matroska and in FFmpeg.
    const std::string& codecPrivate() const { return codecPrivate_; }

    // The next audio packet, whose bytes stay valid until the next call.
    // False at the end of the stream. Lost data (a gap in the pages) is
    // skipped; the positions go on from the packets that remain.
    bool next(VorbisPacket& packet);

private:
    // Frees the libogg and Tremor state; safe to call twice.
    void release();
    bool nextPage(ogg_page& page);
    bool nextPacket(ogg_packet& packet);

    const FileData& file_;
    std::int32_t fed_ = 0;  // bytes of the file handed to the sync layer
    ogg_sync_state sync_{};
    ogg_stream_state stream_{};
    bool haveStream_ = false;
    bool ended_ = false;
    vorbis_info info_{};
    vorbis_comment comment_{};
    std::string codecPrivate_;
    long previousBlock_ = 0;  // 0 before the first audio packet
    std::int64_t position_ = 0;
};

}  // namespace quadrelume::capture
