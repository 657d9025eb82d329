#include "shading/sample_arena.h"

#include <algorithm>

namespace host {

namespace {
constexpr size_t kAlignment = 16;
size_t alignUp(size_t n) {
    return (n + kAlignment - 1) & ~(kAlignment - 1);
}
}  // namespace

SampleArena::SampleArena(size_t blockSize) : blockSize_(std::max<size_t>(blockSize, 256)) {
    blocks_.push_back({std::make_unique<std::byte[]>(blockSize_), blockSize_});
}

void* SampleArena::allocate(size_t size) {
    size = alignUp(std::max<size_t>(size, 1));
    while (true) {
        Block& current = blocks_[block_];
        if (offset_ + size <= current.size) {
            void* p = current.bytes.get() + offset_;
            offset_ += size;
            return p;
        }
        // Move on to the next kept block, or add one big enough.
        ++block_;
        offset_ = 0;
        if (block_ == blocks_.size()) {
            const size_t bytes = std::max(blockSize_, size);
            blocks_.push_back({std::make_unique<std::byte[]>(bytes), bytes});
        } else if (blocks_[block_].size < size) {
            const size_t bytes = std::max(blockSize_, size);
            blocks_.insert(blocks_.begin() + block_,
                           Block{std::make_unique<std::byte[]>(bytes), bytes});
        }
    }
}

}  // namespace host
