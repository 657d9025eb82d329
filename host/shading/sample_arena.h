// Per-thread memory for shading samples: bump allocation, rewound (never freed) when a sample
// ends, so steady-state shading touches the heap not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace host {

class SampleArena {
  public:
    explicit SampleArena(size_t blockSize = 64 * 1024);

    /// Where the arena stands; rewinding to it releases everything allocated since.
    struct Mark {
        size_t block;
        size_t offset;
    };

    /// `size` bytes aligned to 16. Grows by a new block only when the current ones are full;
    /// blocks are kept across rewinds, so a warmed-up arena never allocates again.
    void* allocate(size_t size);
    Mark mark() const { return {block_, offset_}; }
    void rewind(Mark mark) {
        block_ = mark.block;
        offset_ = mark.offset;
    }
    /// Blocks held, for tests of the no-growth promise.
    size_t blockCount() const { return blocks_.size(); }

  private:
    struct Block {
        std::unique_ptr<std::byte[]> bytes;
        size_t size;
    };
    size_t blockSize_;
    std::vector<Block> blocks_;
    size_t block_ = 0;
    size_t offset_ = 0;
};

}  // namespace host
