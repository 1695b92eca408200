#include "views/key_layout.h"

namespace {

constexpr int kKeyOfPitchClass[12] = {0, 7, 1, 8, 2, 3, 10, 4, 11, 5, 12, 6};
constexpr int kWhiteKeyWidth_px = 5;
constexpr int kOctaveWidth_px = 35;
constexpr int kKeyboardLeft_px = 5;
// The black keys' piece of the lit-key image starts 32 pixels before their key
// number's white-key position (5k - 32), and sits below the white keys.
constexpr int kBlackKeyShift_px = 32;

bool IsBlackKey(int key) {
    return key >= 7;
}

}  // namespace

int KeyNumberOfPitchClass(int pitch_class) {
    return kKeyOfPitchClass[pitch_class % 12];
}

LitKeyPlacement PlaceLitKey(int note) {
    const int octave = note / 12;
    const int key = KeyNumberOfPitchClass(note % 12);
    const int octave_left = kKeyboardLeft_px + kOctaveWidth_px * octave;
    LitKeyPlacement placement;
    if (!IsBlackKey(key)) {
        placement.source_left = kWhiteKeyWidth_px * key;
        placement.source_top = 0;
        placement.source_right = placement.source_left + 5;
        placement.source_bottom = 17;
        placement.dest_x = octave_left + kWhiteKeyWidth_px * key;
        placement.colour_key = true;
    } else {
        placement.source_left = kWhiteKeyWidth_px * key - kBlackKeyShift_px;
        placement.source_top = 17;
        placement.source_right = placement.source_left + 3;
        placement.source_bottom = 27;
        placement.dest_x = octave_left + placement.source_left;
        placement.colour_key = false;
    }
    return placement;
}

void AppendNoteName(int note, std::string& names) {
    const int octave = note / 12;
    const int key = KeyNumberOfPitchClass(note % 12);
    names += static_cast<char>('A' + ((key % 7) + 2) % 7);
    if (IsBlackKey(key)) {
        names += '+';
    }
    names += static_cast<char>('1' + octave);
}

bool WaveShowsSine(int sounding_notes, uint8_t modulation) {
    return sounding_notes > 0 && modulation > 5;
}

void WaveScroll::Advance() {
    ++frame_counter_;
    if (frame_counter_ % 2 == 0) {
        offset_px_ += 2;
        if (offset_px_ >= 32) {
            offset_px_ = 0;
        }
    }
}
