// Where the track view lights a note on its nine-octave keyboard, how it
// names the note, and how its modulation wave scrolls.
#pragma once

#include <cstdint>
#include <string>

// Key number of a pitch class (C = 0): 0-6 the white keys C D E F G A B,
// 7, 8, 10, 11, 12 the black keys C#, D#, F#, G#, A#.
int KeyNumberOfPitchClass(int pitch_class);

// The piece of the lit-key image that shows one sounding note and where it
// goes, relative to the panel's left edge and the row's keyboard top.
struct LitKeyPlacement {
    int source_left = 0;
    int source_top = 0;
    int source_right = 0;
    int source_bottom = 0;
    int dest_x = 0;           // from the panel's left edge
    bool colour_key = false;  // white keys keep the black keys beside them
};

// note: the channel monitor's note number (MIDI key - 24), 0 to 95.
LitKeyPlacement PlaceLitKey(int note);

// Appends the note's name: letter, "+" for a black key, octave digit
// ("C4" for middle C, "F+1" for the lowest F#).
void AppendNoteName(int note, std::string& names);

// Whether the row shows the sine (rather than the flat line): a note counted
// and modulation above 5.
bool WaveShowsSine(int sounding_notes, uint8_t modulation);

// The scroll of the wave strip: every second frame it moves 2 pixels left.
class WaveScroll {
public:
    void Advance();
    int Offset() const { return offset_px_; }

private:
    uint32_t frame_counter_ = 0;
    int offset_px_ = 0;  // 0 to 30, even
};
