// The document viewer's image: its size, its rows and its two text colours,
// shared by the drawing of texts and of words.
#pragma once

#include "platform/win32_types.h"

namespace document_viewer {

inline constexpr LONG kWidth_px = 620;
inline constexpr LONG kHeight_px = 424;
inline constexpr int kTextLeft_px = 5;
inline constexpr int kFirstRowTop_px = 10;
inline constexpr int kRowPitch_px = 15;
// Text in white, and the words not yet sung in grey: both entries lie above
// the range the screen's dimming scales.
inline constexpr BYTE kTextIndex = 240;
inline constexpr BYTE kDimTextIndex = 241;
inline constexpr COLORREF kDimText = 0x00B0B0B0;

inline constexpr int RowTop(int row) {
    return kFirstRowTop_px + kRowPitch_px * row;
}

}  // namespace document_viewer
