// The sequencer: plays the loaded song on a 1 ms timer, sending due events
// track by track to the MIDI-out device and feeding the channel monitor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/channel_volume.h"
#include "midi/chase_state.h"
#include "midi/loop_settings.h"
#include "midi/midi_out.h"
#include "midi/midi_timer.h"
#include "midi/midi_track.h"
#include "midi/note_map.h"
#include "midi/player.h"
#include "midi/song_lyrics.h"

class CRcpConverter;

class CSequencer : public CPlayerBase, public CMidiTimer {
public:
    static constexpr std::uint32_t MAX_SONG_BYTES = 0x40000;
    static constexpr int MAX_TITLE = 128;
    static constexpr int MIN_TEMPO_PERCENT = 25;
    static constexpr int MAX_TEMPO_PERCENT = 400;
    static constexpr int MAX_TRANSPOSE = 12;
    static constexpr int NO_SOLO = -1;

    CSequencer();
    ~CSequencer() override;

    bool Load(const char* path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Unload() override;
    bool IsPlaying() const override { return playing.load(std::memory_order_relaxed) != 0; }
    bool IsPaused() const override { return paused.load(std::memory_order_relaxed) != 0; }
    DWORD GetPlayTime() const override { return playTimeMs.load(std::memory_order_relaxed); }
    void SetVolume(int volume) override;
    int GetVolume() const override;
    void SetRepeat(bool flag) override { repeat.store(flag ? 1 : 0, std::memory_order_relaxed); }
    bool GetRepeat() const override { return repeat.load(std::memory_order_relaxed) != 0; }

    // One timer period: advances the position by 1 ms at normal tempo (scaled
    // by the tempo factor) and sends what is due.
    void OnTimer() override;

    // The song's length in milliseconds at normal tempo: where its last track
    // ends (measured at load; 0 without a song).
    std::int64_t GetSongLengthMs() const { return songLengthMs.load(std::memory_order_relaxed); }
    // How many times a song has ended by itself (its last track done, or its
    // data run out) since the program started; a repeat, a stop or a pause
    // is no end. Counted on the timer thread, so another thread can notice an
    // end by polling without waiting on anything.
    std::uint32_t GetEndCount() const { return endCount.load(std::memory_order_acquire); }
    // Jumps to `target_ms` at normal tempo, clamped to the song, while it plays,
    // is paused or has ended: silences the device, sends the state the song has
    // there and plays on from there (a paused song stays paused). At or past the
    // end the song ends as it does by itself. A stopped song is left alone.
    void SeekMs(std::int64_t target_ms);
    // Tempo factor in percent (MIN_TEMPO_PERCENT to MAX_TEMPO_PERCENT, clamped).
    void SetTempoPercent(int percent);
    int GetTempoPercent() const { return tempoPercent.load(std::memory_order_relaxed); }
    // Semitones (-MAX_TRANSPOSE to MAX_TRANSPOSE, clamped) added to every note
    // except on drum channels; a sounding note is released where it was struck.
    void SetTranspose(int semitones);
    int GetTranspose() const { return transpose.load(std::memory_order_relaxed); }
    // Channels are 0 to 15. A channel that is not audible sends no note-ons;
    // its sounding notes are released when it stops being audible.
    void SetChannelMuted(int channel, bool muted);
    bool IsChannelMuted(int channel) const;
    // The one channel heard (NO_SOLO: every channel that is not muted).
    void SetSoloChannel(int channel);
    int GetSoloChannel() const { return soloChannel.load(std::memory_order_relaxed); }
    bool IsChannelAudible(int channel) const;

    // Tempo in microseconds per quarter note / 4000 (125 at 500,000), as the
    // tempo factor makes it.
    int GetTempoIndex() const;
    // Product name of the selected device while one is open, else "(DEVICE READY)".
    // `out` holds at least 32 bytes.
    void GetDeviceName(char* out) const;
    DWORD GetDriverVersion() const;
    // Changes the output device; a playing song continues at its position on
    // the new device, a paused one stays paused.
    void SelectDevice(UINT id);
    UINT GetSelectedDevice() const { return selectedDevice.load(std::memory_order_relaxed); }

    // The song's name from the first FF 03 of track 0 (kept after Unload).
    const char* GetTitle() const { return title; }
    // The words of the last song loaded, with the times they are sent at
    // (kept after Unload; none after a failed load). Main thread only.
    const CSongLyrics& GetLyrics() const { return lyrics; }

    // Song figures, for the views and tests.
    int GetTrackCount() const { return trackCount.load(std::memory_order_relaxed); }
    int GetFormat() const { return format; }
    int GetDivision() const { return division; }
    std::uint32_t GetTempo() const { return tempo.load(std::memory_order_relaxed); }
    // Song position in ticks at this moment (the time division's ticks for
    // SMPTE time).
    std::uint64_t GetPositionTicks() const;
    const CMidiTrack* GetTrack(int index) const;

    // How songs with loop points play (loops off at first). Taken into use
    // at once; a song already past its last pass plays on to its end.
    void SetLoopSettings(const LoopSettings& settings);
    LoopSettings GetLoopSettings() const;
    // Where the loaded song is in its loop (inactive without a loop or with
    // loops off).
    LoopProgress GetLoopProgress() const;

    // Converter used for RCP data (the program's one binding unless a test sets another).
    void SetConverter(CRcpConverter* converter) { rcpConverter = converter; }

private:
    // One timer period at a tempo factor of 1 % lasts this long at normal tempo.
    static constexpr std::uint64_t kMicrosPerPercentPeriod = 10;
    // Ticks = microseconds at normal tempo x num / den.
    struct Rate {
        std::uint64_t num;
        std::uint64_t den;
    };

    void ResetPosition();
    // The two halves of ResetPosition: the position and tracks back to the
    // start (nothing sent), and the device reset with the start message.
    void RewindSong();
    void RestartDevice();
    void RewindTracks();
    void DispatchEvent(CMidiTrack& track);
    void DispatchMeta(CMidiTrack& track);
    void DispatchSysEx(CMidiTrack& track);
    void SendStartMessage();
    void SendLongMessage(const std::uint8_t* bytes, std::size_t length);
    // A channel message of the song: transposed, muted and sent, or taken
    // into the chase during a silent run.
    void SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // The one way channel messages leave the sequencer: a channel volume goes
    // out scaled by the player's factors, the monitor sees the song's own.
    void SendShortAndRecord(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Sends each channel's volume again where a factor changed what it is.
    void ResendChannelVolumes();
    // Closes the song after a read ran past the end of a track (on the timer
    // thread, or on the main thread with the timer stopped).
    void CloseAfterReadFault();
    void ReleaseTracks();
    bool BuildTracks(const std::uint8_t* smf, std::uint32_t available);
    // Tempo-based ticks, or SMPTE time when the division's top bit is set.
    void SetTimeDivision();
    void ScanTitle();

    Rate CurrentRate() const;
    // Song time at normal tempo by which the position has passed `tick`
    // (0 when it has not reached it), and that time on the wall clock at the
    // tempo factor: how long before this period the event at `tick` fell due.
    std::uint64_t SongNanosPastTick(std::uint64_t tick) const;
    std::uint64_t LatenessNs(std::uint64_t tick) const;
    // Takes a tempo factor asked for since the last period into use.
    void ApplyTempoPercent();
    // Releases the notes of channels that stopped being audible.
    void ReleaseSilencedChannels();
    std::uint32_t AudibleMask() const;
    // Runs the song silently from its start as the timer would, skipping the
    // periods in which nothing is due, until `period` reaches `target_ms` or
    // nothing more can become due.
    void Replay(std::uint64_t target_ms, std::uint64_t& period);
    // Periods of normal tempo until the position reaches `tick` (UINT64_MAX: never).
    std::uint64_t PeriodsUntil(std::uint64_t tick) const;
    std::int64_t MeasureLength();

    std::atomic<std::uint8_t> volume{255};
    std::atomic<int> repeat{0};
    std::atomic<int> paused{0};
    std::atomic<int> playing{0};
    std::atomic<std::uint32_t> endCount{0};
    std::atomic<int> trackCount{0};
    int format = 0;
    int division = 0;
    std::atomic<std::uint32_t> tempo{0};
    std::atomic<std::uint32_t> playTimeMs{0};
    std::atomic<std::uint64_t> elapsedMs{0};
    std::atomic<std::uint64_t> baseTicks{0};
    // Microseconds at normal tempo since the last tempo change that periods
    // at earlier tempo factors added; elapsedMs counts those at activePercent.
    std::atomic<std::uint64_t> foldedUs{0};
    std::atomic<int> activePercent{100};
    std::atomic<int> tempoPercent{100};
    // Song time at normal tempo; playTimeMs is its whole milliseconds.
    std::atomic<std::uint64_t> playTimeUs{0};
    std::atomic<std::int64_t> songLengthMs{0};
    // SMPTE time: ticks per second as num / den; den 0 for tempo-based time.
    std::uint64_t smpteTicksNum = 0;
    std::uint64_t smpteTicksDen = 0;
    // The tempo the current run started with (a song without a Set Tempo at
    // its start keeps the previous run's).
    std::uint32_t runStartTempo = 1'000'000;
    std::atomic<int> transpose{0};
    std::atomic<std::uint32_t> mutedMask{0};
    std::atomic<int> soloChannel{NO_SOLO};
    // Timer side: the audible channels whose notes may still sound.
    std::uint32_t releasedAudible = 0xFFFF;
    CNoteMap noteMap;
    CChannelVolume channelVolume;
    CChaseState chaseState;
    // Where channel and system-exclusive messages go during a silent run.
    CChaseState* chase = nullptr;
    std::unique_ptr<CMidiTrack[]> tracks;
    CMidiOut midiOut;
    std::atomic<UINT> selectedDevice{MIDI_MAPPER};
    char title[MAX_TITLE + 1] = {};
    CSongLyrics lyrics;
    // Where the silent run at load puts the song's text events.
    CSongTextLog* textLog = nullptr;

    std::atomic<LoopMode> loopMode{LoopMode::kOff};
    std::atomic<int> loopCount{LoopSettings::DEFAULT_COUNT};
    std::atomic<int> loopFadeSeconds{LoopSettings::DEFAULT_FADE_SECONDS};
    std::atomic<int> loopPass{0};
    std::atomic<bool> hasLoop{false};

    CRcpConverter* rcpConverter = nullptr;
    // Serialises the replacing and releasing of the tracks and the device
    // between the main thread and a close from the timer thread. Never held
    // while waiting for a timer callback.
    mutable std::recursive_mutex songLock;
};

// The program's one sequencer (the registered player when that is a sequencer).
CSequencer& GetSequencer();
