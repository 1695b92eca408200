// The sequencer: plays the loaded song on a 1 ms timer, sending due events
// track by track to the MIDI-out device and feeding the channel monitor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "midi/channel_volume.h"
#include "midi/chase_state.h"
#include "midi/loop_points.h"
#include "midi/loop_settings.h"
#include "midi/midi_out.h"
#include "midi/midi_timer.h"
#include "midi/midi_track.h"
#include "midi/note_map.h"
#include "midi/player.h"
#include "midi/replay_checkpoints.h"
#include "midi/song_lyrics.h"

class CRcpConverter;

class CSequencer : public CPlayerBase, public CMidiTimer {
public:
    static constexpr std::uint32_t MAX_SONG_BYTES = 0x40000;
    static constexpr int MAX_TITLE = 128;
    static constexpr int MIN_TEMPO_PERCENT = 25;
    static constexpr int MAX_TEMPO_PERCENT = 400;
    static constexpr int NORMAL_TEMPO_PERCENT = 100;
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

    // The song's length in milliseconds at normal tempo as it plays in the
    // current loop mode: where its last track ends, or for a song with a
    // loop the intro, the passes and the fade (looping forever: the intro
    // and one pass). Measured at load; 0 without a song.
    std::int64_t GetSongLengthMs() const;
    // Where the song stands in its own time at normal tempo, in milliseconds:
    // the play time, except that it goes back with each pass of a loop.
    DWORD GetSongTimeMs() const;
    // How many times a song has ended by itself (its last track done, or its
    // data run out) since the program started; a repeat, a stop or a pause
    // is no end. Counted on the timer thread, so another thread can notice an
    // end by polling without waiting on anything.
    std::uint32_t GetEndCount() const { return endCount.load(std::memory_order_acquire); }
    // Jumps to played time `target_ms` at normal tempo (across the passes of
    // a loop), clamped to the song, while it plays, is paused or has ended: silences the device,
    // sends the state the song has there and plays on from there (a paused song stays paused). At
    // or past the end the song ends as it does by itself. A stopped song is left alone.
    void SeekMs(std::int64_t target_ms);
    // How many times the position has jumped (each SeekMs that moved it),
    // so another thread can notice a jump by polling. Every other jump of
    // the position, such as a loop going back, counts here too.
    std::uint32_t GetJumpCount() const { return jumpCount.load(std::memory_order_acquire); }
    // Tempo factor in percent (MIN_TEMPO_PERCENT to MAX_TEMPO_PERCENT, clamped).
    // How many of the timer's next periods send nothing (at most
    // kMostQuietPeriods): the timer sleeps through them instead of waking
    // every millisecond, and runs them with the next that sends.
    std::uint64_t QuietPeriodsAhead() const;
    // Periods that pass unseen hold back the play time shown, what muting
    // does and a pause's place by at most this many milliseconds: less than
    // one frame of the screen.
    static constexpr std::uint64_t kMostQuietPeriods = 16;
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
    // Product name of the device open now ("MIDI MAPPER" when the mapper
    // chose it), else "(DEVICE READY)". `out` holds at least 32 bytes.
    void GetDeviceName(char* out) const;
    DWORD GetDriverVersion() const;
    // Changes the output device; a playing song continues at its position on
    // the new device, a paused one stays paused.
    void SelectDevice(UINT id);
    UINT GetSelectedDevice() const { return selectedDevice.load(std::memory_order_relaxed); }

    // The device chosen is kept by its name, since ports are numbered anew at
    // every listing. Main thread only.
    static constexpr UINT SOFTWARE_SYNTH = 0;
    // Its name as it was chosen (empty for the mapper).
    const std::string& GetSelectedDeviceName() const { return selectedName; }
    // Lists the devices and finds the chosen one again. When it is gone the
    // software synth takes its place (a song playing moves to it at once)
    // and the loss is counted.
    void FollowDeviceList();
    // How many times the chosen device was found gone, and the last one's name.
    unsigned GetLostDeviceCount() const { return lostDeviceCount; }
    const std::string& GetLostDeviceName() const { return lostDeviceName; }

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

