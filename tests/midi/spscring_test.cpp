// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's one ring between two threads. Run under ThreadSanitizer too (scripts/ci-extra.sh
// tsan), where a slot read before its writer counted it in is reported as a race.
#include "midi/spscring.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <thread>

namespace kel {
namespace {

// An item whose parts must all come from one push: a torn or stale slot shows.
struct Item {
    std::uint64_t sequence = 0;
    std::array<std::uint64_t, 7> copies{};

    static Item Of(std::uint64_t sequence) {
        Item item;
        item.sequence = sequence;
        item.copies.fill(sequence * 2654435761u);
        return item;
    }
    bool Whole() const {
        for (const std::uint64_t copy : copies) {
            if (copy != sequence * 2654435761u) {
                return false;
            }
        }
        return true;
    }
};

TEST(SpscRing, FullRefusesEmptyGivesNothingAndSlotsComeBackInOrder) {
    CSpscRing<Item> ring(3);
    Item item;
    EXPECT_FALSE(ring.Pop(item));
    EXPECT_EQ(ring.Front(), nullptr);
    for (std::uint64_t round = 0; round < 5; ++round) { // wraps several times
        for (std::uint64_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(ring.Push(Item::Of(round * 3 + i)));
        }
        EXPECT_FALSE(ring.Push(Item::Of(99)));
        EXPECT_EQ(ring.BeginPush(), nullptr);
        EXPECT_EQ(ring.Count(), 3u);
        for (std::uint64_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(ring.Pop(item));
            EXPECT_EQ(item.sequence, round * 3 + i);
        }
        EXPECT_TRUE(ring.Empty());
        EXPECT_FALSE(ring.Pop(item));
    }
}

// One thread pushes, another pops, each as fast as it can through a small ring: every item
// comes out once, whole, in the order it went in, and the ring never holds more than its
// capacity.
TEST(SpscRing, TwoThreadsPassEveryItemInOrderWithoutLoss) {
    constexpr std::uint64_t kItems = 200000;
    CSpscRing<Item> ring(16);
    std::uint64_t refused = 0;
    std::thread producer([&] {
        for (std::uint64_t sequence = 0; sequence < kItems;) {
            if (Item* slot = ring.BeginPush()) {
                *slot = Item::Of(sequence++);
                ring.CommitPush();
            } else {
                ++refused; // full: the consumer is behind
                std::this_thread::yield();
            }
        }
    });
    std::uint64_t expected = 0;
    std::uint64_t torn = 0;
    std::uint64_t outOfOrder = 0;
    std::size_t most = 0;
    while (expected < kItems) {
        most = std::max(most, ring.Count());
        const Item* front = ring.Front();
        if (front == nullptr) {
            std::this_thread::yield();
            continue;
        }
        torn += front->Whole() ? 0 : 1;
        outOfOrder += front->sequence == expected ? 0 : 1;
        ring.Pop();
        ++expected;
    }
    producer.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_LE(most, ring.Capacity());
    EXPECT_TRUE(ring.Empty());
    Item item;
    EXPECT_FALSE(ring.Pop(item));
    // Nothing was lost: a refused push was tried again, never counted in.
    RecordProperty("refused", static_cast<int>(refused));
}

} // namespace
} // namespace kel
