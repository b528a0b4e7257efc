// The audio output over SDL audio. The audio subsystem is started only when a stream is opened, so a
// program that never plays anything never touches the sound card.

#include <SDL.h>

#include "platform/audio_output.h"

namespace platform {
namespace {

class SdlAudioOutput final : public AudioOutput {
public:
    ~SdlAudioOutput() override { close(); }

    bool open(int sampleRate, int channels, AudioFillCallback fill, void* user) override {
        close();
        if (fill == nullptr || sampleRate <= 0 || channels <= 0 || channels > 8) return false;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        fill_ = fill;
        user_ = user;
        channels_ = channels;
        SDL_AudioSpec wanted{};
        wanted.freq = sampleRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = static_cast<Uint8>(channels);
        wanted.samples = 2048;  // about 46 ms at 44.1 kHz: few wake-ups, still prompt
        wanted.callback = &SdlAudioOutput::pull;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        // No allowed changes: SDL converts our format to the device's itself.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        return true;
    }

    void start() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    }
    void stop() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
    }
    void lock() override {
        if (device_ != 0) SDL_LockAudioDevice(device_);
    }
    void unlock() override {
        if (device_ != 0) SDL_UnlockAudioDevice(device_);
    }
    void close() override {
        if (device_ == 0) return;
        SDL_CloseAudioDevice(device_);  // waits for a running callback and ends the audio thread
        device_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool isOpen() const override { return device_ != 0; }

private:
    static void SDLCALL pull(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<SdlAudioOutput*>(self);
        const int frameBytes = static_cast<int>(sizeof(std::int16_t)) * output->channels_;
        output->fill_(output->user_, reinterpret_cast<std::int16_t*>(stream), bytes / frameBytes);
    }

    SDL_AudioDeviceID device_ = 0;
    AudioFillCallback fill_ = nullptr;
    void* user_ = nullptr;
    int channels_ = 2;
};

}  // namespace

std::unique_ptr<AudioOutput> createAudioOutput() { return std::make_unique<SdlAudioOutput>(); }

}  // namespace platform
