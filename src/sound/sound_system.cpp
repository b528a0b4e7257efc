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
    if (musicDecoder_.joinable()) musicDecoder_.join();
    if (output_) output_->close();
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
        if (!decodeVorbisFromMemory(data, length, kSampleRate, kMaxSampleFrames, pcm->data)) pcm.reset();
    }
    return addSample(std::move(pcm));
}

int SoundSystem::addSample(std::unique_ptr<Pcm> pcm) {
    SampleRecord record;
    std::strcpy(record.name, "Sample");
    if (enabled_ && output_ && pcm != nullptr && !pcm->data.empty()) {
        pcm->frames = static_cast<std::uint32_t>(pcm->data.size() / kChannels);
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
    slot->data = pcm->data.data();
    slot->frames = pcm->frames;
    slot->position = 0;
    slot->loop = loop;
    slot->sampleHandle = record.handle;
    slot->channel = nextChannel_++;
    slot->active.store(pcm->frames > 0, std::memory_order_release);
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
        playback.data = nullptr;
        playback.frames = 0;
        playback.position = 0;
        playback.sampleHandle = 0;
    }
}

void SoundSystem::shutdownSound() {
    if (!enabled_) return;
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
    auto decode = [music, pcm = preparedMusic_.get()] {
        if (!decodeVorbisFromMemory(music.data, music.size, kSampleRate, kMaxSampleFrames, pcm->data))
            pcm->data.clear();
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
    if (!musicDecoder_.joinable()) return nullptr;
    musicDecoder_.join();
    return std::move(preparedMusic_);
}

void SoundSystem::startMusic(bool enableMusic, float volume,
                             const std::function<FileBuffer(const char* path)>& readMusic) {
    if (!enableMusic) {
        takePreparedMusic();
        return;
    }
    musicStarted_ = true;
    initSound();
    if (musicDecoder_.joinable()) {
        musicSample_ = addSample(takePreparedMusic());
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
    if (frameCount != nullptr) *frameCount = pcm->frames;
    return pcm->data.data();
}

void SoundSystem::mix(std::int16_t* out, int frames) {
    if (frames <= 0) return;
    std::memset(out, 0, static_cast<std::size_t>(frames) * kChannels * sizeof(std::int16_t));
    const int volume = appliedVolume_.load(std::memory_order_relaxed);
    for (Playback& playback : playbacks_) {
        if (!playback.active.load(std::memory_order_acquire)) continue;
        std::int16_t* target = out;
        int wanted = frames;
        while (wanted > 0) {
            // The loop wraps inside the block: the first frame follows the last with no gap.
            if (playback.position >= playback.frames) {
                if (!playback.loop) {
                    playback.active.store(false, std::memory_order_release);
                    break;
                }
                playback.position = 0;
            }
            const std::uint32_t run = std::min<std::uint32_t>(static_cast<std::uint32_t>(wanted),
                                                              playback.frames - playback.position);
            const std::int16_t* source =
                playback.data + static_cast<std::size_t>(playback.position) * kChannels;
            for (std::uint32_t i = 0; i < run * kChannels; ++i) {
                const int mixed = target[i] + source[i] * volume / 100;
                target[i] = static_cast<std::int16_t>(std::clamp(mixed, -32768, 32767));
            }
            playback.position += run;
            target += run * kChannels;
            wanted -= static_cast<int>(run);
        }
        if (playback.position >= playback.frames && !playback.loop)
            playback.active.store(false, std::memory_order_release);
    }
}
