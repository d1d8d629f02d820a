#include "capture/vorbis_packets.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "clock/ogg_damage.h"

namespace quadrelume::capture {
namespace {

constexpr std::int32_t chunkBytes = 65536;

// Whether a new logical stream begins after pages of another one: what
// makes an Ogg file chained. Multiplexed streams all begin before any
// other page, so they do not count.
bool isChained(const FileData& file) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, file.size);
    std::memcpy(buffer, file.data, static_cast<std::size_t>(file.size));
    ogg_sync_wrote(&sync, file.size);
    bool seenData = false;
    bool chained = false;
    ogg_page page;
    for (int result; !chained && (result = ogg_sync_pageout(&sync, &page)) != 0;) {
        if (result < 0) continue;
        if (ogg_page_bos(&page)) chained = seenData;
        else seenData = true;
    }
    ogg_sync_clear(&sync);
    return chained;
}

void appendLacing(std::string& out, std::size_t size) {
    out.append(size / 255, static_cast<char>(255));
    out += static_cast<char>(size % 255);
}

}  // namespace

VorbisPacketReader::VorbisPacketReader(const FileData& file) : file_(file) {
    ogg_sync_init(&sync_);
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
    if (isChained(file_)) {
        release();  // no destructor runs for an object whose constructor throws
        throw std::runtime_error(
            "demo.ogg is a chained Ogg file: its Vorbis packets cannot go unchanged into one track; "
            "capture to .mp4 or .webm, which encode the music anew");
    }
    if (!damagedStretches(file_).empty()) {
        release();
        throw std::runtime_error(
            "demo.ogg is damaged (pages of it are missing or unreadable): its Vorbis packets cannot be copied "
            "in step with the frames; capture to .mp4 or .webm, which play silence where the damage is");
    }
    std::vector<std::string> headers;
    ogg_page page;
    while (headers.size() < 3 && nextPage(page)) {
        if (!haveStream_) {
            if (!ogg_page_bos(&page)) continue;
            ogg_stream_init(&stream_, ogg_page_serialno(&page));
            ogg_stream_pagein(&stream_, &page);
            ogg_packet first;
            if (ogg_stream_packetpeek(&stream_, &first) != 1 || vorbis_synthesis_idheader(&first) != 1) {
                ogg_stream_clear(&stream_);  // another codec's stream
                continue;
            }
            haveStream_ = true;
        } else if (ogg_page_serialno(&page) == stream_.serialno) {
            ogg_stream_pagein(&stream_, &page);
        }
        ogg_packet packet;
        while (headers.size() < 3 && ogg_stream_packetout(&stream_, &packet) == 1) {
            if (vorbis_synthesis_headerin(&info_, &comment_, &packet) != 0) break;
            headers.emplace_back(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes));
        }
    }
    if (headers.size() < 3) {
        release();
        throw std::runtime_error("demo.ogg holds no complete Vorbis stream");
    }
    codecPrivate_ = '\2';
    appendLacing(codecPrivate_, headers[0].size());
    appendLacing(codecPrivate_, headers[1].size());
    for (const std::string& header : headers) codecPrivate_ += header;
}

VorbisPacketReader::~VorbisPacketReader() { release(); }

void VorbisPacketReader::release() {
    if (haveStream_) ogg_stream_clear(&stream_);
    haveStream_ = false;
    vorbis_comment_clear(&comment_);
    vorbis_info_clear(&info_);
    ogg_sync_clear(&sync_);
}

bool VorbisPacketReader::nextPage(ogg_page& page) {
    for (;;) {
        int result = ogg_sync_pageout(&sync_, &page);
        if (result > 0) return true;
        if (result < 0) continue;  // skipped bytes that were no page
        if (fed_ >= file_.size) return false;
        std::int32_t bytes = std::min(chunkBytes, file_.size - fed_);
        char* buffer = ogg_sync_buffer(&sync_, bytes);
        std::memcpy(buffer, file_.data + fed_, static_cast<std::size_t>(bytes));
        ogg_sync_wrote(&sync_, bytes);
        fed_ += bytes;
    }
}

bool VorbisPacketReader::nextPacket(ogg_packet& packet) {
    for (;;) {
        int result = ogg_stream_packetout(&stream_, &packet);
        if (result > 0) return true;
        if (result < 0) continue;  // a gap: the packets after it still decode
        ogg_page page;
        do {
            if (!nextPage(page)) return false;
        } while (ogg_page_serialno(&page) != stream_.serialno);
        ogg_stream_pagein(&stream_, &page);
    }
}

bool VorbisPacketReader::next(VorbisPacket& packet) {
    ogg_packet raw;
    while (!ended_ && nextPacket(raw)) {
        ended_ = raw.e_o_s != 0;
        long block = vorbis_packet_blocksize(&info_, &raw);
        if (block <= 0) continue;  // not an audio packet
        packet.data = raw.packet;
        packet.bytes = raw.bytes;
        packet.start = position_;
        packet.samples = previousBlock_ == 0 ? 0 : (previousBlock_ + block) / 4;
        packet.block = block;
        position_ += packet.samples;
        previousBlock_ = block;
        return true;
    }
    ended_ = true;
    return false;
}

}  // namespace quadrelume::capture