    // Chooses device `id` and keeps its name to find it again.
    void KeepSelection(UINT id);
    void ResetPosition();
    // The two halves of ResetPosition: the position and tracks back to the
    // start (nothing sent), and the device reset with the start message.
    void RewindSong();
    void RestartDevice();
    void RewindTracks();
    // The work of one period at song time `at_us`, advancing the song by
    // `step_us`: every event due by then, track by track, each sent live with
    // how late the period is for it. Whether some track was still active.
    // The timer's periods and the silent runs both go through it.
    bool DispatchDue(std::uint64_t at_us, std::uint64_t step_us,
                     std::uint64_t end_tick = UINT64_MAX);
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
    // Takes the device factor SetVolume asked for into use and sends what it
    // changed (on the timer thread, or with the timer stopped).
    void ApplyDeviceFactor();
    // Closes the song after a read ran past the end of a track (on the timer
    // thread, or on the main thread with the timer stopped).
    void CloseAfterReadFault();
    void ReleaseTracks();
    bool BuildTracks(const std::uint8_t* smf, std::uint32_t available);
    // Tempo-based ticks, or SMPTE time when the division's top bit is set.
    void SetTimeDivision();
    void ScanTitle();

    Rate CurrentRate() const;
    // Song position in ticks at song time `us` (microseconds at normal tempo
    // from the start of the pass), in the current tempo segment.
    std::uint64_t PositionAt(std::uint64_t us) const;
    // The first song time at which the position reaches `tick` (UINT64_MAX:
    // never), in the current tempo segment.
    std::uint64_t DueUs(std::uint64_t tick) const;
    // The tick of the next event of any active track (UINT64_MAX: none).
    std::uint64_t NextTick() const;
    // How long on the wall clock before the period at song time `at_us` the
    // event at `tick` fell due, when a period advances the song by `step_us`
    // (0 when it is not yet due).
    std::uint64_t LatenessNs(std::uint64_t tick, std::uint64_t at_us, std::uint64_t step_us) const;
    // Releases the notes of channels that stopped being audible.
    void ReleaseSilencedChannels();
    // Releases every note struck on `channel`.
    void ReleaseChannelNotes(int channel);
    std::uint32_t AudibleMask() const;
    // Runs the song silently into the chase from where it stands, as the
    // timer's periods would but skipping those in which nothing is due,
    // until every event due by `until_us` is dispatched, or the next event
    // lies at or after `before_tick`. Leaves checkpoints in `keep` when
    // given one.
    void RunSilently(std::uint64_t until_us, CReplayCheckpoints* keep,
                     std::uint64_t before_tick = UINT64_MAX);
    // The silent run at load: the song's length, its words' times, its loop
    // and the checkpoints.
    void MeasureSong();
    std::unique_ptr<ReplayState> CaptureState(std::uint64_t at_us) const;
    void RestoreState(const ReplayState& state);
    // A place in the played timeline: the song time within the pass, the
    // played time, the pass of the loop and how far its fade has gone.
    struct PlayPlace {
        std::uint64_t song_us = 0;
        std::uint64_t played_us = 0;
        int pass = 0;
        bool fading = false;
        std::uint64_t faded_us = 0;
    };
    // Puts the song at `place` (timer stopped, song lock held): the device
    // restarted with the state the song has there, the next period there.
    // False when the song closed itself on a damaged track.
    bool JumpTo(const PlayPlace& place);
    PlayPlace CurrentPlace() const;

    // Loops. The loop the marks gathered at load make, checked against the
    // song and measured; none when they make no loop.
    void FindLoop(const CLoopMarks& marks);
    // One period's dispatch at `at_us`, with the loop's jump back (which
    // moves `at_us` back by the loop's length) and the fade.
    bool DispatchPeriod(std::uint64_t& at_us, std::uint64_t step_us);
    // What the loop's end, reached in this period, does to the song.
    enum class LoopTurn { kJumpBack, kEnd, kPlayOn };
    LoopTurn TurnAtLoopEnd(LoopMode mode);
    void JumpBack();
    void StopFade();
    // Advances the fade by `step_us`; true once it is over.
    bool StepFade(std::uint64_t step_us);
    // The fade factor for how far the fade has gone.
    std::uint32_t FadeFactor() const;
    // Ends the song where it is: every note released, every track done.
    void EndHere();
    std::uint64_t FadeLengthUs() const;
    // Where played time `played_us` lies in the current loop mode.
    PlayPlace PlaceOf(std::uint64_t played_us) const;

