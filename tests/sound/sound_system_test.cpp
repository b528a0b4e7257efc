#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/log.h"
#include "fake_audio_output.h"
#include "ogg_test_file.h"
#include "sound/sound.h"
#include "support/file_buffer.h"

namespace {

constexpr int kToneFrames = 11000;  // 110 periods of the left tone, a quarter second

const std::vector<std::uint8_t>& toneFile() {
    static const std::vector<std::uint8_t> file = makeOggTone(kToneFrames);
    return file;
}

// What the pack hands out for "Music/music.ogg" in a test, and which paths were asked for.
std::vector<std::uint8_t> gMusicFile;
std::vector<std::string> gPathsRead;

FileBuffer readTestMusic(const char* path) {
    gPathsRead.push_back(path);
    if (gMusicFile.empty()) return FileBuffer{};
    return testsupport::copyToFileBuffer(gMusicFile);
}

class SoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath = ::testing::TempDir() + "sound_test_log.txt";
        theLog().open(logPath);
        gMusicFile = toneFile();
        gPathsRead.clear();
    }
    void TearDown() override { theLog().close(); }

    std::string logText() {
        std::ifstream in(logPath);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Pulls `frames` frames in blocks of `block` frames, as an audio thread would.
    std::vector<std::int16_t> pullFrames(int frames, int block) {
        std::vector<std::int16_t> all;
        while (frames > 0) {
            const int n = std::min(block, frames);
            const auto part = device.pull(n);
            all.insert(all.end(), part.begin(), part.end());
            frames -= n;
        }
        return all;
    }

    std::string logPath;
    FakeAudioLog device;
    SoundSystem sound{fakeOutputFactory(device)};
};

TEST_F(SoundSystemTest, MusicOffOpensReadsAndLogsNothing) {
    sound.startMusic(false, 40.0f, &readTestMusic);
    EXPECT_EQ(device.created, 0);
    EXPECT_TRUE(device.calls.empty());
    EXPECT_TRUE(gPathsRead.empty());
    EXPECT_EQ(sound.samples().size(), 0u);
    EXPECT_EQ(sound.musicSample(), -1);
    EXPECT_EQ(logText().find("Sound initialized"), std::string::npos);
    sound.stopMusic();
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SoundSystemTest, MusicStartsLoopedAtTheTruncatedVolume) {
    sound.startMusic(true, 37.9f, &readTestMusic);
    ASSERT_EQ(gPathsRead.size(), 1u);
    EXPECT_EQ(gPathsRead[0], "Music/music.ogg");
    EXPECT_EQ(device.calls.front(), "open 44100 2");
    EXPECT_EQ(device.calls[1], "start");
    EXPECT_EQ(logText(), "Sound initialized\n");

    ASSERT_EQ(sound.samples().size(), 1u);
    EXPECT_EQ(sound.musicSample(), 0);
    const SampleRecord& record = sound.samples()[0];
    EXPECT_STREQ(record.name, "Sample");
    EXPECT_EQ(record.valid, 1);
    EXPECT_NE(record.handle, 0u);
    EXPECT_NE(record.channel, 0u);
    EXPECT_TRUE(sound.isPlaying(0));
    EXPECT_TRUE(sound.enabled());
    EXPECT_EQ(sound.masterVolume(), 37);
    EXPECT_EQ(sound.savedVolume(), 100);

    // It decodes as it plays: the same frames as the file decoded whole, no padding at the loop.
    std::vector<std::int16_t> decoded;
    ASSERT_TRUE(decodeVorbisFromMemory(gMusicFile.data(), std::uint32_t(gMusicFile.size()), 44100, 1u << 20,
                                       decoded));
    ASSERT_EQ(decoded.size(), std::size_t(kToneFrames) * 2);

    // Two and a half loops pulled in blocks that do not divide the length: every frame is the
    // decoded frame at (position mod length), scaled to 37 %.
    const int total = kToneFrames * 5 / 2;
    const auto played = pullFrames(total, 1021);
    for (int i = 0; i < total * 2; ++i) {
        const int expected = decoded[i % (kToneFrames * 2)] * 37 / 100;
        ASSERT_EQ(played[i], expected) << "sample " << i;
    }
    EXPECT_TRUE(sound.isPlaying(0));
}

