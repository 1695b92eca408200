// Songs rendered to audio files: the software synth run offline, without a
// sound output, written through libsndfile to WAV, FLAC, Ogg Vorbis or Opus.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/synth_config.h"

namespace platform {

enum class AudioFileType { kWav, kFlac, kOgg, kOpus };

// The type a file name's extension asks for (case-insensitive): .wav,
// .flac, .ogg, .opus; none for any other.
std::optional<AudioFileType> AudioFileTypeOf(const std::string& path);
// Whether the audio file library here can write the type.
bool AudioFileTypeWritable(AudioFileType type);

// One song's render. While it lives, the software synth it renders with is
// the only MIDI-out device (id 0 and the mapper open it), so a sequencer
// playing on hand-fired timer periods plays into it; each message is
// applied at the edge of the synth's 64-frame block nearest the time it fell
// due. The file is written beside its final name and only renamed into place
// by Commit; a render dropped before that removes it.
class AudioRender {
public:
    virtual ~AudioRender() = default;

    // Loads the synth for `synth` (its stack and settings; the sample rate
    // the file type needs) and opens the file. `origin_us` is the time on the
    // multimedia clock (the manual clock, while rendering) that the file's
    // first frame stands for. `left_out` gets "NAME: why" for each SoundFont
    // that could not be loaded. Null and `error` when the synth or the file
    // cannot be had.
    static std::unique_ptr<AudioRender> Begin(const std::string& path, AudioFileType type,
                                              std::uint64_t origin_us, const SynthConfig& synth,
                                              std::vector<std::string>& left_out,
                                              std::string& error);

    // Renders every block whose messages have all been sent: those whose
    // middle lies at least `sent_within_us` (the timer's period) before
    // `clock_us`. False on a write error (see Error).
    virtual bool RenderUntil(std::uint64_t clock_us, std::uint64_t sent_within_us) = 0;
    // After the song's end: renders on until the sound has died away, at
    // most `max_seconds`.
    virtual bool RenderTail(double max_seconds) = 0;
    // Finishes the file and renames it to its final name.
    virtual bool Commit() = 0;
    // Removes the partial file (also done when a render is dropped uncommitted).
    virtual void Abandon() = 0;
    virtual double SecondsRendered() const = 0;
    virtual const std::string& Error() const = 0;
};

}  // namespace platform
