#pragma once
// Audio output: one playback stream of interleaved signed 16-bit frames, pulled from a fill callback
// on the backend's own audio thread. The stream is opened stopped; nothing is heard before start().
//
//   auto out = platform::createAudioOutput();
//   if (out->open(44100, 2, &fill, &mixer)) out->start();
//   ...
//   out->close();   // also done by the destructor
//
// The fill callback runs on the audio thread and must not block; lock() / unlock() keep it from
// running while the owner changes what it reads.

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// Writes `frames` frames of `channels` interleaved samples into `out`. Called on the audio thread.
using AudioFillCallback = void (*)(void* user, std::int16_t* out, int frames);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the default output device for `sampleRate` Hz and `channels` channels of signed 16-bit
    // samples (the backend converts to whatever the device needs). Returns false when there is no
    // usable device; the object is then closed and may be opened again.
    virtual bool open(int sampleRate, int channels, AudioFillCallback fill, void* user) = 0;
    // Starts / pauses pulling from the callback. No effect when not open.
    virtual void start() = 0;
    virtual void stop() = 0;
    // Keeps the callback from running between lock() and unlock(). No effect when not open.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Stops the stream and releases the device; afterwards the callback is never called again.
    // Safe to call when not open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

// The system's audio output (SDL audio on Linux). Never null; opening it may still fail.
std::unique_ptr<AudioOutput> createAudioOutput();

// Makes audio outputs: the system's by default, a recording fake in tests.
using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

// Holds the callback off for the life of the guard.
class AudioLockGuard {
public:
    explicit AudioLockGuard(AudioOutput& output) : output_(output) { output_.lock(); }
    ~AudioLockGuard() { output_.unlock(); }
    AudioLockGuard(const AudioLockGuard&) = delete;
    AudioLockGuard& operator=(const AudioLockGuard&) = delete;

private:
    AudioOutput& output_;
};

}  // namespace platform
