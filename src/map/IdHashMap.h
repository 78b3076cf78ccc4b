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
#include <memory>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace trakmoor {

template <class Value> class IdHashMap {
public:
    std::size_t size() const { return size_ + (hasSentinelEntry_ ? 1 : 0); }

    void reserve(std::size_t count) {
        if (count > capacityFor(slotCount_)) {
            rehash(slotCountFor(count));
        }
    }

    // Starts fetching the memory `find(id)` or `tryEmplace(id)` will read, so that several
    // lookups in a row overlap their cache misses.
    void prefetch(std::int64_t id) const {
        if (slotCount_ != 0) {
            __builtin_prefetch(&slots_[home(id)]);
        }
    }

    const Value* find(std::int64_t id) const {
        if (id == emptyKey) {
            return hasSentinelEntry_ ? &sentinelValue_ : nullptr;
        }
        if (slotCount_ == 0) {
            return nullptr;
        }
        for (std::size_t i = home(id);; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.key == id) {
                return &slot.value;
            }
            if (slot.key == emptyKey) {
                return nullptr;
            }
        }
    }
    Value* find(std::int64_t id) { return const_cast<Value*>(std::as_const(*this).find(id)); }
    bool contains(std::int64_t id) const { return find(id) != nullptr; }

    // The value stored under `id`, default-constructed when new; `.second` tells whether it was.
    std::pair<Value*, bool> tryEmplace(std::int64_t id) {
        if (id == emptyKey) {
            const bool inserted = !hasSentinelEntry_;
            hasSentinelEntry_ = true;
            return {&sentinelValue_, inserted};
        }
        if (size_ + 1 > capacityFor(slotCount_)) {
            rehash(slotCountFor(size_ + 1));
        }
        for (std::size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.key == id) {
                return {&slot.value, false};
            }
            if (slot.key == emptyKey) {
                slot.key = id;
                ++size_;
                return {&slot.value, true};
            }
        }
    }

private:
    // The one id that marks a free slot; a real entry with this id is kept aside.
    static constexpr std::int64_t emptyKey = std::numeric_limits<std::int64_t>::min();

    struct Slot {
        std::int64_t key = emptyKey;
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

    // Large tables ask for transparent huge pages: millions of random lookups otherwise spend
    // much of their time in TLB misses and page faults.
    struct SlotArrayDeleter {
        std::size_t count = 0;
        void operator()(Slot* slots) const {
            std::destroy_n(slots, count);
            ::operator delete(slots, std::align_val_t(alignmentFor(count)));
        }
    };
    using SlotArray = std::unique_ptr<Slot[], SlotArrayDeleter>;

    static constexpr std::size_t hugePage = std::size_t{2} << 20;
    static std::size_t alignmentFor(std::size_t count) {
        return count * sizeof(Slot) >= hugePage ? hugePage : alignof(Slot);
    }

    static SlotArray allocateSlots(std::size_t count) {
        const std::size_t bytes = count * sizeof(Slot);
        void* memory = ::operator new(bytes, std::align_val_t(alignmentFor(count)));
        if (bytes >= hugePage) {
            ::madvise(memory, bytes, MADV_HUGEPAGE);
        }
        Slot* slots = static_cast<Slot*>(memory);
        std::uninitialized_value_construct_n(slots, count);
        return SlotArray(slots, SlotArrayDeleter{count});
    }

    void rehash(std::size_t slotCount) {
        SlotArray old = allocateSlots(slotCount);
        const std::size_t oldCount = slotCount_;
        old.swap(slots_);
        slotCount_ = slotCount;
        mask_ = slotCount - 1;
        shift_ = 64 - std::countr_zero(slotCount);
        size_ = 0;
        for (std::size_t j = 0; j < oldCount; ++j) {
            Slot& slot = old[j];
            if (slot.key == emptyKey) {
                continue;
            }
            std::size_t i = home(slot.key);
            while (slots_[i].key != emptyKey) {
                i = (i + 1) & mask_;
            }
            slots_[i].key = slot.key;
            slots_[i].value = std::move(slot.value);
            ++size_;
        }
    }

    SlotArray slots_;
    std::size_t slotCount_ = 0;
    std::size_t mask_ = 0;
    int shift_ = 64;
    std::size_t size_ = 0;
    bool hasSentinelEntry_ = false;
    Value sentinelValue_{};
};

} // namespace trakmoor

#endif
