#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "core/log.h"
#include "sound/sound.h"

int soundVolumeLevel(float soundVolume) {
    if (!(soundVolume > 0.0f)) return 0;  // also NaN
    if (soundVolume >= 100.0f) return 100;
    return static_cast<int>(soundVolume);  // truncation toward zero: 37.9 plays at 37
}

SoundSystem::SoundSystem(platform::AudioOutputFactory makeOutput) : makeOutput_(std::move(makeOutput)) {}

SoundSystem::~SoundSystem() {
    stopMusicDecoder();
    if (output_) output_->close();
}

void SoundSystem::stopMusicDecoder() {
    if (!musicDecoder_.joinable()) return;
    stopDecoding_.store(true, std::memory_order_relaxed);
    musicDecoder_.join();
}

bool SoundSystem::decodeInto(Pcm& pcm, const void* data, std::uint32_t length, const std::atomic<bool>& stop,
                             const std::function<void()>& sized) {
    bool announced = false;
    const bool decoded = decodeVorbisProgressively(
        data, length, kSampleRate, kMaxSampleFrames,
        [&](std::uint32_t frames) {
            // Not zero-filled: only the pages written become resident.
            pcm.data.reset(new std::int16_t[static_cast<std::size_t>(frames) * kChannels]);
            pcm.capacity = frames;
            if (sized) sized();
            announced = true;
            return pcm.data.get();
        },
        [&](std::uint32_t frames) { pcm.decoded.store(frames, std::memory_order_release); }, stop);
    pcm.complete.store(true, std::memory_order_release);
    if (!announced && sized) sized();
    return decoded;
}

void SoundSystem::fillCallback(void* self, std::int16_t* out, int frames) {
    static_cast<SoundSystem*>(self)->mix(out, frames);
}

void SoundSystem::initSound() {
    if (output_) output_->close();
    output_ = makeOutput_ ? makeOutput_() : nullptr;
    if (!output_ || !output_->open(kSampleRate, kChannels, &SoundSystem::fillCallback, this)) {
        output_.reset();
        enabled_ = false;
        return;
    }
    output_->start();
    savedVolume_ = static_cast<std::uint8_t>(appliedVolume_.load());
    if (enabled_) appliedVolume_.store(masterVolume_);
}

int SoundSystem::loadSampleFromMemory(const void* data, std::uint32_t length, std::uint32_t /*flags*/) {
    // Without an output nothing could ever play, so the decoding is not worth its time.
    std::unique_ptr<Pcm> pcm;
    if (enabled_ && output_) {
        pcm = std::make_unique<Pcm>();
        const std::atomic<bool> never{false};
        if (!decodeInto(*pcm, data, length, never, nullptr)) pcm.reset();
    }
    return addSample(std::move(pcm));
}

int SoundSystem::addSample(std::unique_ptr<Pcm> pcm) {
    SampleRecord record;
    std::strcpy(record.name, "Sample");
    if (enabled_ && output_ && pcm != nullptr && pcm->capacity > 0) {
        pcm_.push_back(std::move(pcm));
        record.handle = static_cast<std::uint32_t>(pcm_.size());
    }
    record.valid = record.handle != 0;
    samples_.push_back(record);
    return static_cast<int>(samples_.size()) - 1;
}

bool SoundSystem::channelIsActive(std::uint32_t channel) const {
    if (channel == 0) return false;
    for (const Playback& playback : playbacks_)
        if (playback.channel == channel) return playback.active.load(std::memory_order_acquire);
    return false;
}

bool SoundSystem::isPlaying(int index) const {
    if (index < 0 || index >= static_cast<int>(samples_.size())) return false;
    return channelIsActive(samples_[index].channel);
}

void SoundSystem::playSample(int index, bool loop) {
    if (index < 0 || index >= static_cast<int>(samples_.size())) return;
    SampleRecord& record = samples_[index];
    if (!record.valid || !output_ || channelIsActive(record.channel)) return;
    const Pcm* pcm = pcm_[record.handle - 1].get();
    if (pcm == nullptr) return;

    // One playback per sample: its earlier playback slot is taken over, else a free one, else the
    // oldest channel.
    Playback* slot = nullptr;
    for (Playback& playback : playbacks_)
        if (playback.sampleHandle == record.handle) slot = &playback;
    for (Playback& playback : playbacks_)
        if (slot == nullptr && !playback.active.load(std::memory_order_acquire)) slot = &playback;
    if (slot == nullptr) {
        slot = &playbacks_[0];
        for (Playback& playback : playbacks_)
            if (playback.channel < slot->channel) slot = &playback;
    }

    // Start, position and loop flag change together so that the audio thread never sees a half-set
    // playback (a short sample could otherwise end before its loop flag is set).
    platform::AudioLockGuard hold(*output_);
    slot->pcm = pcm;
    slot->position = 0;
    slot->loop = loop;
    slot->sampleHandle = record.handle;
    slot->channel = nextChannel_++;
    slot->active.store(true, std::memory_order_release);
    record.channel = slot->channel;
}

void SoundSystem::setMasterVolume(int volume) {
    if (!enabled_) return;
    masterVolume_ = static_cast<std::uint8_t>(std::clamp(volume, 0, 100));
    appliedVolume_.store(masterVolume_, std::memory_order_relaxed);
}

void SoundSystem::stopSamplePlaybacks(std::uint32_t handle) {
    for (Playback& playback : playbacks_) {
        if (playback.sampleHandle != handle) continue;
        playback.active.store(false, std::memory_order_release);
        playback.pcm = nullptr;
        playback.position = 0;
        playback.sampleHandle = 0;
    }
}

