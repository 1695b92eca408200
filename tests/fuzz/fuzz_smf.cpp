// Arbitrary bytes as a song file: loaded through PlayerOpen and, when they
// load, played on recording devices by calling OnTimer by hand, a bounded
// number of periods (with repeat on for some inputs, so songs also restart).
// Nothing may crash, hang or read outside the data, and the channel monitor
// must only ever hold keys the player can show.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "midi/channel_monitor.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"

namespace {

constexpr int kMaxPeriods = 10000;

struct Harness {
    Harness() {
        platform::UseManualClock(true);
        platform::UseManualTimers(true);
        recording = platform::InstallMidiRecording(1);
        // The song file lives in memory: the fuzzer writes nothing to disk.
        fd = memfd_create("fuzz_smf_song", 0);
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    std::shared_ptr<platform::MidiRecording> recording;
    CSequencer sequencer;
    int fd = -1;
    std::string path;
};

Harness& GetHarness() {
    static Harness* harness = new Harness;
    return *harness;
}

void CheckMonitor() {
    const ChannelInfo* info = GetChannelMonitor().GetChannelInfo(0);
    for (int channel = 0; info != nullptr; info = GetChannelMonitor().GetChannelInfo(++channel))
        for (int slot = 0; slot < ChannelInfo::SLOT_COUNT; ++slot)
            if (const NoteSlot* note = info->GetNoteSlot(slot);
                note != nullptr && note->note.load() > 95)
                __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& harness = GetHarness();
    if (harness.fd < 0 || ftruncate(harness.fd, 0) != 0)
        return 0;
    if (size > 0 && pwrite(harness.fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    harness.recording->Clear();
    if (!PlayerOpen(harness.path.c_str())) {
        if (harness.sequencer.GetTrackCount() != 0)
            __builtin_trap();
        return 0;
    }
    PlayerSetRepeat(size > 0 && (data[size - 1] & 1) != 0);
    PlayerPlay();
    for (int period = 0; period < kMaxPeriods && PlayerIsLoaded(); ++period) {
        harness.sequencer.OnTimer();
        if (!PlayerIsPlaying() && !PlayerGetRepeat())
            break;
    }
    CheckMonitor();
    PlayerClose();
    if (harness.sequencer.GetTrackCount() != 0 || PlayerIsLoaded())
        __builtin_trap();
    return 0;
}
