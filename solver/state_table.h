// The positions a search has met: packed words, the move that first reached each one
// from its parent, and its best known distance from the start; with a hash index over the
// words. Storage grows in fixed blocks, so growing never copies what is stored, and every
// byte it holds is counted for the search's memory limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace prismcrate::solver {

class StateTable {
  public:
    // The parent of the start, and the most positions a table can hold.
    static constexpr std::uint32_t kNoParent = 0x3FFFFFFFu;
    static constexpr std::uint32_t kMostStates = kNoParent;

    explicit StateTable(int words) : words_(words) {}

    std::uint32_t size() const { return count_; }
    int words() const { return words_; }
    const std::uint64_t* state(std::uint32_t i) const { return block(i).words.get() + offset(i); }

    std::uint32_t parent(std::uint32_t i) const { return block(i).parents[i % kBlock] >> 2; }
    int move(std::uint32_t i) const { return static_cast<int>(block(i).parents[i % kBlock] & 3); }
    std::uint32_t cost(std::uint32_t i) const { return block(i).costs[i % kBlock] >> 1; }
    bool closed(std::uint32_t i) const { return block(i).costs[i % kBlock] & 1; }
    void close(std::uint32_t i) { block(i).costs[i % kBlock] |= 1; }
    // Reached by a line of `cost` moves whose last is `move` from `parent`: open again.
    void reach(std::uint32_t i, std::uint32_t parent, int move, std::uint32_t cost) {
        Block& b = block(i);
        b.parents[i % kBlock] = parent << 2 | static_cast<std::uint32_t>(move);
        b.costs[i % kBlock] = cost << 1;
    }

    // The bytes the table would hold after one more insertion.
    std::size_t bytesAfterInsert() const {
        std::size_t bytes = bytes_;
        if (count_ % kBlock == 0) bytes += blockBytes();
        if ((count_ + 1) * 10 > slots_.size() * 7) bytes += slotBytes(slots_.size() * 2);
        return bytes;
    }
    std::size_t bytes() const { return bytes_; }

    // The index of the position in `words`, adding it (unreached, open) if it is new.
    // `added` tells which.
    std::uint32_t find(const std::uint64_t* words, bool& added) {
        const std::uint64_t h = hash(words);
        if ((count_ + 1) * 10 > slots_.size() * 7) grow();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = static_cast<std::size_t>(h) & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = slots_[at];
            if (slot == 0) {
                const std::uint32_t index = append(words);
                slots_[at] = static_cast<std::uint64_t>(static_cast<std::uint32_t>(h)) << 32 |
                             (static_cast<std::uint64_t>(index) + 1);
                added = true;
                return index;
            }
            if ((slot >> 32) == static_cast<std::uint32_t>(h)) {
                const std::uint32_t index = static_cast<std::uint32_t>(slot) - 1;
                if (std::memcmp(state(index), words, sizeof(std::uint64_t) * words_) == 0) {
                    added = false;
                    return index;
                }
            }
        }
    }

  private:
    static constexpr std::uint32_t kBlock = 1u << 16;
    struct Block {
        std::unique_ptr<std::uint64_t[]> words;
        std::unique_ptr<std::uint32_t[]> parents;  // parent << 2 | move
        std::unique_ptr<std::uint32_t[]> costs;    // cost << 1 | closed
    };

    std::size_t blockBytes() const {
        return kBlock * (sizeof(std::uint64_t) * words_ + 2 * sizeof(std::uint32_t));
    }
    static std::size_t slotBytes(std::size_t slots) { return slots * sizeof(std::uint64_t); }

    Block& block(std::uint32_t i) { return blocks_[i / kBlock]; }
    const Block& block(std::uint32_t i) const { return blocks_[i / kBlock]; }
    std::size_t offset(std::uint32_t i) const {
        return static_cast<std::size_t>(i % kBlock) * static_cast<std::size_t>(words_);
    }

    static std::uint64_t mix(std::uint64_t x) {
        x ^= x >> 31;
        x *= 0x7fb5d329728ea185ull;
        x ^= x >> 27;
        x *= 0x81dadef4bc2dd44dull;
        x ^= x >> 33;
        return x;
    }
    std::uint64_t hash(const std::uint64_t* words) const {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < words_; ++i) h = mix(h ^ words[i]) + static_cast<std::uint64_t>(i);
        return mix(h);
    }

    std::uint32_t append(const std::uint64_t* words) {
        if (count_ % kBlock == 0) {
            Block b;
            b.words = std::make_unique<std::uint64_t[]>(kBlock * static_cast<std::size_t>(words_));
            b.parents = std::make_unique<std::uint32_t[]>(kBlock);
            b.costs = std::make_unique<std::uint32_t[]>(kBlock);
            blocks_.push_back(std::move(b));
            bytes_ += blockBytes();
        }
        const std::uint32_t index = count_++;
        std::memcpy(block(index).words.get() + offset(index), words,
                    sizeof(std::uint64_t) * words_);
        reach(index, kNoParent, 0, 0);
        return index;
    }

    void grow() {
        std::vector<std::uint64_t> old;
        old.swap(slots_);
        const std::size_t size = old.empty() ? 1024 : old.size() * 2;
        slots_.assign(size, 0);
        const std::size_t mask = size - 1;
        for (const std::uint64_t slot : old) {
            if (slot == 0) continue;
            std::size_t at = static_cast<std::size_t>(slot >> 32) & mask;
            while (slots_[at] != 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
        bytes_ += slotBytes(size) - slotBytes(old.size());
    }

    int words_;
    std::uint32_t count_ = 0;
    std::vector<Block> blocks_;
    std::vector<std::uint64_t> slots_;
    std::size_t bytes_ = 0;
};

}  // namespace prismcrate::solver