void SoundSystem::shutdownSound() {
    if (!enabled_) return;
    stopMusicDecoder();  // it may still be writing the music's frames
    masterVolume_ = savedVolume_;
    appliedVolume_.store(savedVolume_, std::memory_order_relaxed);
    if (output_) {
        platform::AudioLockGuard hold(*output_);
        for (const SampleRecord& record : samples_) {
            if (record.handle == 0) continue;
            stopSamplePlaybacks(record.handle);
            pcm_[record.handle - 1].reset();
        }
    }
    if (output_) {
        output_->stop();
        output_->close();
        output_.reset();
    }
    enabled_ = false;
}

void SoundSystem::prepareMusic(bool enableMusic,
                               const std::function<FileBuffer(const char* path)>& readMusic) {
    if (!enableMusic || musicDecoder_.joinable()) return;
    const FileBuffer music = readMusic != nullptr ? readMusic(kMusicPath) : FileBuffer{};
    preparedMusic_ = std::make_unique<Pcm>();
    musicSizeKnown_ = false;
    auto sized = [this] {
        {
            std::lock_guard<std::mutex> hold(musicSizedLock_);
            musicSizeKnown_ = true;
        }
        musicSized_.notify_all();
    };
    auto decode = [this, music, pcm = preparedMusic_.get(), sized] {
        decodeInto(*pcm, music.data, music.size, stopDecoding_, sized);
        std::free(music.data);
    };
    try {
        musicDecoder_ = std::thread(decode);
    } catch (const std::system_error&) {
        decode();  // no thread to be had: the music is decoded now, as without preparing
        musicDecoder_ = std::thread([] {});
    }
}

std::unique_ptr<SoundSystem::Pcm> SoundSystem::takePreparedMusic() {
    if (!musicDecoder_.joinable() || preparedMusic_ == nullptr) return nullptr;
    {
        std::unique_lock<std::mutex> hold(musicSizedLock_);
        musicSized_.wait(hold, [this] { return musicSizeKnown_; });
    }
    // Without room for frames the worker has ended, or is about to.
    if (preparedMusic_->capacity == 0) musicDecoder_.join();
    return std::move(preparedMusic_);
}

bool SoundSystem::musicDecoded() const {
    if (musicSample_ < 0 || musicSample_ >= static_cast<int>(samples_.size())) return true;
    const SampleRecord& record = samples_[musicSample_];
    if (record.handle == 0 || pcm_[record.handle - 1] == nullptr) return true;
    return pcm_[record.handle - 1]->complete.load(std::memory_order_acquire);
}

void SoundSystem::startMusic(bool enableMusic, float volume,
                             const std::function<FileBuffer(const char* path)>& readMusic) {
    if (!enableMusic) {
        stopMusicDecoder();
        preparedMusic_.reset();
        return;
    }
    musicStarted_ = true;
    initSound();
    if (preparedMusic_ != nullptr) {
        std::unique_ptr<Pcm> music = takePreparedMusic();
        // Nothing can play it: the worker stops before its buffer goes.
        if (!enabled_ || !output_) stopMusicDecoder();
        musicSample_ = addSample(std::move(music));
    } else {
        FileBuffer music = readMusic != nullptr ? readMusic(kMusicPath) : FileBuffer{};
        musicSample_ = loadSampleFromMemory(music.data, music.size, 0);
        std::free(music.data);
    }
    playSample(musicSample_, true);
    if (enabled_) setMasterVolume(soundVolumeLevel(volume));
    logLine("Sound initialized");
}

void SoundSystem::stopMusic() {
    if (!musicStarted_) return;
    musicStarted_ = false;
    shutdownSound();
}

const std::int16_t* SoundSystem::sampleFrames(int index, std::uint32_t* frameCount) const {
    if (frameCount != nullptr) *frameCount = 0;
    if (index < 0 || index >= static_cast<int>(samples_.size()) || samples_[index].handle == 0)
        return nullptr;
    const Pcm* pcm = pcm_[samples_[index].handle - 1].get();
    if (pcm == nullptr) return nullptr;
    if (frameCount != nullptr) *frameCount = pcm->decoded.load(std::memory_order_acquire);
    return pcm->data.get();
}

void SoundSystem::mix(std::int16_t* out, int frames) {
    if (frames <= 0) return;
    std::memset(out, 0, static_cast<std::size_t>(frames) * kChannels * sizeof(std::int16_t));
    const int volume = appliedVolume_.load(std::memory_order_relaxed);
    for (Playback& playback : playbacks_) {
        if (!playback.active.load(std::memory_order_acquire)) continue;
        // `complete` first: once it is set, the `decoded` read after it is the full length.
        const bool whole = playback.pcm->complete.load(std::memory_order_acquire);
        const std::uint32_t end = playback.pcm->decoded.load(std::memory_order_acquire);
        std::int16_t* target = out;
        int wanted = frames;
        while (wanted > 0) {
            // The loop wraps inside the block: the first frame follows the last with no gap.
            if (playback.position >= end) {
                if (!whole) break;  // decoding is behind: silence now, and the music goes on from here
                if (!playback.loop || end == 0) {
                    playback.active.store(false, std::memory_order_release);
                    break;
                }
                playback.position = 0;
            }
            const std::uint32_t run =
                std::min<std::uint32_t>(static_cast<std::uint32_t>(wanted), end - playback.position);
            const std::int16_t* source =
                playback.pcm->data.get() + static_cast<std::size_t>(playback.position) * kChannels;
            for (std::uint32_t i = 0; i < run * kChannels; ++i) {
                const int mixed = target[i] + source[i] * volume / 100;
                target[i] = static_cast<std::int16_t>(std::clamp(mixed, -32768, 32767));
            }
            playback.position += run;
            target += run * kChannels;
            wanted -= static_cast<int>(run);
        }
        if (whole && playback.position >= end && !playback.loop)
            playback.active.store(false, std::memory_order_release);
    }
}
