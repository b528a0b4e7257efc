// The music: the score reader (timing, bar checks, refusals), the renderer's independence from its
// thread count, and the finished file decoded by the engine: length, headroom and a seamless loop.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "mediagen/music.h"
#include "sound/sound.h"

namespace fs = std::filesystem;

namespace {

const std::string kScorePath = std::string(GLIMMERDALE_SOURCE_DIR) + "/content/music/score.txt";

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(MusicScore, TimesNotesBySectionTempoAndPickup) {
    const mediagen::Score score = mediagen::parseScore(
        "section one\n"
        "tempo 120\nmeter 2\n"
        "bell C4:1 E4+G4:1 | A4:2 |   # comment\n"
        "bass r:1 C3:1 |\n"
        "section two\n"
        "tempo 60\nmeter 3\npickup 1\n"
        "pad Bb3:1 | F#4:3 |\n",
        "test");
    ASSERT_EQ(score.notes.size(), 7u);
    EXPECT_NEAR(score.notes[0].frequency, 261.63f, 0.01f);
    EXPECT_EQ(score.notes[0].start, 0.0);
    EXPECT_EQ(score.notes[0].duration, 0.5);
    EXPECT_EQ(score.notes[1].start, 0.5);  // the chord's two notes start together
    EXPECT_EQ(score.notes[2].start, 0.5);
    EXPECT_NEAR(score.notes[3].frequency, 440.0f, 1e-3f);
    EXPECT_EQ(score.notes[4].voice, mediagen::Voice::Bass);
    EXPECT_EQ(score.notes[4].start, 0.5);
    // Section two starts after the longest voice of section one (4 beats at 120: 2 s).
    EXPECT_EQ(score.notes[5].start, 2.0);
    EXPECT_NEAR(score.notes[5].frequency, 233.08f, 0.01f);
    EXPECT_EQ(score.notes[6].start, 3.0);
    EXPECT_EQ(score.notes[6].duration, 3.0);
    EXPECT_EQ(score.length, 6.0);
    // The first beat of a bar is played stronger.
    EXPECT_GT(score.notes[3].velocity, score.notes[1].velocity);
    EXPECT_GT(score.notes[6].velocity, score.notes[5].velocity);
}

TEST(MusicScore, MistakesAreRefusedWithTheLine) {
    const char* broken[] = {
        "meter 4\nbell C4:1 C4:1 C4:1 | C4:1 |\n",  // bar line after 3 of 4 beats
        "bell H4:1\n",                              // no such pitch
        "bell C4\n",                                // no duration
        "bell C4:0\n",
        "bell C4:x\n",
        "flute C4:1\n",
        "tempo 0\nbell C4:1\n",
        "bell C4:1\ntempo 90\n",  // tempo among the notes of a section
        "# nothing\n",
    };
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        try {
            mediagen::parseScore(text, "score.txt");
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("score.txt:", 0), 0u) << error.what();
        }
    }
}

TEST(MusicRender, SameSamplesForAnyThreadCountAndALoopWithoutAStep) {
    const mediagen::Score score = mediagen::parseScore(
        "tempo 150\nmeter 4\nbell C5:1 E5:1 G5:2 | C6:4 |\npad C4+E4+G4:8 |\nbass C3:4 G2:4 |\n", "short");
    const std::vector<float> one = mediagen::renderScore(score, 0.7f, 1);
    const std::vector<float> three = mediagen::renderScore(score, 0.7f, 3);
    ASSERT_EQ(one.size(), std::size_t(2 * 44100 * score.length));
    EXPECT_TRUE(one == three);
    float peak = 0, largestStep = 0;
    for (std::size_t i = 0; i < one.size(); ++i) {
        peak = std::max(peak, std::fabs(one[i]));
        if (i >= 2) largestStep = std::max(largestStep, std::fabs(one[i] - one[i - 2]));
    }
    EXPECT_NEAR(peak, 0.7f, 1e-5f);
    // The last bell (C6, still ringing at the end) carries on over the beginning.
    for (int side = 0; side < 2; ++side)
        EXPECT_LE(std::fabs(one[std::size_t(side)] - one[one.size() - 2 + std::size_t(side)]), largestStep);
    float startLevel = 0;
    for (std::size_t i = 0; i < 200; ++i) startLevel = std::max(startLevel, std::fabs(one[i]));
    EXPECT_GT(startLevel, 0.001f) << "the tail of the end does not sound over the beginning";
}

class MusicFile : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new fs::path(fs::temp_directory_path() / ("music_" + std::to_string(std::random_device{}())));
        mediagen::MediaTree tree;
        tree.begin(root_->string());
        EXPECT_TRUE(mediagen::makeMusic(tree, std::string(GLIMMERDALE_SOURCE_DIR) + "/content"));
        EXPECT_FALSE(mediagen::makeMusic(tree, (*root_ / "no-content").string()));  // no score: no music
        std::ifstream in(*root_ / "main" / "Music" / "music.ogg", std::ios::binary);
        bytes_ = new std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                               std::istreambuf_iterator<char>());
    }
    static void TearDownTestSuite() {
        fs::remove_all(*root_);
        delete root_;
        delete bytes_;
    }
    static fs::path* root_;
    static std::vector<std::uint8_t>* bytes_;
};
fs::path* MusicFile::root_ = nullptr;
std::vector<std::uint8_t>* MusicFile::bytes_ = nullptr;

TEST_F(MusicFile, DecodesToTwoToThreeMinutesWithHeadroomAndASeamlessLoop) {
    ASSERT_FALSE(bytes_->empty());
    std::vector<std::int16_t> pcm;
    ASSERT_TRUE(
        decodeVorbisFromMemory(bytes_->data(), std::uint32_t(bytes_->size()), 44100, 44100 * 600, pcm));
    const std::size_t frames = pcm.size() / 2;
    const double seconds = double(frames) / 44100;
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 180.0);
    // The score's length, to the sample: the encoder neither pads nor cuts the loop.
    const mediagen::Score score = mediagen::parseScore(readText(kScorePath), kScorePath);
    EXPECT_EQ(frames, std::size_t(std::llround(score.length * 44100)));

    int peak = 0;
    for (std::int16_t s : pcm) peak = std::max(peak, std::abs(int(s)));
    EXPECT_LT(peak, int(32768 * std::pow(10.0, -1.0 / 20)));  // below −1 dBFS, so never at full scale
    EXPECT_GT(peak, int(32768 * std::pow(10.0, -9.0 / 20))) << "too quiet";

    // The join from the last sample to the first is no larger than the largest step within the
    // last and first 10 ms.
    const std::size_t window = 441;
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        auto at = [&](std::size_t frame) { return int(pcm[2 * frame + std::size_t(side)]); };
        int largestStep = 0;
        for (std::size_t f = frames - window + 1; f < frames; ++f)
            largestStep = std::max(largestStep, std::abs(at(f) - at(f - 1)));
        for (std::size_t f = 1; f < window; ++f)
            largestStep = std::max(largestStep, std::abs(at(f) - at(f - 1)));
        EXPECT_LE(std::abs(at(0) - at(frames - 1)), largestStep);
    }
}

TEST_F(MusicFile, SameScoreGivesTheSameBytes) {
    const mediagen::Score score = mediagen::parseScore(readText(kScorePath), kScorePath);
    std::vector<float> samples = mediagen::renderScore(score, 0.70f, 2);
    EXPECT_TRUE(mediagen::encodeVorbis(samples, 0.3f) == *bytes_);
}

}  // namespace
