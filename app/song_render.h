// `nivra --render`: each song played on hand-fired timer periods into the
// software synth offline and written to an audio file, with no window, no
// single-instance lock and no settings written.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"
#include "midi/loop_settings.h"
#include "platform/synth_config.h"

// Renders every song of `paths` as `request` says, with the synth `synth`
// (each song's folder SoundFont on top) and the loop settings `loop`,
// reporting on standard error; the exit status: 0 when all rendered, 1 when
// any did not (each named).
int RenderSongs(const RenderRequest& request, const std::vector<std::string>& paths,
                const platform::SynthConfig& synth, const LoopSettings& loop);

class CSequencer;

// --tempo, --transpose and --mute: they shape a render, and a play as well.
void ApplyTransportOptions(CSequencer& sequencer, const RenderRequest& request);

// The file a song renders to: the target itself, or for a target folder
// (ending in '/') the song's name with the format's extension in it.
std::string RenderTargetOf(const RenderRequest& request, const std::string& song_path);
