// The audio output over waveOut: a few buffers in flight, refilled from the fill callback on a
// thread of our own when the device hands them back. The device is opened only when a stream is
// opened, so a program that never plays anything never touches the sound card; without a device,
// open() fails and the program runs on silently.

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_output.h"

namespace platform {
namespace {

constexpr int kBufferCount = 4;
constexpr int kFramesPerBuffer = 2048;  // about 46 ms at 44.1 kHz: few wake-ups, still prompt

class WaveOutAudioOutput final : public AudioOutput {
public:
    ~WaveOutAudioOutput() override { close(); }

    bool open(int sampleRate, int channels, AudioFillCallback fill, void* user) override {
        close();
        if (fill == nullptr || sampleRate <= 0 || channels <= 0 || channels > 8) return false;
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(channels);
        format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        wakeUp_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (wakeUp_ == nullptr) return false;
        if (waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wakeUp_), 0,
                        CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            device_ = nullptr;
            CloseHandle(wakeUp_);
            wakeUp_ = nullptr;
            return false;
        }
        waveOutPause(device_);  // opened stopped
        fill_ = fill;
        user_ = user;
        channels_ = channels;
        samples_.assign(static_cast<std::size_t>(kBufferCount) * kFramesPerBuffer * channels, 0);
        for (int i = 0; i < kBufferCount; ++i) {
            WAVEHDR& header = headers_[i];
            header = WAVEHDR{};
            header.lpData = reinterpret_cast<LPSTR>(bufferSamples(i));
            header.dwBufferLength = static_cast<DWORD>(kFramesPerBuffer * channels * sizeof(std::int16_t));
            waveOutPrepareHeader(device_, &header, sizeof header);
            header.dwFlags |= WHDR_DONE;  // free to fill
        }
        quit_ = false;
        playing_ = false;
        worker_ = std::thread([this] { refillLoop(); });
        return true;
    }

    void start() override {
        if (device_ == nullptr) return;
        playing_ = true;
        SetEvent(wakeUp_);  // fill and queue the free buffers at once
        waveOutRestart(device_);
    }

    void stop() override {
        if (device_ == nullptr) return;
        playing_ = false;
        waveOutPause(device_);
    }

    void lock() override {
        if (device_ != nullptr) callbackLock_.lock();
    }
    void unlock() override {
        if (device_ != nullptr) callbackLock_.unlock();
    }

    void close() override {
        if (device_ == nullptr) return;
        quit_ = true;
        SetEvent(wakeUp_);
        if (worker_.joinable()) worker_.join();  // from here the callback is never called again
        waveOutReset(device_);                   // hands every queued buffer back
        for (WAVEHDR& header : headers_) waveOutUnprepareHeader(device_, &header, sizeof header);
        waveOutClose(device_);
        device_ = nullptr;
        CloseHandle(wakeUp_);
        wakeUp_ = nullptr;
    }

    bool isOpen() const override { return device_ != nullptr; }

private:
    std::int16_t* bufferSamples(int index) {
        return samples_.data() + static_cast<std::size_t>(index) * kFramesPerBuffer * channels_;
    }

    // The device signals the event whenever it finishes a buffer; every finished buffer is filled
    // again and queued behind the others while playing.
    void refillLoop() {
        while (!quit_) {
            WaitForSingleObject(wakeUp_, INFINITE);
            if (quit_) break;
            if (!playing_) continue;
            for (int i = 0; i < kBufferCount; ++i) {
                WAVEHDR& header = headers_[i];
                if ((header.dwFlags & WHDR_DONE) == 0) continue;
                {
                    std::lock_guard<std::recursive_mutex> guard(callbackLock_);
                    fill_(user_, bufferSamples(i), kFramesPerBuffer);
                }
                header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
                waveOutWrite(device_, &header, sizeof header);
            }
        }
    }

    HWAVEOUT device_ = nullptr;
    HANDLE wakeUp_ = nullptr;
    WAVEHDR headers_[kBufferCount]{};
    std::vector<std::int16_t> samples_;
    AudioFillCallback fill_ = nullptr;
    void* user_ = nullptr;
    int channels_ = 2;
    std::recursive_mutex callbackLock_;
    std::thread worker_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> playing_{false};
};

}  // namespace

std::unique_ptr<AudioOutput> createAudioOutput() { return std::make_unique<WaveOutAudioOutput>(); }

}  // namespace platform
