#include "gfx/glyph_cache.h"

#include <gtest/gtest.h>

namespace {

uint32_t Key(int n) {
    return CGlyphCache::MakeKey(0x88, static_cast<uint8_t>(0x40 + n), 1);
}

TEST(GlyphCacheTest, KeysCombineBothBytesAndTheColour) {
    EXPECT_EQ(CGlyphCache::MakeKey(0x82, 0xA0, 21), 0x82u | 0xA0u << 8 | 21u << 16);
    CGlyphCache cache;
    const auto first = cache.Find(CGlyphCache::MakeKey(0x82, 0xA0, 1));
    const auto other_colour = cache.Find(CGlyphCache::MakeKey(0x82, 0xA0, 2));
    EXPECT_FALSE(first.hit);
    EXPECT_FALSE(other_colour.hit);
    EXPECT_NE(first.slot, other_colour.slot);
}

TEST(GlyphCacheTest, HitsRaiseTheScoreUpToTheLimitAndPassedSlotsAge) {
    CGlyphCache cache;
    const auto a = cache.Find(Key(0));
    const auto b = cache.Find(Key(1));
    EXPECT_EQ(a.slot, 0);
    EXPECT_EQ(b.slot, 1);
    EXPECT_EQ(cache.ScoreAt(0), 31u);  // aged once by the lookup of key 1
    EXPECT_EQ(cache.ScoreAt(1), 32u);

    const auto again = cache.Find(Key(1));
    EXPECT_TRUE(again.hit);
    EXPECT_EQ(again.slot, 1);
    EXPECT_EQ(cache.ScoreAt(0), 30u);
    EXPECT_EQ(cache.ScoreAt(1), 33u);
    for (int i = 0; i < 100; ++i)
        cache.Find(Key(0));  // slot 0 is matched first: no ageing
    EXPECT_EQ(cache.ScoreAt(0), CGlyphCache::kMaxScore);
    EXPECT_EQ(cache.ScoreAt(1), 33u);
}

TEST(GlyphCacheTest, MissReplacesTheFirstLowestScoredSlot) {
    CGlyphCache cache;
    for (int n = 0; n < 32; ++n) {
        const auto found = cache.Find(Key(n));
        EXPECT_FALSE(found.hit);
        EXPECT_EQ(found.slot, n);
    }
    // Slot i has been passed by the 31 - i later lookups.
    EXPECT_EQ(cache.ScoreAt(0), 1u);
    EXPECT_EQ(cache.ScoreAt(20), 21u);
    EXPECT_EQ(cache.ScoreAt(31), 32u);
    // The next miss ages slot 0 to 0, which ties with the empty slots after
    // it; the first slot with the lowest score goes.
    const auto next = cache.Find(Key(32));
    EXPECT_FALSE(next.hit);
    EXPECT_EQ(next.slot, 0);
    EXPECT_EQ(cache.KeyAt(0), Key(32));
    EXPECT_EQ(cache.ScoreAt(0), CGlyphCache::kNewScore);
    EXPECT_FALSE(cache.Find(Key(0)).hit);  // the evicted character is rendered again
    EXPECT_TRUE(cache.Find(Key(31)).hit);
}

TEST(GlyphCacheTest, OftenUsedCharactersSurviveAStreamOfNewOnes) {
    CGlyphCache cache;
    const uint32_t title = Key(200);
    for (int i = 0; i < 40; ++i)
        cache.Find(title);
    const int slot = cache.Find(title).slot;
    for (int n = 0; n < 63; ++n) {
        cache.Find(Key(n));
        cache.Find(title);  // shown every frame, like a song title
    }
    EXPECT_EQ(cache.KeyAt(slot), title);
    cache.Reset();
    EXPECT_EQ(cache.KeyAt(slot), 0u);
    EXPECT_EQ(cache.ScoreAt(slot), 0u);
}

}  // namespace