TEST_F(SoundSystemTest, MusicThatCannotBeStreamedIsDecodedWholeOrNotValid) {
    // Another rate is resampled over the whole file, so it is decoded at the start.
    gMusicFile = makeOggTone(22050, 22050, 2);
    sound.startMusic(true, 100.0f, &readTestMusic);
    std::uint32_t frames = 0;
    const std::int16_t* whole = sound.sampleFrames(0, &frames);
    ASSERT_NE(whole, nullptr);
    EXPECT_NEAR(double(frames), 44100.0, 2.0);
    EXPECT_TRUE(sound.isPlaying(0));
    const auto played = pullFrames(100, 100);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), whole));

    SoundSystem noise{fakeOutputFactory(device)};
    gMusicFile.assign(4096, 0x5A);
    noise.startMusic(true, 40.0f, &readTestMusic);
    ASSERT_EQ(noise.samples().size(), 1u);
    EXPECT_EQ(noise.samples()[0].valid, 0);
    EXPECT_FALSE(noise.isPlaying(0));

    // Without a device the music is dropped, and with the option off it is never read.
    gMusicFile = toneFile();
    SoundSystem silent{[] { return std::unique_ptr<platform::AudioOutput>(); }};
    silent.startMusic(true, 40.0f, &readTestMusic);
    EXPECT_FALSE(silent.enabled());
    EXPECT_EQ(silent.samples()[0].valid, 0);
    gPathsRead.clear();
    SoundSystem off{fakeOutputFactory(device)};
    off.startMusic(false, 40.0f, &readTestMusic);
    EXPECT_TRUE(gPathsRead.empty());
}

// A file cut in its audio plays what decodes and then loops from its start, without hanging on
// the frames it cannot give.
TEST_F(SoundSystemTest, MusicCutShortLoopsWhatDecodes) {
    gMusicFile = makeOggTone(kToneFrames * 8);
    gMusicFile.resize(gMusicFile.size() * 2 / 3);
    std::vector<std::int16_t> decoded;
    ASSERT_TRUE(decodeVorbisFromMemory(gMusicFile.data(), std::uint32_t(gMusicFile.size()), 44100, 1u << 20,
                                       decoded));
    ASSERT_LT(decoded.size(), std::size_t(kToneFrames) * 8 * 2);
    sound.startMusic(true, 100.0f, &readTestMusic);
    ASSERT_EQ(sound.samples()[0].valid, 1);
    const int total = int(decoded.size());  // two loops
    const auto played = pullFrames(total, 4096);
    for (int i = 0; i < total * 2; ++i) ASSERT_EQ(played[i], decoded[i % decoded.size()]) << "sample " << i;
}

TEST_F(SoundSystemTest, ShutdownRestoresTheLevelThenFreesAndCloses) {
    sound.startMusic(true, 40.0f, &readTestMusic);
    device.calls.clear();
    sound.stopMusic();
    EXPECT_EQ(sound.masterVolume(), 100);  // the level found at start
    EXPECT_FALSE(sound.enabled());
    EXPECT_FALSE(sound.isPlaying(0));
    EXPECT_EQ(sound.sampleFrames(0, nullptr), nullptr);
    const std::vector<std::string> expected = {"lock", "unlock", "stop", "close"};
    EXPECT_EQ(device.calls, expected);
    // A second shutdown, a volume change or a play after shutdown change nothing.
    device.calls.clear();
    sound.shutdownSound();
    sound.setMasterVolume(10);
    sound.playSample(0, true);
    EXPECT_EQ(sound.masterVolume(), 100);
    EXPECT_TRUE(device.calls.empty());
}

// (The pause itself, with the frame loop: tests/app/gl/unseen_pause_test.cpp.)
TEST_F(SoundSystemTest, PausingWithoutMusicDoesNothingAndADeviceThatWillNotReopenIsTriedAgain) {
    sound.pauseMusic();
    EXPECT_TRUE(sound.resumeMusic());
    EXPECT_TRUE(device.calls.empty());
    sound.startMusic(true, 100.0f, &readTestMusic);
    device.pull(700);
    const std::uint32_t place = sound.musicPosition();
    sound.pauseMusic();
    device.openFails = true;
    EXPECT_FALSE(sound.resumeMusic());
    EXPECT_FALSE(sound.musicPaused());
    EXPECT_TRUE(sound.musicWaitingForDevice());
    EXPECT_FALSE(device.running);
    EXPECT_FALSE(sound.retryMusicDevice());
    // Paused again while it waits (the displays went off), then resumed: still one device at a time.
    sound.pauseMusic();
    EXPECT_TRUE(sound.musicPaused());
    EXPECT_FALSE(sound.musicWaitingForDevice());
    EXPECT_FALSE(sound.resumeMusic());
    device.openFails = false;
    EXPECT_TRUE(sound.retryMusicDevice());
    EXPECT_TRUE(device.running);
    EXPECT_FALSE(sound.musicWaitingForDevice());
    EXPECT_FALSE(sound.retryMusicDevice());  // nothing to retry: the device is not opened twice
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "open 44100 2"), 5);
    // The music goes on from where it was.
    device.pull(300);
    EXPECT_EQ(sound.musicPosition(), place + 300);
    sound.stopMusic();  // the shutdown still runs whole
    EXPECT_FALSE(sound.enabled());
    EXPECT_EQ(sound.masterVolume(), 100);
}

