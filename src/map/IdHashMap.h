#ifndef TRAKMOOR_MAP_IDHASHMAP_H
#define TRAKMOOR_MAP_IDHASHMAP_H

// An open-addressing hash table keyed by 64-bit OSM ids. One flat array of slots, linear probing
// and Fibonacci hashing: a lookup is usually one cache line, and there is no allocation per entry,
// which matters with millions of nodes. Pointers to values stay valid until the next insertion.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace trakmoor {

template <class Value> class IdHashMap {
public:
    std::size_t size() const { return size_ + (hasSentinelEntry_ ? 1 : 0); }

    void reserve(std::size_t count) {
        if (count > capacityFor(slots_.size()))
            rehash(slotCountFor(count));
    }

    const Value* find(std::int64_t id) const {
        if (id == kEmptyKey)
            return hasSentinelEntry_ ? &sentinelValue_ : nullptr;
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = home(id);; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.key == id)
                return &slot.value;
            if (slot.key == kEmptyKey)
                return nullptr;
        }
    }
    Value* find(std::int64_t id) {
        return const_cast<Value*>(std::as_const(*this).find(id));
    }
    bool contains(std::int64_t id) const { return find(id) != nullptr; }

    // The value stored under `id`, default-constructed when new; `.second` tells whether it was.
    std::pair<Value*, bool> tryEmplace(std::int64_t id) {
        if (id == kEmptyKey) {
            const bool inserted = !hasSentinelEntry_;
            hasSentinelEntry_ = true;
            return {&sentinelValue_, inserted};
        }
        if (size_ + 1 > capacityFor(slots_.size()))
            rehash(slotCountFor(size_ + 1));
        for (std::size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.key == id)
                return {&slot.value, false};
            if (slot.key == kEmptyKey) {
                slot.key = id;
                ++size_;
                return {&slot.value, true};
            }
        }
    }

private:
    // The one id that marks a free slot; a real entry with this id is kept aside.
    static constexpr std::int64_t kEmptyKey = std::numeric_limits<std::int64_t>::min();

    struct Slot {
        std::int64_t key = kEmptyKey;
        Value value{};
    };

    // At most 3/4 full, so probe runs stay short.
    static std::size_t capacityFor(std::size_t slotCount) { return slotCount / 4 * 3; }
    static std::size_t slotCountFor(std::size_t count) {
        return std::bit_ceil(std::max<std::size_t>(16, count + count / 3 + 1));
    }

    std::size_t home(std::int64_t id) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(id) * 0x9E3779B97F4A7C15ull) >>
                                        shift_);
    }

    void rehash(std::size_t slotCount) {
        std::vector<Slot> old(slotCount);
        old.swap(slots_);
        mask_ = slotCount - 1;
        shift_ = 64 - std::countr_zero(slotCount);
        size_ = 0;
        for (Slot& slot : old) {
            if (slot.key == kEmptyKey)
                continue;
            std::size_t i = home(slot.key);
            while (slots_[i].key != kEmptyKey)
                i = (i + 1) & mask_;
            slots_[i].key = slot.key;
            slots_[i].value = std::move(slot.value);
            ++size_;
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    int shift_ = 64;
    std::size_t size_ = 0;
    bool hasSentinelEntry_ = false;
    Value sentinelValue_{};
};

} // namespace trakmoor

#endif
