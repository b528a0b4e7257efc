#pragma once
// The sound system: Ogg Vorbis samples decoded from memory, played looped or once through the
// platform's audio output at the application's own volume (0-100; the system volume is never touched).
//
//   SampleRecord          one loaded sample (handle, name, valid flag, last playback channel)
//   SoundSystem           initSound / loadSampleFromMemory / playSample / setMasterVolume / shutdownSound
//   startMusic/stopMusic  the run-mode music start-up and shutdown ("Music/music.ogg", looped)
//
// Threads: every operation is called from the main thread. The audio thread reads only the decoded
// sample data, the playback positions (changed by the main thread only while the output is locked,
// never from the frame loop) and an atomic volume. prepareMusic decodes on a worker thread of its
// own that touches nothing but the file bytes it was handed and its own result. The result's frames
// are published one decoded piece at a time: startMusic waits only until the worker knows the
// length, and the music plays while the rest decodes (the audio thread never reads past the frames
// published). shutdownSound and the destructor stop the worker and wait for it.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "media/media_pack.h"
#include "platform/audio_output.h"

struct SampleRecord {
    std::uint32_t handle = 0;   // 0 when loading failed
    char name[128] = {};        // "Sample" for samples loaded from memory
    std::uint8_t valid = 0;     // handle != 0
    std::uint32_t channel = 0;  // the last playback started from this sample, 0 before the first
};

// The "Sound volume:" option as a level: truncated toward zero and kept within 0..100.
int soundVolumeLevel(float soundVolume);

class SoundSystem {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr int kMaxPlaybacks = 8;
    // Decoding stops after this much sound, so a hostile file cannot claim all memory.
    static constexpr std::uint32_t kMaxSampleFrames = 15u * 60u * kSampleRate;
    static constexpr const char* kMusicPath = "Music/music.ogg";

    explicit SoundSystem(platform::AudioOutputFactory makeOutput = platform::createAudioOutput);
    ~SoundSystem();  // closes the output; the callback never runs after this
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Opens and starts the audio output (44.1 kHz stereo). On success the level in use at that moment
    // becomes savedVolume and masterVolume is applied. Without a device, enabled becomes false and
    // every later operation does nothing.
    void initSound();
    // Decodes a whole Ogg Vorbis file from `data` (not kept; the caller may free it at once) and appends
    // a record named "Sample". Returns the new record's index. A null, short, undecodable buffer, or a
    // system without output, still appends a record, marked not valid. `flags` is reserved (0).
    int loadSampleFromMemory(const void* data, std::uint32_t length, std::uint32_t flags);
    // Starts the sample from its beginning, looped or once. Does nothing for an index out of range, a
    // record not valid, or a sample whose last playback is still running.
    void playSample(int index, bool loop);
    // Only while enabled: the level 0..100 (larger values are taken as 100) applied from the next
    // audio block on.
    void setMasterVolume(int volume);
    // Only while enabled: restores the level found at start, stops and frees every sample in index
    // order, stops and closes the output; afterwards enabled is false.
    void shutdownSound();

    // Reads kMusicPath with `readMusic` now and decodes it on a worker thread, so that the decoding
    // overlaps the loading; the next startMusic takes the result instead of reading and decoding
    // itself. Only when `enableMusic`; called at most once, before startMusic.
    void prepareMusic(bool enableMusic, const std::function<FileBuffer(const char* path)>& readMusic);
    // The run-mode music start-up, only when `enableMusic`: initSound, read kMusicPath with `readMusic`
    // (the buffer is freed here) and load it, or take what prepareMusic decoded (waiting for it to
    // finish); play looped, apply `volume` (the "Sound volume:" option) while enabled, then log
    // "Sound initialized". With `enableMusic` off nothing is opened, read or logged.
    void startMusic(bool enableMusic, float volume,
                    const std::function<FileBuffer(const char* path)>& readMusic);
    // The matching shutdown: shutdownSound() when startMusic started the music; otherwise nothing.
    void stopMusic();

    bool enabled() const { return enabled_; }
    std::uint8_t masterVolume() const { return masterVolume_; }
    std::uint8_t savedVolume() const { return savedVolume_; }
    int musicSample() const { return musicSample_; }
    const std::vector<SampleRecord>& samples() const { return samples_; }
    // True while the record's last playback is running.
    bool isPlaying(int index) const;
    // The decoded 16-bit stereo frames of a valid record (null and 0 otherwise); for music still
    // decoding, the frames decoded so far.
    const std::int16_t* sampleFrames(int index, std::uint32_t* frameCount) const;
    // True once the music handed over by prepareMusic has decoded to its end (or failed); also true
    // when there was none.
    bool musicDecoded() const;