TEST_F(SoundSystemTest, NoDeviceRunsOnSilently) {
    device.openFails = true;
    sound.startMusic(true, 40.0f, &readTestMusic);
    EXPECT_FALSE(sound.enabled());
    ASSERT_EQ(sound.samples().size(), 1u);
    EXPECT_EQ(sound.samples()[0].valid, 0);
    EXPECT_EQ(sound.masterVolume(), 100);  // the volume is not set without a device
    EXPECT_EQ(logText(), "Sound initialized\n");
    device.calls.clear();
    sound.stopMusic();
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SoundSystemTest, MissingOrBrokenMusicRunsOnSilently) {
    gMusicFile.clear();
    sound.startMusic(true, 40.0f, &readTestMusic);
    EXPECT_TRUE(sound.enabled());
    ASSERT_EQ(sound.samples().size(), 1u);
    EXPECT_EQ(sound.samples()[0].valid, 0);
    EXPECT_EQ(sound.samples()[0].channel, 0u);
    EXPECT_EQ(sound.masterVolume(), 40);
    const auto silence = device.pull(512);
    for (std::int16_t s : silence) ASSERT_EQ(s, 0);

    // Garbage, a truncated file and a file cut inside its headers: each a record marked not valid.
    std::vector<std::uint8_t> garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
    EXPECT_EQ(sound.samples()[sound.loadSampleFromMemory(garbage.data(), 4096, 0)].valid, 0);
    EXPECT_EQ(sound.samples()[sound.loadSampleFromMemory(toneFile().data(), 60, 0)].valid, 0);
    EXPECT_EQ(sound.samples()[sound.loadSampleFromMemory(nullptr, 100, 0)].valid, 0);
    EXPECT_EQ(sound.samples().size(), 4u);
    // A file cut in its audio keeps what could be decoded.
    const auto& tone = toneFile();
    const int cut =
        sound.loadSampleFromMemory(tone.data(), static_cast<std::uint32_t>(tone.size() * 2 / 3), 0);
    std::uint32_t frames = 0;
    if (sound.samples()[cut].valid) {
        sound.sampleFrames(cut, &frames);
        EXPECT_GT(frames, 0u);
        EXPECT_LT(frames, static_cast<std::uint32_t>(kToneFrames));
    }
}

TEST_F(SoundSystemTest, PlaySampleRules) {
    sound.initSound();
    const int once =
        sound.loadSampleFromMemory(toneFile().data(), static_cast<std::uint32_t>(toneFile().size()), 0);
    ASSERT_EQ(sound.samples()[once].valid, 1);

    // Out of range and never loaded: nothing happens.
    device.calls.clear();
    sound.playSample(-1, true);
    sound.playSample(7, true);
    EXPECT_TRUE(device.calls.empty());

    sound.playSample(once, false);
    const std::uint32_t firstChannel = sound.samples()[once].channel;
    EXPECT_NE(firstChannel, 0u);
    pullFrames(1000, 1000);
    // Playing again while it plays changes nothing: it goes on from frame 1000.
    sound.playSample(once, false);
    EXPECT_EQ(sound.samples()[once].channel, firstChannel);
    std::uint32_t frames = 0;
    const std::int16_t* decoded = sound.sampleFrames(once, &frames);
    const auto next = device.pull(4);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(next[i], decoded[2000 + i]);

    // Played once to its end it stops, with silence after its last frame in the same block.
    const auto tail = pullFrames(static_cast<int>(frames) - 1004 + 100, 4096);
    EXPECT_EQ(tail[tail.size() - 101 * 2], decoded[(frames - 1) * 2]);
    for (std::size_t i = tail.size() - 200; i < tail.size(); ++i) ASSERT_EQ(tail[i], 0);
    EXPECT_FALSE(sound.isPlaying(once));

    // Once stopped, a new playback starts from the beginning on a new channel.
    sound.playSample(once, true);
    EXPECT_NE(sound.samples()[once].channel, firstChannel);
    const auto restart = device.pull(4);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(restart[i], decoded[i]);
}

