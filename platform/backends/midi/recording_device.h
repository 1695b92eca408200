// The in-memory MIDI-out devices tests install in place of the real ones.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/winmm.h"
#include "platform/backends/midi/midi_out_device.h"

namespace platform::winmm {

// What every recording device of one installation writes to.
class RecordingStore final : public MidiRecording {
public:
    explicit RecordingStore(UINT device_count) : names_(device_count), plugged_(device_count) {
        for (UINT i = 0; i < device_count; ++i) {
            names_[i] = "RECORDING DEVICE " + std::to_string(i);
            plugged_[i] = i;
        }
    }
    std::vector<MidiRecordEntry> Entries() const override;
    std::vector<std::string> Messages() const override;
    void Clear() override;
    void SetOpenFails(UINT device_id, bool fails) override;
    void SetDeviceName(UINT device_id, const std::string& name) override;
    void SetOwnVolume(UINT device_id, bool has) override;
    void SetPlugged(const std::vector<UINT>& device_ids) override;

    void Add(UINT device_id, std::string text, bool is_message);
    bool OpenFails(UINT device_id) const;
    std::string NameOf(UINT device_id) const;
    bool HasOwnVolume(UINT device_id) const;
    std::vector<UINT> Plugged() const;

private:
    mutable std::mutex lock_;
    std::vector<MidiRecordEntry> entries_;
    std::vector<bool> is_message_;
    std::set<UINT> failing_;
    std::set<UINT> without_volume_;
    std::vector<std::string> names_;
    std::vector<UINT> plugged_;
};

class RecordingDevice final : public MidiOutDevice {
public:
    RecordingDevice(std::shared_ptr<RecordingStore> store, UINT id)
        : store_(std::move(store)), id_(id) {}
    std::string Name() const override { return store_->NameOf(id_); }
    MidiDeviceKind Kind() const override { return MidiDeviceKind::kPort; }
    bool Open() override;
    void Close() override { store_->Add(id_, "close", false); }
    void Reset() override { store_->Add(id_, "reset", false); }
    void SendShort(const std::uint8_t* bytes, std::size_t count) override;
    void SendLong(const std::uint8_t* bytes, std::size_t count) override;
    void SetVolume(std::uint32_t volume) override;
    bool HasOwnVolume() const override { return store_->HasOwnVolume(id_); }

private:
    std::shared_ptr<RecordingStore> store_;
    UINT id_;
};

}  // namespace platform::winmm
