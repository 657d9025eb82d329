#include "shading/sample_arena.h"

#include <algorithm>
#include <new>

namespace host {

namespace {
constexpr size_t kAlignment = 16;
}  // namespace

SampleArena::SampleArena(size_t blockSize, size_t limit)
    : blockSize_(std::max<size_t>(blockSize, 256)), limit_(std::max(limit, blockSize_)) {
    blocks_.push_back({std::make_unique<std::byte[]>(blockSize_), blockSize_});
    held_ = blockSize_;
}

bool SampleArena::addBlock(size_t at, size_t bytes) noexcept {
    if (bytes > limit_ - held_) return false;
    try {
        // Room in the list first, so that a failed insertion leaves no block behind unowned.
        blocks_.reserve(blocks_.size() + 1);
        std::unique_ptr<std::byte[]> memory(new (std::nothrow) std::byte[bytes]);
        if (!memory) return false;
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at),
                       Block{std::move(memory), bytes});
    } catch (const std::bad_alloc&) {
        return false;
    }
    held_ += bytes;
    return true;
}

void* SampleArena::allocate(size_t size) noexcept {
    if (size > limit_) return nullptr;
    size = (std::max<size_t>(size, 1) + kAlignment - 1) & ~(kAlignment - 1);
    const Mark start = mark();
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
        if (block_ < blocks_.size() && blocks_[block_].size >= size) continue;
        if (!addBlock(block_, std::max(blockSize_, size))) {
            rewind(start);
            return nullptr;
        }
    }
}

}  // namespace host
