// The RIFF 'RMID' wrapper of a Standard MIDI File (the .RMI files of a
// collection): the SMF is the body of the wrapper's 'data' chunk.
#pragma once

#include <cstdint>

// Where the SMF of a RIFF 'RMID' file lies within `data`: the 'data'
// chunk's body, `offset` bytes in and `length` bytes long. False when the
// bytes are not such a wrapper or it is damaged: a chunk whose size runs
// past the wrapper or past the bytes at hand, no 'data' chunk, a wrapper
// too short for its own header.
bool FindRmidData(const std::uint8_t* data, std::uint32_t size, std::uint32_t& offset,
                  std::uint32_t& length);
