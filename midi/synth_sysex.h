// Recognises the system-exclusive messages that change how a synthesizer
// takes the rest of a song: the GM, GS and XG resets and the GS/XG messages
// that turn a part into a drum part. Every message starts with its F0.
#pragma once

#include <cstddef>
#include <cstdint>

#include <optional>

// The modes a reset puts a synthesizer in (GM System Off leaves it in its
// own, taken as plain GM).
enum class SynthMode { kGm, kGm2, kGs, kXg };

// GM System On/Off, GM2 System On, GS Reset (and GS mode set), XG System On
// and XG All Parameter Reset, for any device number: the mode it sets.
std::optional<SynthMode> ReadSynthReset(const std::uint8_t* message, std::size_t length);
inline bool IsSynthReset(const std::uint8_t* message, std::size_t length) {
    return ReadSynthReset(message, length).has_value();
}

// A GS "use for rhythm part" or XG "part mode" message: true, with the
// channel (0 to 15) the part plays on by default and whether it now plays drums.
bool ReadDrumPartMode(const std::uint8_t* message, std::size_t length, int& channel, bool& drums);
