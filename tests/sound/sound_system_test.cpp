#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/log.h"
#include "fake_audio_output.h"
#include "ogg_test_file.h"
#include "sound/sound.h"

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
    FileBuffer buffer;
    buffer.data = static_cast<std::uint8_t*>(std::malloc(gMusicFile.size()));
    std::memcpy(buffer.data, gMusicFile.data(), gMusicFile.size());
    buffer.size = static_cast<std::uint32_t>(gMusicFile.size());
    return buffer;
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

    std::uint32_t frames = 0;
    const std::int16_t* decoded = sound.sampleFrames(0, &frames);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(frames, static_cast<std::uint32_t>(kToneFrames));  // no padding: the loop has no gap

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

TEST_F(SoundSystemTest, PreparedMusicIsReadOnceAndPlaysTheSameFrames) {
    SoundSystem direct{fakeOutputFactory(device)};
    direct.startMusic(true, 40.0f, &readTestMusic);
    std::uint32_t directFrames = 0;
    const std::int16_t* expected = direct.sampleFrames(direct.musicSample(), &directFrames);
    ASSERT_NE(expected, nullptr);
    gPathsRead.clear();

    sound.prepareMusic(true, &readTestMusic);
    EXPECT_EQ(gPathsRead.size(), 1u);  // read at once, on the caller's thread
    EXPECT_EQ(device.created, 1);      // nothing opened yet but the direct system's output
    sound.startMusic(true, 40.0f, &readTestMusic);
    EXPECT_EQ(gPathsRead.size(), 1u);  // not read a second time
    EXPECT_NE(logText().find("Sound initialized"), std::string::npos);
    ASSERT_EQ(sound.musicSample(), 0);
    EXPECT_EQ(sound.samples()[0].valid, 1);
    EXPECT_TRUE(sound.isPlaying(0));
    // It plays while it decodes; its end comes soon after.
    for (int wait = 0; wait < 500 && !sound.musicDecoded(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(sound.musicDecoded());
    std::uint32_t frames = 0;
    const std::int16_t* decoded = sound.sampleFrames(0, &frames);
    ASSERT_EQ(frames, directFrames);
    EXPECT_EQ(std::memcmp(decoded, expected, frames * 2 * sizeof(std::int16_t)), 0);
}

// Pulled from another thread while the worker still decodes: every decoded frame is heard once, in
// order, whatever the pulls find not yet decoded (silence then, and the music goes on from there).
TEST_F(SoundSystemTest, MusicPulledWhileItDecodesPlaysEveryFrameOnceInOrder) {
    gMusicFile = makeOggTone(441000);  // ten seconds: the pulls overtake the decoding
    sound.prepareMusic(true, &readTestMusic);
    sound.startMusic(true, 100.0f, &readTestMusic);
    std::vector<std::int16_t> heard;
    std::thread audio([&] {
        while (!sound.musicDecoded()) {
            const auto part = device.pull(4096);
            heard.insert(heard.end(), part.begin(), part.end());
        }
    });
    audio.join();
    std::uint32_t frames = 0;
    const std::int16_t* decoded = sound.sampleFrames(0, &frames);
    ASSERT_GT(frames, 400000u);
    const auto rest = pullFrames(int(frames), 4096);  // at least to the end of the first round
    heard.insert(heard.end(), rest.begin(), rest.end());
    // Silent frames are dropped from both: a pull that found nothing decoded yet adds only those.
    auto sounding = [](const std::int16_t* data, std::size_t count) {
        std::vector<std::int16_t> kept;
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            if (data[i] != 0 || data[i + 1] != 0) kept.insert(kept.end(), {data[i], data[i + 1]});
        }
        return kept;
    };
    const auto expected = sounding(decoded, std::size_t(frames) * 2);
    auto played = sounding(heard.data(), heard.size());
    ASSERT_GE(played.size(), expected.size());
    played.resize(expected.size());
    EXPECT_TRUE(played == expected);
}

TEST_F(SoundSystemTest, PreparedMusicThatCannotBeDecodedOrPlayedIsNotValid) {
    gMusicFile.assign(4096, 0x5A);
    sound.prepareMusic(true, &readTestMusic);
    sound.startMusic(true, 40.0f, &readTestMusic);
    ASSERT_EQ(sound.samples().size(), 1u);
    EXPECT_EQ(sound.samples()[0].valid, 0);
    EXPECT_FALSE(sound.isPlaying(0));

    // Without a device the decoded music is dropped, and with the option off it is never read.
    gMusicFile = toneFile();
    SoundSystem silent{[] { return std::unique_ptr<platform::AudioOutput>(); }};
    silent.prepareMusic(true, &readTestMusic);
    silent.startMusic(true, 40.0f, &readTestMusic);
    EXPECT_FALSE(silent.enabled());
    EXPECT_EQ(silent.sampleFrames(0, nullptr), nullptr);
    gPathsRead.clear();
    SoundSystem off{fakeOutputFactory(device)};
    off.prepareMusic(false, &readTestMusic);
    off.startMusic(false, 40.0f, &readTestMusic);
    EXPECT_TRUE(gPathsRead.empty());
    // A system destroyed while its music still decodes waits for the decoding.
    SoundSystem abandoned{fakeOutputFactory(device)};
    abandoned.prepareMusic(true, &readTestMusic);
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

// Written in place piece by piece: the same frames as the whole decoding, announced in rising counts
// up to the length begin was given; a stop ends it between pieces; another rate comes in one piece.
TEST(VorbisDecode, ProgressiveDecodingMatchesTheWholeAndStopsWhenAsked) {
    const std::vector<std::uint8_t>& file = toneFile();
    const auto size = static_cast<std::uint32_t>(file.size());
    std::vector<std::int16_t> whole;
    ASSERT_TRUE(decodeVorbisFromMemory(file.data(), size, 44100, 1u << 20, whole));
    std::vector<std::int16_t> room;
    std::vector<std::uint32_t> announced;
    std::atomic<bool> stop{false};
    auto begin = [&](std::uint32_t frames) {
        room.assign(std::size_t(frames) * 2, 0);
        return room.data();
    };
    auto progress = [&](std::uint32_t frames) {
        announced.push_back(frames);
        if (announced.size() == 2) stop = true;
    };
    const auto decode = [&](const std::vector<std::uint8_t>& bytes, std::uint32_t maxFrames) {
        room.clear();
        announced.clear();
        return decodeVorbisProgressively(
            bytes.data(), std::uint32_t(bytes.size()), 44100, maxFrames, begin,
            [&](std::uint32_t frames) { announced.push_back(frames); }, stop);
    };
    ASSERT_TRUE(decode(file, 1u << 20));
    EXPECT_EQ(room, whole);
    ASSERT_GT(announced.size(), 2u);
    EXPECT_TRUE(std::is_sorted(announced.begin(), announced.end()));
    EXPECT_EQ(announced.back(), whole.size() / 2);

    ASSERT_TRUE(decode(file, 5000));  // the limit holds
    EXPECT_EQ(room.size(), 10000u);
    EXPECT_EQ(announced.back(), 5000u);
    EXPECT_TRUE(std::equal(room.begin(), room.end(), whole.begin()));

    announced.clear();
    ASSERT_TRUE(decodeVorbisProgressively(file.data(), size, 44100, 1u << 20, begin, progress, stop));
    EXPECT_EQ(announced.size(), 2u);
    EXPECT_LT(announced.back(), whole.size() / 2);
    stop = false;

    const auto slow = makeOggTone(22050, 22050, 2);
    ASSERT_TRUE(decode(slow, 1u << 20));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_NEAR(double(announced[0]), 44100.0, 2.0);

    const std::vector<std::uint8_t> noise(4096, 0x5A);
    EXPECT_FALSE(decode(noise, 1u << 20));
    EXPECT_TRUE(announced.empty());
}

}  // namespace
