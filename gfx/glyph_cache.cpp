#include "gfx/glyph_cache.h"

CGlyphCache::Lookup CGlyphCache::Find(uint32_t key) {
    uint32_t lowest = kMaxScore;
    int victim = 0;
    for (int i = 0; i < kSlotCount; ++i) {
        if (keys_[i] == key) {
            if (scores_[i] < kMaxScore) {
                ++scores_[i];
            }
            return Lookup{i, true};
        }
        // Every slot passed without a match ages, so characters no longer
        // shown make room for new ones.
        if (scores_[i] > 0) {
            --scores_[i];
        }
        if (scores_[i] < lowest) {
            lowest = scores_[i];
            victim = i;
        }
    }
    scores_[victim] = kNewScore;
    keys_[victim] = key;
    return Lookup{victim, false};
}

void CGlyphCache::Reset() {
    for (int i = 0; i < kSlotCount; ++i) {
        keys_[i] = 0;
        scores_[i] = 0;
    }
}
