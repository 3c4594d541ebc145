// Storage of the push search: the positions seen (a hash table over chunks of nodes) and
// the open list (buckets by bound, then by a second key). Both count their bytes, so the
// search can stop at its memory limit before it allocates past it.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace prismcrate::solver::push {

constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

// Nodes by index in chunks that never move, found by their key (crates and robot cell)
// through an open-addressing table of 32-bit indices with 32-bit hash tags.
template <class Node>
class NodeStore {
  public:
    static constexpr std::size_t kChunkNodes = std::size_t{1} << 15;

    Node& operator[](std::uint32_t index) {
        return chunks_[index / kChunkNodes][index % kChunkNodes];
    }
    std::uint32_t size() const { return count_; }
    std::size_t bytes() const {
        return chunks_.size() * kChunkNodes * sizeof(Node) + slots_.size() * sizeof(Slot);
    }

    // The node with this key, or kNoNode.
    std::uint32_t find(const Node& key, std::uint64_t hash) {
        if (slots_.empty()) return kNoNode;
        const std::size_t mask = slots_.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
            const Slot& s = slots_[slot];
            if (s.index == 0) return kNoNode;
            if (s.tag == tag && (*this)[s.index - 1].sameKey(key)) return s.index - 1;
        }
    }

    // The bytes that adding one more node may allocate.
    std::size_t growthBytes() const {
        std::size_t extra = 0;
        if (needsLargerTable()) extra += (slots_.empty() ? 1024 : slots_.size() * 2) * sizeof(Slot);
        if (count_ == chunks_.size() * kChunkNodes) extra += kChunkNodes * sizeof(Node);
        return extra;
    }
    bool full() const { return count_ >= kNoNode - 1; }

    // Adds a node whose key is not yet stored (check growthBytes() and full() first).
    std::uint32_t add(const Node& node, std::uint64_t hash) {
        if (needsLargerTable()) rehash(slots_.empty() ? 1024 : slots_.size() * 2);
        if (count_ == chunks_.size() * kChunkNodes)
            chunks_.push_back(std::make_unique<Node[]>(kChunkNodes));
        const std::uint32_t index = count_++;
        (*this)[index] = node;
        place(index, hash);
        return index;
    }

  private:
    struct Slot {
        std::uint32_t index;  // node index + 1; 0 for an empty slot
        std::uint32_t tag;
    };

    bool needsLargerTable() const { return (std::size_t{count_} + 1) * 10 > slots_.size() * 7; }
    void place(std::uint32_t index, std::uint64_t hash) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (slots_[slot].index != 0) slot = (slot + 1) & mask;
        slots_[slot] = {index + 1, static_cast<std::uint32_t>(hash >> 32)};
    }
    void rehash(std::size_t size) {
        slots_.assign(size, Slot{0, 0});
        for (std::uint32_t i = 0; i < count_; ++i) place(i, (*this)[i].hash());
    }

    std::vector<std::unique_ptr<Node[]>> chunks_;
    std::uint32_t count_ = 0;
    std::vector<Slot> slots_;
};

// An open list of node indices ordered by a small primary key (lowest first), then by a
// secondary key (lowest or highest first, as chosen), then last in, first out. Entries
// are never removed except by popping; the search skips those it no longer needs.
class BucketQueue {
  public:
    explicit BucketQueue(bool highestSecondFirst) : highestFirst_(highestSecondFirst) {}

    bool empty() const { return size_ == 0; }
    // A count of the bytes held that is never too low: the buckets keep their room when
    // emptied, and no bucket holds room for more than twice what was ever put into it.
    std::size_t bytes() const {
        return pushed_ * sizeof(std::uint32_t) * 2 + levels_.size() * sizeof(Level) +
               buckets_ * sizeof(std::vector<std::uint32_t>);
    }

    void push(std::uint32_t primary, std::uint32_t secondary, std::uint32_t node) {
        if (primary >= levels_.size()) levels_.resize(primary + 1);
        Level& level = levels_[primary];
        if (secondary >= level.buckets.size()) {
            buckets_ += secondary + 1 - level.buckets.size();
            level.buckets.resize(secondary + 1);
        }
        level.buckets[secondary].push_back(node);
        ++level.size;
        if (level.size == 1 || secondary < level.lowest) level.lowest = secondary;
        if (level.size == 1 || secondary > level.highest) level.highest = secondary;
        if (primary < first_ || size_ == 0) first_ = primary;
        ++size_;
        ++pushed_;
    }

    // Removes and returns the first entry; the queue must not be empty.
    std::uint32_t pop(std::uint32_t& primary) {
        while (levels_[first_].size == 0) ++first_;
        Level& level = levels_[first_];
        primary = first_;
        for (;;) {
            const std::uint32_t secondary = highestFirst_ ? level.highest : level.lowest;
            std::vector<std::uint32_t>& bucket = level.buckets[secondary];
            if (bucket.empty()) {
                if (highestFirst_) {
                    --level.highest;
                } else {
                    ++level.lowest;
                }
                continue;
            }
            const std::uint32_t node = bucket.back();
            bucket.pop_back();
            --level.size;
            --size_;
            return node;
        }
    }

  private:
    struct Level {
        std::vector<std::vector<std::uint32_t>> buckets;
        std::uint32_t size = 0;
        std::uint32_t lowest = 0;
        std::uint32_t highest = 0;
    };
    bool highestFirst_;
    std::vector<Level> levels_;
    std::uint32_t first_ = 0;
    std::size_t size_ = 0;
    std::size_t pushed_ = 0;
    std::size_t buckets_ = 0;
};

}  // namespace prismcrate::solver::push
