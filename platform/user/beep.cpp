// MessageBeep: a short tone on an audio device of its own, opened on first
// use and kept until exit. Without audio it stays silent.
#include <SDL.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/user.h"

namespace {

class BeepDevice {
public:
    ~BeepDevice() {
        if (device_)
            SDL_CloseAudioDevice(device_);
        if (started_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Play() {
        if (!Open())
            return false;
        // 120 ms of 880 Hz with a soft end so the speaker does not click.
        constexpr int kRate = 44100, kSamples = kRate * 120 / 1000;
        std::vector<Sint16> tone(kSamples);
        for (int i = 0; i < kSamples; ++i) {
            const double fade = 1.0 - double(i) / kSamples;
            tone[i] = static_cast<Sint16>(6000.0 * fade * std::sin(2.0 * M_PI * 880.0 * i / kRate));
        }
        SDL_ClearQueuedAudio(device_);
        return SDL_QueueAudio(device_, tone.data(),
                              static_cast<Uint32>(tone.size() * sizeof(Sint16))) == 0;
    }

private:
    bool Open() {
        if (device_)
            return true;
        if (failed_)
            return false;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            failed_ = true;
            return false;
        }
        started_ = true;
        // SDL's dummy driver has a single device, which the software synth
        // needs to play songs; a beep there would be silent anyway.
        const char* driver = SDL_GetCurrentAudioDriver();
        if (driver && std::strcmp(driver, "dummy") == 0) {
            failed_ = true;
            return false;
        }
        SDL_AudioSpec wanted{};
        wanted.freq = 44100;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = 1;
        wanted.samples = 1024;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
        if (!device_) {
            failed_ = true;
            return false;
        }
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    SDL_AudioDeviceID device_ = 0;
    bool started_ = false;
    bool failed_ = false;
};

}  // namespace

BOOL MessageBeep(UINT) {
    static BeepDevice device;
    device.Play();
    return TRUE;
}
