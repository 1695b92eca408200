// Devices 1 and up: the writable ALSA sequencer ports (hardware interfaces,
// other synthesizers), sent to directly without a queue.
#pragma once

#include <alsa/asoundlib.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backends/midi/midi_out_device.h"

namespace platform::winmm {

// The one sequencer client of the program, opened on first use; null where
// the machine has no sequencer.
class AlsaSequencer {
public:
    static AlsaSequencer& Instance();
    bool Available() const { return handle_ != nullptr; }
    // Names ("client:port" names, not numbers) of the ports one can write to.
    std::vector<std::string> WritablePorts();
    snd_seq_t* Handle() const { return handle_; }
    int OwnPort() const { return own_port_; }
    std::mutex& Lock() { return lock_; }

private:
    AlsaSequencer();
    snd_seq_t* handle_ = nullptr;
    int own_port_ = -1;
    std::mutex lock_;
};

class AlsaSequencerDevice final : public MidiOutDevice {
public:
    explicit AlsaSequencerDevice(std::string port_name) : port_name_(std::move(port_name)) {}
    ~AlsaSequencerDevice() override;
    std::string Name() const override { return port_name_; }
    MidiDeviceKind Kind() const override { return MidiDeviceKind::kPort; }
    bool Open() override;
    void Close() override;
    void Reset() override;
    void SendShort(const std::uint8_t* bytes, std::size_t count) override;
    void SendLong(const std::uint8_t* bytes, std::size_t count) override;

private:
    void Encode(const std::uint8_t* bytes, std::size_t count);
    std::string port_name_;
    snd_seq_addr_t target_{};
    bool open_ = false;
    snd_midi_event_t* encoder_ = nullptr;
};

}  // namespace platform::winmm