    // Fills `frames` stereo frames: every running playback, scaled by the volume, saturated. This is
    // the audio thread's callback; tests and benchmarks may call it directly.
    void mix(std::int16_t* out, int frames);

private:
    struct Pcm {
        std::unique_ptr<std::int16_t[]> data;  // interleaved stereo, room for `capacity` frames
        std::uint32_t capacity = 0;
        std::atomic<std::uint32_t> decoded{0};  // frames written; the audio thread reads no further
        std::atomic<bool> complete{false};      // set after the last `decoded`: it is the length
    };
    struct Playback {
        const Pcm* pcm = nullptr;
        std::uint32_t position = 0;
        bool loop = false;
        std::uint32_t sampleHandle = 0;
        std::uint32_t channel = 0;
        std::atomic<bool> active{false};
    };

    static void fillCallback(void* self, std::int16_t* out, int frames);
    // Decodes `data` into `pcm`, publishing its frames piece by piece; false when nothing decoded.
    // `sized` runs once the room for the frames exists (or decoding gave up before).
    static bool decodeInto(Pcm& pcm, const void* data, std::uint32_t length, const std::atomic<bool>& stop,
                           const std::function<void()>& sized);
    // Appends a "Sample" record for decoded frames (not valid when `pcm` is null or has no room, or
    // when nothing could play it) and returns its index.
    int addSample(std::unique_ptr<Pcm> pcm);
    // Waits until prepareMusic's worker knows the music's length, and hands over its result (null
    // when there was none, or nothing could be decoded); the worker may still be writing frames.
    std::unique_ptr<Pcm> takePreparedMusic();
    // Stops prepareMusic's worker between two pieces and waits for it.
    void stopMusicDecoder();
    bool channelIsActive(std::uint32_t channel) const;
    void stopSamplePlaybacks(std::uint32_t handle);

    platform::AudioOutputFactory makeOutput_;
    std::unique_ptr<platform::AudioOutput> output_;
    bool enabled_ = true;
    std::uint8_t masterVolume_ = 100;
    std::uint8_t savedVolume_ = 0;
    std::atomic<int> appliedVolume_{100};  // the level the audio thread scales by
    std::vector<SampleRecord> samples_;
    std::vector<std::unique_ptr<Pcm>> pcm_;  // by handle - 1; null once freed
    int musicSample_ = -1;
    bool musicStarted_ = false;
    Playback playbacks_[kMaxPlaybacks];
    std::thread musicDecoder_;
    std::unique_ptr<Pcm> preparedMusic_;  // its frames written by musicDecoder_
    std::atomic<bool> stopDecoding_{false};
    std::mutex musicSizedLock_;
    std::condition_variable musicSized_;
    bool musicSizeKnown_ = false;  // under musicSizedLock_: room made, or the worker gave up
    std::uint32_t nextChannel_ = 1;
};

// Decodes a whole Ogg Vorbis file held in memory into interleaved 16-bit stereo at `sampleRate` Hz
// (mono is doubled, channels beyond two are dropped, other rates are resampled linearly), at most
// `maxFrames` frames. Returns false, with `out` empty, when the data is not a decodable Vorbis stream.
bool decodeVorbisFromMemory(const void* data, std::uint32_t length, int sampleRate, std::uint32_t maxFrames,
                            std::vector<std::int16_t>& out);
// The same, written in place while it decodes, so that playing can start before the end is decoded:
// `begin(frames)` is called once with the frames to expect (the length the file declares, at most
// `maxFrames`) and returns room for that many stereo frames; after each decoded piece
// `progress(framesSoFar)`. `stop`, once set, ends the decoding between pieces. A file at another rate
// (resampled as a whole) or of unknown length is decoded whole first and handed over in one piece.
// Returns false when nothing could be decoded; begin is then not always called.
bool decodeVorbisProgressively(const void* data, std::uint32_t length, int sampleRate,
                               std::uint32_t maxFrames,
                               const std::function<std::int16_t*(std::uint32_t frames)>& begin,
                               const std::function<void(std::uint32_t frames)>& progress,
                               const std::atomic<bool>& stop);
