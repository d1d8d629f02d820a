// The bump allocator that holds every temporary value of a script run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quadrelume {

// Memory for values that live only until the next run: results of nodes,
// copies read from variables, lists built by operators and built-ins.
// Nothing is freed piecemeal; `reset` makes the whole arena reusable and the
// blocks persist, so after the first runs a run takes no heap memory at all.
class ScratchArena {
public:
    // Smallest block; a larger request gets a block of exactly its size.
    static constexpr std::size_t minimumBlockSize = 1048576;

    ScratchArena() = default;
    ScratchArena(const ScratchArena&) = delete;
    ScratchArena& operator=(const ScratchArena&) = delete;
    // Releases every block.
    ~ScratchArena();

    // Starts carving from the beginning of the first block again. Everything
    // handed out before becomes invalid.
    void reset();

    // Returns `bytes` of zero-filled memory, aligned for Value, valid until
    // the next reset. A request of 0 returns a valid position.
    void* allocate(std::size_t bytes);

    // Number of blocks held (for tests of block reuse).
    std::size_t blockCount() const { return blocks.size(); }

private:
    struct Block {
        std::size_t size;
        unsigned char* memory;
    };

    std::vector<Block> blocks;  // owned, in order
    std::size_t current = 0;    // index of the block being carved
    std::size_t used = 0;       // bytes carved from the current block

    void releaseFrom(std::size_t first);
};

// The process-wide arena of script runs. `run` resets it; it must not be
// re-entered.
ScratchArena& scratchArena();

}  // namespace quadrelume
