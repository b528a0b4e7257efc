#pragma once
// The sound system: Ogg Vorbis samples decoded from memory, played looped or once through the
// platform's audio output at the application's own volume (0-100; the system volume is never touched).
//
//   VorbisStream          an Ogg Vorbis file decoded a piece at a time as it plays
//   SampleRecord          one loaded sample (handle, name, valid flag, last playback channel)
//   SoundSystem           initSound / loadSampleFromMemory / playSample / setMasterVolume / shutdownSound
//   startMusic/stopMusic  the run-mode music start-up and shutdown ("Music/music.ogg", looped)
//   pauseMusic/resumeMusic  while nobody can see the screensaver: the output closed, the place kept;
//                           retryMusicDevice when the device would not open again
//
// Threads: every operation is called from the main thread. The audio thread reads the decoded
// samples, the playback positions (changed by the main thread only while the output is locked, never
// from the frame loop) and an atomic volume. The music is not decoded ahead: it is decoded a piece at
// a time on the audio thread as it plays, from the file bytes it keeps (about a megabyte instead of
// the 26 MB of its frames), and its loop goes back to the file's first frame.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "media/media_pack.h"
#include "platform/audio_output.h"

struct SampleRecord {
    std::uint32_t handle = 0;   // 0 when loading failed
    char name[128] = {};        // "Sample" for samples loaded from memory
    std::uint8_t valid = 0;     // handle != 0
    std::uint32_t channel = 0;  // the last playback started from this sample, 0 before the first
};

// An Ogg Vorbis file held in memory, decoded a piece at a time as 16-bit stereo (mono doubled,
// channels beyond two dropped), for sound played while it decodes.
class VorbisStream {
public:
    VorbisStream();
    ~VorbisStream();
    VorbisStream(const VorbisStream&) = delete;
    VorbisStream& operator=(const VorbisStream&) = delete;

    // Opens `data`, which must stay until the stream goes, when it is at `sampleRate` Hz as it is
    // and its first frames decode; false otherwise (another rate needs the whole file to resample).
    bool open(const void* data, std::uint32_t length, int sampleRate);
    // Writes up to `frames` stereo frames to `out`; fewer only where the stream ends (or, damaged,
    // stops decoding).
    std::uint32_t read(std::int16_t* out, std::uint32_t frames);
    // Back to the first frame; false when the stream is not open or cannot go back.
    bool rewind();

private:
    struct Decoder;
    std::unique_ptr<Decoder> decoder_;
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

    // The run-mode music start-up, only when `enableMusic`: initSound, read kMusicPath with `readMusic`
    // and keep its bytes to decode as it plays (a file at another rate is decoded whole, and its
    // bytes freed), play looped, apply `volume` (the "Sound volume:" option) while enabled, then log
    // "Sound initialized". With `enableMusic` off nothing is opened, read or logged.
    void startMusic(bool enableMusic, float volume,
                    const std::function<FileBuffer(const char* path)>& readMusic);
    // The matching shutdown: shutdownSound() when startMusic started the music; otherwise nothing.
    void stopMusic();
    // While the output is open (or waits for its device): stops it and closes the device, so that
    // nothing keeps the sound server (and with it the machine) awake; every playback keeps its
    // place. Otherwise nothing.
    void pauseMusic();
    // After pauseMusic: opens the device again and goes on from where the playbacks were. False when
    // the device would not open (after waking, a sound server may not be back yet): the music then
    // waits for it, silent, until retryMusicDevice opens it. Otherwise nothing, and true.
    bool resumeMusic();
    // While the music waits for its device: tries to open it again; true once the music plays.
    bool retryMusicDevice();
    bool musicPaused() const { return paused_; }
    bool musicWaitingForDevice() const { return waitingForDevice_; }
    // Frames the music has played since it started or last looped (0 without music).
    std::uint32_t musicPosition() const;

    bool enabled() const { return enabled_; }
    std::uint8_t masterVolume() const { return masterVolume_; }
    std::uint8_t savedVolume() const { return savedVolume_; }
    int musicSample() const { return musicSample_; }
    const std::vector<SampleRecord>& samples() const { return samples_; }
    // True while the record's last playback is running.
    bool isPlaying(int index) const;
    // The decoded 16-bit stereo frames of a valid record decoded whole (null and 0 otherwise, also
    // for music decoded as it plays).
    const std::int16_t* sampleFrames(int index, std::uint32_t* frameCount) const;

    // Fills `frames` stereo frames: every running playback, scaled by the volume, saturated. This is
    // the audio thread's callback; tests and benchmarks may call it directly.
    void mix(std::int16_t* out, int frames);

private:
    static constexpr int kStreamPieceFrames = 1024;
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const;
    };
    // What a record plays: frames decoded whole, or a stream over the file bytes it keeps.
    struct SampleData {
        std::vector<std::int16_t> frames;  // interleaved stereo
        std::unique_ptr<std::uint8_t, FreeBytes> fileBytes;
        std::unique_ptr<VorbisStream> stream;
    };
    struct Playback {
        SampleData* sample = nullptr;
        std::uint32_t position = 0;  // frames played since the start or the last loop
        bool loop = false;
        std::uint32_t sampleHandle = 0;
        std::uint32_t channel = 0;
        std::atomic<bool> active{false};
    };

    static void fillCallback(void* self, std::int16_t* out, int frames);
    // Appends a "Sample" record for `sample` (not valid when it is null or holds nothing to play, or
    // when nothing could play it) and returns its index.
    int addSample(std::unique_ptr<SampleData> sample);
    // A record that plays `file` (taken over and freed by the system) as it decodes, or decoded
    // whole when it cannot be streamed.
    int addStreamedSample(FileBuffer file);
    // Adds playback's next frames, up to `frames`, to `out`; false once a playback that does not
    // loop has reached its end (or a looping one has nothing left to play).
    bool mixWhole(Playback& playback, std::int16_t* out, int frames, int volume);
    bool mixStream(Playback& playback, std::int16_t* out, int frames, int volume);
    bool channelIsActive(std::uint32_t channel) const;
    void stopSamplePlaybacks(std::uint32_t handle);

    platform::AudioOutputFactory makeOutput_;
    std::unique_ptr<platform::AudioOutput> output_;
    bool enabled_ = true;
    std::uint8_t masterVolume_ = 100;
    std::uint8_t savedVolume_ = 0;
    std::atomic<int> appliedVolume_{100};  // the level the audio thread scales by
    std::vector<SampleRecord> samples_;
    std::vector<std::unique_ptr<SampleData>> sampleData_;  // by handle - 1; null once freed
    int musicSample_ = -1;
    bool musicStarted_ = false;
    bool paused_ = false;
    bool waitingForDevice_ = false;  // resumed, but the device would not open
    Playback playbacks_[kMaxPlaybacks];
    std::int16_t streamPiece_[kStreamPieceFrames * kChannels] = {};  // the audio thread's own
    std::uint32_t nextChannel_ = 1;
};

// Decodes a whole Ogg Vorbis file held in memory into interleaved 16-bit stereo at `sampleRate` Hz
// (mono is doubled, channels beyond two are dropped, other rates are resampled linearly), at most
// `maxFrames` frames. Returns false, with `out` empty, when the data is not a decodable Vorbis stream.
bool decodeVorbisFromMemory(const void* data, std::uint32_t length, int sampleRate, std::uint32_t maxFrames,
                            std::vector<std::int16_t>& out);
