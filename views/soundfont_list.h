// The entries of the SoundFont list (F10) and what Enter does to the stack.
#pragma once

#include <string>
#include <vector>

#include "platform/synth_config.h"

// The SoundFonts found, then those in `config`'s stack that were found
// elsewhere.
std::vector<std::string> SoundFontListEntries(const platform::SynthConfig& config);

// The chosen stack as it stands: the configured one, or, when none is
// configured, the one the synth falls back to (the folder's left out).
std::vector<std::string> ChosenStack(const platform::SynthConfig& config);

// Enter on `path`: on top of the stack when it is not in it, else taken off.
std::vector<std::string> ToggledStack(std::vector<std::string> stack, const std::string& path);

// 1 for the top of the synth's stack and down from there; 0 when not in it.
int StackPosition(const platform::SynthConfig& config, const std::string& path);

// The line of an entry: "0001 FluidR3_GM.sf2" for the top of the stack,
// "---- TimGM6mb.sf2" for one not in use; the name in the program's code page.
std::string FormatSoundFontEntry(const std::string& path, int position);
