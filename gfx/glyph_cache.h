// The slot bookkeeping of a font's double-byte glyph cache: 64 slots, each
// keyed by lead byte | trail byte << 8 | palette index << 16 (0 = empty),
// with a score that a hit raises and every passing lookup lowers, so that
// often drawn characters stay and a miss replaces the weakest slot.
#pragma once

#include <cstdint>

class CGlyphCache {
public:
    static constexpr int kSlotCount = 64;
    static constexpr uint32_t kMaxScore = 64;
    static constexpr uint32_t kNewScore = 32;

    struct Lookup {
        int slot;  // 0 .. kSlotCount - 1
        bool hit;  // false: the slot was just given to the key and must be drawn
    };

    static uint32_t MakeKey(uint8_t lead, uint8_t trail, uint8_t palette_index) {
        return lead | (uint32_t{trail} << 8) | (uint32_t{palette_index} << 16);
    }

    // Finds key's slot, ageing every slot passed without a match; on a miss
    // the first slot with the lowest score is given to key with score 32.
    Lookup Find(uint32_t key);

    // Empties every slot (after surface loss the cached pixels are gone).
    void Reset();

    uint32_t KeyAt(int slot) const { return keys_[slot]; }
    uint32_t ScoreAt(int slot) const { return scores_[slot]; }

private:
    uint32_t keys_[kSlotCount] = {};
    uint32_t scores_[kSlotCount] = {};
};
