// Per-thread memory for shading samples: bump allocation, rewound (never freed) when a sample
// ends, so steady-state shading touches the heap not at all. It never throws: what it cannot
// give (past its limit, or the heap exhausted) it answers with null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace host {

class SampleArena {
  public:
    /// What one render thread's samples may hold at once, whatever the heap could give.
    static constexpr size_t kDefaultLimit = size_t{256} << 20;

    /// Takes the first block; throws std::bad_alloc like any constructor when it cannot.
    explicit SampleArena(size_t blockSize = 64 * 1024, size_t limit = kDefaultLimit);

    /// Where the arena stands; rewinding to it releases everything allocated since.
    struct Mark {
        size_t block;
        size_t offset;
    };

    /// `size` bytes aligned to 16. Grows by a new block only when the current ones are full;
    /// blocks are kept across rewinds, so a warmed-up arena never allocates again. Null, with
    /// the arena as it was, when the blocks would pass the limit or the heap has no more.
    void* allocate(size_t size) noexcept;
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
    /// A new block of `bytes` placed at `at`, or false with nothing changed.
    bool addBlock(size_t at, size_t bytes) noexcept;

    size_t blockSize_;
    size_t limit_;
    size_t held_ = 0;  ///< bytes in blocks_
    std::vector<Block> blocks_;
    size_t block_ = 0;
    size_t offset_ = 0;
};

}  // namespace host
