// The row copies against their rules written out pixel by pixel, for widths
// across their 4- to 32-pixel steps, several rows with a pitch wider
// than the copy, and (keyed) every kind of key range.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/ddraw/rows_copy.h"

using platform::video::RowKeys;

TEST(RowsCopy, PlainAndKeyedMatchThePixelRulesForEveryWidthAndKeyRange) {
    std::mt19937 random(7);
    auto byte = [&] { return static_cast<std::uint8_t>(random() % 8); };  // keys hit often
    for (int trial = 0; trial < 2000; ++trial) {
        const int width = static_cast<int>(random() % 80);
        const int height = 1 + static_cast<int>(random() % 3);
        const int pitch = width + 5;  // the pixels past the width stay as they are
        RowKeys keys;
        keys.use_source = random() % 2;
        keys.use_dest = random() % 2;
        keys.source_low = byte(), keys.source_high = byte();  // low > high at times
        keys.dest_low = byte(), keys.dest_high = byte();
        std::vector<std::uint8_t> in(pitch * height), out(pitch * height);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = byte(), out[i] = byte();
        std::vector<std::uint8_t> plain = out, expected_plain = out;
        for (int row = 0; row < height; ++row)
            for (int i = row * pitch; i < row * pitch + width; ++i)
                expected_plain[i] = in[i];
        platform::video::CopyRows(plain.data(), pitch, in.data(), pitch, width, height);
        ASSERT_EQ(plain, expected_plain) << "trial " << trial << ", width " << width;
        std::vector<std::uint8_t> expected = out;
        for (int row = 0; row < height; ++row)
            for (int i = row * pitch; i < row * pitch + width; ++i) {
                if (keys.use_source && in[i] >= keys.source_low && in[i] <= keys.source_high)
                    continue;
                if (keys.use_dest && !(out[i] >= keys.dest_low && out[i] <= keys.dest_high))
                    continue;
                expected[i] = in[i];
            }
        platform::video::CopyKeyedRows(out.data(), pitch, in.data(), pitch, width, height, keys);
        ASSERT_EQ(out, expected) << "trial " << trial << ", width " << width;
    }
}
