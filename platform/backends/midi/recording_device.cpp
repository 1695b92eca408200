#include "platform/backends/midi/recording_device.h"

#include <cstdio>

#include "platform/winmm/midi_log.h"
#include "platform/winmm/multimedia_clock.h"

namespace platform::winmm {

std::vector<MidiRecordEntry> RecordingStore::Entries() const {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_;
}

std::vector<std::string> RecordingStore::Messages() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (is_message_[i])
            messages.push_back(entries_[i].text);
    return messages;
}

void RecordingStore::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
    is_message_.clear();
}

void RecordingStore::SetOpenFails(UINT device_id, bool fails) {
    std::lock_guard<std::mutex> guard(lock_);
    if (fails)
        failing_.insert(device_id);
    else
        failing_.erase(device_id);
}

void RecordingStore::SetDeviceName(UINT device_id, const std::string& name) {
    std::lock_guard<std::mutex> guard(lock_);
    if (device_id < names_.size())
        names_[device_id] = name;
}

void RecordingStore::SetOwnVolume(UINT device_id, bool has) {
    std::lock_guard<std::mutex> guard(lock_);
    if (has)
        without_volume_.erase(device_id);
    else
        without_volume_.insert(device_id);
}

bool RecordingStore::HasOwnVolume(UINT device_id) const {
    std::lock_guard<std::mutex> guard(lock_);
    return without_volume_.count(device_id) == 0;
}

void RecordingStore::SetPlugged(const std::vector<UINT>& device_ids) {
    std::lock_guard<std::mutex> guard(lock_);
    plugged_.clear();
    for (UINT id : device_ids)
        if (id < names_.size())
            plugged_.push_back(id);
}

std::vector<UINT> RecordingStore::Plugged() const {
    std::lock_guard<std::mutex> guard(lock_);
    return plugged_;
}

void RecordingStore::Add(UINT device_id, std::string text, bool is_message) {
    const std::uint64_t now = MicrosSinceStart();
    const std::uint64_t due = MessageTimeNanos();
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back(MidiRecordEntry{now, device_id, std::move(text), due});
    is_message_.push_back(is_message);
}

bool RecordingStore::OpenFails(UINT device_id) const {
    std::lock_guard<std::mutex> guard(lock_);
    return failing_.count(device_id) != 0;
}

std::string RecordingStore::NameOf(UINT device_id) const {
    std::lock_guard<std::mutex> guard(lock_);
    return device_id < names_.size() ? names_[device_id] : std::string();
}

bool RecordingDevice::Open() {
    if (store_->OpenFails(id_))
        return false;
    store_->Add(id_, "open " + std::to_string(id_), false);
    return true;
}

void RecordingDevice::SendShort(const std::uint8_t* bytes, std::size_t count) {
    store_->Add(id_, HexBytes(bytes, count), true);
}

void RecordingDevice::SendLong(const std::uint8_t* bytes, std::size_t count) {
    store_->Add(id_, HexBytes(bytes, count), true);
}

void RecordingDevice::SetVolume(std::uint32_t volume) {
    char text[32];
    std::snprintf(text, sizeof text, "volume %08X", volume);
    store_->Add(id_, text, false);
}

}  // namespace platform::winmm
