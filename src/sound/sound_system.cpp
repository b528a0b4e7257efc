#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "sound/sound.h"

int soundVolumeLevel(float soundVolume) {
    if (!(soundVolume > 0.0f)) return 0;  // also NaN
    if (soundVolume >= 100.0f) return 100;
    return static_cast<int>(soundVolume);  // truncation toward zero: 37.9 plays at 37
}

SoundSystem::SoundSystem(platform::AudioOutputFactory makeOutput) : makeOutput_(std::move(makeOutput)) {}

SoundSystem::~SoundSystem() {
    if (output_) output_->close();
}

void SoundSystem::FreeBytes::operator()(std::uint8_t* bytes) const { std::free(bytes); }

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
    std::unique_ptr<SampleData> sample;
    if (enabled_ && output_) {
        sample = std::make_unique<SampleData>();
        decodeVorbisFromMemory(data, length, kSampleRate, kMaxSampleFrames, sample->frames);
    }
    return addSample(std::move(sample));
}

int SoundSystem::addStreamedSample(FileBuffer file) {
    std::unique_ptr<std::uint8_t, FreeBytes> bytes(file.data);
    if (!enabled_ || !output_) return addSample(nullptr);
    auto stream = std::make_unique<VorbisStream>();
    if (!stream->open(bytes.get(), file.size, kSampleRate)) {
        return loadSampleFromMemory(bytes.get(), file.size, 0);
    }
    auto sample = std::make_unique<SampleData>();
    sample->fileBytes = std::move(bytes);
    sample->stream = std::move(stream);
    return addSample(std::move(sample));
}

int SoundSystem::addSample(std::unique_ptr<SampleData> sample) {
    SampleRecord record;
    std::strcpy(record.name, "Sample");
    if (enabled_ && output_ && sample != nullptr && (sample->stream || !sample->frames.empty())) {
        sampleData_.push_back(std::move(sample));
        record.handle = static_cast<std::uint32_t>(sampleData_.size());
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
    SampleData* sample = sampleData_[record.handle - 1].get();
    if (sample == nullptr) return;

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
    if (sample->stream) sample->stream->rewind();
    slot->sample = sample;
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
        playback.sample = nullptr;
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
            sampleData_[record.handle - 1].reset();
        }
    }
    if (output_) {
        output_->stop();
        output_->close();
        output_.reset();
    }
    enabled_ = false;
}

void SoundSystem::startMusic(bool enableMusic, float volume,
                             const std::function<FileBuffer(const char* path)>& readMusic) {
    if (!enableMusic) return;
    musicStarted_ = true;
    initSound();
    musicSample_ = addStreamedSample(readMusic != nullptr ? readMusic(kMusicPath) : FileBuffer{});
    playSample(musicSample_, true);
    if (enabled_) setMasterVolume(soundVolumeLevel(volume));
    logLine("Sound initialized");
}

void SoundSystem::stopMusic() {
    if (!musicStarted_) return;
    musicStarted_ = false;
    shutdownSound();
}

void SoundSystem::pauseMusic() {
    if (!enabled_ || !output_ || paused_ || !(output_->isOpen() || waitingForDevice_)) return;
    // A device merely stopped would still hold a stream open (SDL even goes on writing silence).
    output_->stop();
    output_->close();
    paused_ = true;
    waitingForDevice_ = false;
}

bool SoundSystem::resumeMusic() {
    if (!paused_) return true;
    paused_ = false;
    if (!enabled_ || !output_) return true;
    waitingForDevice_ = true;
    return retryMusicDevice();
}

bool SoundSystem::retryMusicDevice() {
    if (!waitingForDevice_ || !output_) return false;
    if (!output_->open(kSampleRate, kChannels, &SoundSystem::fillCallback, this)) return false;
    output_->start();
    waitingForDevice_ = false;
    return true;
}

std::uint32_t SoundSystem::musicPosition() const {
    if (musicSample_ < 0 || musicSample_ >= static_cast<int>(samples_.size())) return 0;
    const std::uint32_t channel = samples_[musicSample_].channel;
    for (const Playback& playback : playbacks_) {
        if (channel == 0 || playback.channel != channel) continue;
        if (!output_ || !output_->isOpen()) return playback.position;
        // The audio thread moves it on; it is read while the callback is held off.
        platform::AudioLockGuard hold(*output_);
        return playback.position;
    }
    return 0;
}

const std::int16_t* SoundSystem::sampleFrames(int index, std::uint32_t* frameCount) const {
    if (frameCount != nullptr) *frameCount = 0;
    if (index < 0 || index >= static_cast<int>(samples_.size()) || samples_[index].handle == 0)
        return nullptr;
    const SampleData* sample = sampleData_[samples_[index].handle - 1].get();
    if (sample == nullptr || sample->frames.empty()) return nullptr;
    if (frameCount != nullptr) *frameCount = static_cast<std::uint32_t>(sample->frames.size() / kChannels);
    return sample->frames.data();
}

namespace {

void addScaled(std::int16_t* target, const std::int16_t* source, std::uint32_t values, int volume) {
    for (std::uint32_t i = 0; i < values; ++i) {
        const int mixed = target[i] + source[i] * volume / 100;
        target[i] = static_cast<std::int16_t>(std::clamp(mixed, -32768, 32767));
    }
}

}  // namespace

bool SoundSystem::mixWhole(Playback& playback, std::int16_t* out, int frames, int volume) {
    const auto end = static_cast<std::uint32_t>(playback.sample->frames.size() / kChannels);
    while (frames > 0) {
        // The loop wraps inside the block: the first frame follows the last with no gap.
        if (playback.position >= end) {
            if (!playback.loop || end == 0) return false;
            playback.position = 0;
        }
        const std::uint32_t run =
            std::min<std::uint32_t>(static_cast<std::uint32_t>(frames), end - playback.position);
        addScaled(out,
                  playback.sample->frames.data() + static_cast<std::size_t>(playback.position) * kChannels,
                  run * kChannels, volume);
        playback.position += run;
        out += run * kChannels;
        frames -= static_cast<int>(run);
    }
    return playback.loop || playback.position < end;
}

bool SoundSystem::mixStream(Playback& playback, std::int16_t* out, int frames, int volume) {
    VorbisStream& stream = *playback.sample->stream;
    while (frames > 0) {
        const auto wanted = static_cast<std::uint32_t>(std::min(frames, kStreamPieceFrames));
        const std::uint32_t got = stream.read(streamPiece_, wanted);
        addScaled(out, streamPiece_, got * kChannels, volume);
        playback.position += got;
        out += got * kChannels;
        frames -= static_cast<int>(got);
        if (got < wanted) {
            // The end of the file: the loop goes on from its first frame in the same block. A pass
            // that gave nothing (the file damaged at its start) would never fill the block.
            if (!playback.loop || playback.position == 0 || !stream.rewind()) return false;
            playback.position = 0;
        }
    }
    return true;
}

void SoundSystem::mix(std::int16_t* out, int frames) {
    if (frames <= 0) return;
    std::memset(out, 0, static_cast<std::size_t>(frames) * kChannels * sizeof(std::int16_t));
    const int volume = appliedVolume_.load(std::memory_order_relaxed);
    for (Playback& playback : playbacks_) {
        if (!playback.active.load(std::memory_order_acquire)) continue;
        const bool goesOn = playback.sample->stream ? mixStream(playback, out, frames, volume)
                                                    : mixWhole(playback, out, frames, volume);
        if (!goesOn) playback.active.store(false, std::memory_order_release);
    }
}
