// Which SoundFonts and synth settings a run starts with, and the lines of
// --list-soundfonts.
#pragma once

#include <string>
#include <vector>

#include "platform/synth_config.h"

// The kept configuration with the command line's settings over it; the stack
// is the command line's SoundFonts, else none when NIVRA_SOUNDFONT is set (the
// synth then plays that one), else the kept stack. The run's choices are not
// kept unless the stack is changed during the run.
platform::SynthConfig StartingSynthConfig(const platform::SynthConfig& kept,
                                          const platform::SynthConfig& given,
                                          bool soundfont_variable_set);

// One line for each SoundFont found, and for each in use that is found
// elsewhere: "* PATH" for those the synth would load, "  PATH" for the rest.
std::vector<std::string> SoundFontListLines(const platform::SynthConfig& config);
