#include "platform/backends/midi/alsa_sequencer_device.h"
#include "platform/report.h"

#include <cstdio>

namespace platform::winmm {
namespace {

constexpr std::size_t kEncoderBytes = 256 * 1024;  // room for large SysEx
constexpr std::size_t kOutputBufferBytes = 512 * 1024;

std::string PortName(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    return std::string(snd_seq_client_info_get_name(client)) + ":" +
           snd_seq_port_info_get_name(port);
}

// ALSA reports "cannot open" on stderr by itself unless told otherwise.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AlsaSequencer& AlsaSequencer::Instance() {
    static AlsaSequencer* sequencer = new AlsaSequencer;  // lives until exit
    return *sequencer;
}

AlsaSequencer::AlsaSequencer() {
    snd_lib_error_set_handler(SilentAlsaError);
    if (snd_seq_open(&handle_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
        handle_ = nullptr;
        return;
    }
    snd_seq_set_client_name(handle_, "NIVRA");
    snd_seq_set_output_buffer_size(handle_, kOutputBufferBytes);
    own_port_ = snd_seq_create_simple_port(
        handle_, "NIVRA out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own_port_ < 0) {
        Report("MIDI:ALSA", "cannot create the output port");
        snd_seq_close(handle_);
        handle_ = nullptr;
    }
}

std::vector<std::string> AlsaSequencer::WritablePorts() {
    std::vector<std::string> names;
    if (handle_ == nullptr)
        return names;
    std::lock_guard<std::mutex> guard(lock_);
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    const int self = snd_seq_client_id(handle_);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(handle_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(handle_, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & wanted) == wanted && (caps & SND_SEQ_PORT_CAP_NO_EXPORT) == 0)
                names.push_back(PortName(client, port));
        }
    }
    return names;
}

AlsaSequencerDevice::~AlsaSequencerDevice() {
    Close();
}

bool AlsaSequencerDevice::Open() {
    AlsaSequencer& alsa = AlsaSequencer::Instance();
    if (!alsa.Available())
        return false;
    if (open_)
        return true;
    // Ports are found again by name: client and port numbers change when
    // devices come and go.
    {
        std::lock_guard<std::mutex> guard(alsa.Lock());
        snd_seq_client_info_t* client;
        snd_seq_port_info_t* port;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_alloca(&port);
        bool found = false;
        snd_seq_client_info_set_client(client, -1);
        while (!found && snd_seq_query_next_client(alsa.Handle(), client) >= 0) {
            snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
            snd_seq_port_info_set_port(port, -1);
            while (!found && snd_seq_query_next_port(alsa.Handle(), port) >= 0) {
                if (PortName(client, port) == port_name_) {
                    target_ = *snd_seq_port_info_get_addr(port);
                    found = true;
                }
            }
        }
        if (!found)
            return false;
        if (snd_seq_connect_to(alsa.Handle(), alsa.OwnPort(), target_.client, target_.port) < 0) {
            Report("MIDI:ALSA", "cannot connect to %s", port_name_.c_str());
            return false;
        }
    }
    if (snd_midi_event_new(kEncoderBytes, &encoder_) < 0) {
        encoder_ = nullptr;
        return false;
    }
    open_ = true;
    return true;
}

void AlsaSequencerDevice::Close() {
    if (!open_)
        return;
    AlsaSequencer& alsa = AlsaSequencer::Instance();
    {
        std::lock_guard<std::mutex> guard(alsa.Lock());
        snd_seq_drain_output(alsa.Handle());
        snd_seq_disconnect_to(alsa.Handle(), alsa.OwnPort(), target_.client, target_.port);
    }
    snd_midi_event_free(encoder_);
    encoder_ = nullptr;
    open_ = false;
}

void AlsaSequencerDevice::Encode(const std::uint8_t* bytes, std::size_t count) {
    if (!open_)
        return;
    AlsaSequencer& alsa = AlsaSequencer::Instance();
    std::lock_guard<std::mutex> guard(alsa.Lock());
    snd_midi_event_reset_encode(encoder_);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    long used = snd_midi_event_encode(encoder_, bytes, static_cast<long>(count), &event);
    if (used <= 0 || event.type == SND_SEQ_EVENT_NONE)
        return;
    snd_seq_ev_set_source(&event, alsa.OwnPort());
    snd_seq_ev_set_dest(&event, target_.client, target_.port);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(alsa.Handle(), &event);
}

void AlsaSequencerDevice::Reset() {
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const std::uint8_t sustain_off[3] = {static_cast<std::uint8_t>(0xB0 | channel), 64, 0};
        const std::uint8_t notes_off[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
        Encode(sustain_off, 3);
        Encode(notes_off, 3);
    }
}

void AlsaSequencerDevice::SendShort(const std::uint8_t* bytes, std::size_t count) {
    Encode(bytes, count);
}

void AlsaSequencerDevice::SendLong(const std::uint8_t* bytes, std::size_t count) {
    Encode(bytes, count);
}

}  // namespace platform::winmm