TEST_F(SoundSystemTest, VolumeScalesAndSaturates) {
    sound.initSound();
    const auto& tone = toneFile();
    const int a = sound.loadSampleFromMemory(tone.data(), static_cast<std::uint32_t>(tone.size()), 0);
    const int b = sound.loadSampleFromMemory(tone.data(), static_cast<std::uint32_t>(tone.size()), 0);
    const int c = sound.loadSampleFromMemory(tone.data(), static_cast<std::uint32_t>(tone.size()), 0);
    sound.playSample(a, true);
    sound.playSample(b, true);
    sound.playSample(c, true);
    // Three copies of a half-scale tone overflow 16 bits: the sum is clipped, never wrapped.
    std::uint32_t frames = 0;
    const std::int16_t* decoded = sound.sampleFrames(a, &frames);
    auto block = device.pull(200);
    for (int i = 0; i < 400; ++i) {
        const int expected = std::clamp(3 * decoded[i], -32768, 32767);
        ASSERT_EQ(block[i], expected) << i;
    }
    sound.setMasterVolume(0);
    block = device.pull(200);
    for (std::int16_t s : block) ASSERT_EQ(s, 0);
    sound.setMasterVolume(250);
    EXPECT_EQ(sound.masterVolume(), 100);
    sound.setMasterVolume(-5);
    EXPECT_EQ(sound.masterVolume(), 0);
}

TEST(SoundVolumeLevel, TruncatesAndKeepsInRange) {
    EXPECT_EQ(soundVolumeLevel(37.0f), 37);
    EXPECT_EQ(soundVolumeLevel(37.99f), 37);
    EXPECT_EQ(soundVolumeLevel(0.5f), 0);
    EXPECT_EQ(soundVolumeLevel(100.0f), 100);
    EXPECT_EQ(soundVolumeLevel(300.0f), 100);
    EXPECT_EQ(soundVolumeLevel(-4.0f), 0);
    EXPECT_EQ(soundVolumeLevel(std::nanf("")), 0);
}

TEST(VorbisDecode, MonoIsDoubledAndOtherRatesResampled) {
    const auto mono = makeOggTone(4000, 44100, 1);
    std::vector<std::int16_t> pcm;
    ASSERT_TRUE(
        decodeVorbisFromMemory(mono.data(), static_cast<std::uint32_t>(mono.size()), 44100, 1u << 20, pcm));
    ASSERT_EQ(pcm.size(), 8000u);
    for (std::size_t i = 0; i < pcm.size(); i += 2) ASSERT_EQ(pcm[i], pcm[i + 1]);

    const auto slow = makeOggTone(22050, 22050, 2);
    ASSERT_TRUE(
        decodeVorbisFromMemory(slow.data(), static_cast<std::uint32_t>(slow.size()), 44100, 1u << 20, pcm));
    EXPECT_NEAR(static_cast<double>(pcm.size()) / 2, 44100.0, 2.0);

    // The frame limit holds.
    ASSERT_TRUE(
        decodeVorbisFromMemory(mono.data(), static_cast<std::uint32_t>(mono.size()), 44100, 1000, pcm));
    EXPECT_EQ(pcm.size(), 2000u);
}

// Read in pieces of any size: the frames of the whole decoding, fewer only at the end; a rewind
// starts again from the first frame; what must be resampled or does not decode is refused.
TEST(VorbisDecode, StreamReadsTheWholeDecodingAndRewinds) {
    const std::vector<std::uint8_t> file = makeOggTone(kToneFrames, 44100, 1);
    const auto size = static_cast<std::uint32_t>(file.size());
    std::vector<std::int16_t> whole;
    ASSERT_TRUE(decodeVorbisFromMemory(file.data(), size, 44100, 1u << 20, whole));
    VorbisStream stream;
    ASSERT_TRUE(stream.open(file.data(), size, 44100));
    for (int round = 0; round < 2; ++round) {
        std::vector<std::int16_t> read;
        std::int16_t piece[2 * 1500];
        for (std::uint32_t wanted = 1;; wanted = wanted * 3 % 1499 + 1) {
            const std::uint32_t got = stream.read(piece, wanted);
            read.insert(read.end(), piece, piece + got * 2);
            if (got < wanted) break;
        }
        EXPECT_TRUE(read == whole) << "round " << round;
        EXPECT_EQ(stream.read(piece, 10), 0u);
        ASSERT_TRUE(stream.rewind());
    }

    const auto slow = makeOggTone(22050, 22050, 2);
    EXPECT_FALSE(stream.open(slow.data(), std::uint32_t(slow.size()), 44100));
    const std::vector<std::uint8_t> noise(4096, 0x5A);
    EXPECT_FALSE(stream.open(noise.data(), std::uint32_t(noise.size()), 44100));
    std::int16_t frame[2];
    EXPECT_EQ(stream.read(frame, 1), 0u);
    EXPECT_FALSE(stream.rewind());
}

}  // namespace