    std::atomic<std::uint8_t> volume{255};
    std::atomic<int> repeat{0};
    std::atomic<int> paused{0};
    std::atomic<int> playing{0};
    std::atomic<std::uint32_t> endCount{0};
    std::atomic<std::uint32_t> jumpCount{0};
    std::atomic<int> trackCount{0};
    int format = 0;
    int division = 0;
    std::atomic<std::uint32_t> tempo{0};
    std::atomic<std::uint32_t> playTimeMs{0};
    // Song time at normal tempo of the next period, from the song's start:
    // it advances by the tempo factor's share of a millisecond every period
    // that is not paused.
    std::atomic<std::uint64_t> songUs{0};
    // Played time at normal tempo; playTimeMs is its whole milliseconds.
    std::atomic<std::uint64_t> playTimeUs{0};
    // The tempo segment: the position is baseTicks at song time
    // segmentStart / rate.num, and moves at the rate from there. A Set Tempo
    // starts a new segment at its own tick, so the position at a song time
    // does not depend on where the periods fell.
    std::atomic<std::uint64_t> baseTicks{0};
    std::atomic<std::uint64_t> segmentStart{0};
    std::atomic<int> tempoPercent{NORMAL_TEMPO_PERCENT};
    std::atomic<std::int64_t> songLengthMs{0};
    // SMPTE time: ticks per second as num / den; den 0 for tempo-based time.
    std::uint64_t smpteTicksNum = 0;
    std::uint64_t smpteTicksDen = 0;
    // Song time of the last period of the load's silent run that dispatched
    // anything.
    std::uint64_t lastDueUs = 0;
    CReplayCheckpoints checkpoints;
    std::atomic<int> transpose{0};
    std::atomic<std::uint32_t> mutedMask{0};
    std::atomic<int> soloChannel{NO_SOLO};
    // Timer side: the audible channels whose notes may still sound.
    std::uint32_t releasedAudible = 0xFFFF;
    CNoteMap noteMap;
    CChannelVolume channelVolume;
    // The channel volume's device factor as SetVolume last made it: the root
    // of the volume on a device without one of its own, else UNITY.
    std::atomic<std::uint32_t> askedDeviceFactor{CChannelVolume::UNITY};
    CChaseState chaseState;
    // Where channel and system-exclusive messages go during a silent run.
    CChaseState* chase = nullptr;
    std::unique_ptr<CMidiTrack[]> tracks;
    CMidiOut midiOut;
    std::atomic<UINT> selectedDevice{MIDI_MAPPER};
    std::string selectedName;
    std::string lostDeviceName;
    unsigned lostDeviceCount = 0;
    char title[MAX_TITLE + 1] = {};
    CSongLyrics lyrics;
    // Where the silent run at load puts the song's text events.
    CSongTextLog* textLog = nullptr;

    // The song's loop, measured at load: its ticks, its song times, the
    // replay state just before its start and the chase at its end (where
    // every later pass starts from).
    std::uint64_t loopStartTick = 0;
    std::uint64_t loopEndTick = 0;
    std::atomic<std::uint64_t> loopStartUs{0};
    std::atomic<std::uint64_t> loopEndUs{0};
    std::unique_ptr<ReplayState> loopStartState;
    CChaseState loopEndChase;
    // Checkpoints of a later pass, which starts from the state the one
    // before left.
    CReplayCheckpoints loopCheckpoints;
    // Where the silent run at load puts the loop marks it meets.
    CLoopMarks* loopMarks = nullptr;
    // Timer side: the fade after the last pass.
    bool fading = false;
    std::uint64_t fadedUs = 0;
    std::uint64_t nextFadeStepUs = 0;

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
