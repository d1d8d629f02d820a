#include "script/scratch_arena.h"

#include <algorithm>
#include <cstring>

namespace quadrelume {
namespace {

// Every carve keeps this alignment so that Value arrays can follow text.
constexpr std::size_t carveAlignment = alignof(std::max_align_t);

std::size_t roundUp(std::size_t bytes) { return (bytes + carveAlignment - 1) & ~(carveAlignment - 1); }

}  // namespace

ScratchArena::~ScratchArena() { releaseFrom(0); }

void ScratchArena::releaseFrom(std::size_t first) {
    for (std::size_t i = first; i < blocks.size(); ++i) ::operator delete(blocks[i].memory);
    blocks.resize(first);
}

void ScratchArena::reset() {
    current = 0;
    used = 0;
}

void* ScratchArena::allocate(std::size_t bytes) {
    std::size_t request = roundUp(bytes);
    if (current >= blocks.size() || blocks[current].size < used + request) {
        if (current < blocks.size()) {
            used = 0;
            ++current;
        }
        if (current < blocks.size() && blocks[current].size < request) releaseFrom(current);
        if (current >= blocks.size()) {
            std::size_t size = std::max(request, minimumBlockSize);
            blocks.push_back(Block{size, static_cast<unsigned char*>(::operator new(size))});
        }
    }
    unsigned char* result = blocks[current].memory + used;
    used += request;
    std::memset(result, 0, request);
    return result;
}

ScratchArena& scratchArena() {
    static ScratchArena arena;
    return arena;
}

}  // namespace quadrelume
