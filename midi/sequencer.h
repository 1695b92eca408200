// The sequencer: plays the loaded song on a 1 ms timer, sending due events
// track by track to the MIDI-out device and feeding the channel monitor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/midi_out.h"
#include "midi/midi_timer.h"
#include "midi/midi_track.h"
#include "midi/player.h"

class CRcpConverter;

class CSequencer : public CPlayerBase, public CMidiTimer {
public:
    static constexpr std::uint32_t MAX_SONG_BYTES = 0x40000;
    static constexpr int MAX_TITLE = 128;

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

    // One timer period: advances the position by 1 ms and sends what is due.
    void OnTimer() override;

    // Tempo in microseconds per quarter note / 4000 (125 at 500,000).
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

    // Song figures, for the views and tests.
    int GetTrackCount() const { return trackCount.load(std::memory_order_relaxed); }
    int GetFormat() const { return format; }
    int GetDivision() const { return division; }
    std::uint32_t GetTempo() const { return tempo.load(std::memory_order_relaxed); }
    // Song position in ticks at this moment.
    std::uint64_t GetPositionTicks() const;
    const CMidiTrack* GetTrack(int index) const;

    // Converter used for RCP data (the program's one binding unless a test sets another).
    void SetConverter(CRcpConverter* converter) { rcpConverter = converter; }

private:
    void ResetPosition();
    void DispatchEvent(CMidiTrack& track);
    void DispatchMeta(CMidiTrack& track);
    void DispatchSysEx(CMidiTrack& track);
    void SendStartMessage();
    // Closes the song after a read ran past the end of a track, from the timer thread.
    void CloseFromTimer();
    void ReleaseTracks();
    bool BuildTracks(const std::uint8_t* smf, std::uint32_t available);
    void ScanTitle();

    std::atomic<std::uint8_t> volume{255};
    std::atomic<int> repeat{0};
    std::atomic<int> paused{0};
    std::atomic<int> playing{0};
    std::atomic<int> trackCount{0};
    int format = 0;
    int division = 0;
    std::atomic<std::uint32_t> tempo{0};
    std::atomic<std::uint32_t> playTimeMs{0};
    std::atomic<std::uint64_t> elapsedMs{0};
    std::atomic<std::uint64_t> baseTicks{0};
    std::unique_ptr<CMidiTrack[]> tracks;
    CMidiOut midiOut;
    std::atomic<UINT> selectedDevice{MIDI_MAPPER};
    char title[MAX_TITLE + 1] = {};

    CRcpConverter* rcpConverter = nullptr;
    // Serialises the replacing and releasing of the tracks and the device
    // between the main thread and a close from the timer thread. Never held
    // while waiting for a timer callback.
    mutable std::recursive_mutex songLock;
};

// The program's one sequencer (the registered player when that is a sequencer).
CSequencer& GetSequencer();
