// The instruments and the mix: a celesta-like bell (sine partials, each decaying), a soft detuned
// pad, a plucked bass and a light stereo reverb, all rendered around a loop.
//
// Determinism: the loop is cut into fixed one-second blocks and every block is computed the same
// way whichever thread takes it (each note's oscillators and envelope are set up afresh at the
// block's first sample from closed formulas, then stepped), so the thread count never changes a bit
// of the result.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <thread>

#include "mediagen/music.h"

namespace mediagen {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr std::int64_t kBlockFrames = kMusicSampleRate;  // one second

struct Partial {
    double ratio;  // of the fundamental
    double amplitude;
    double decay;   // time constant in seconds (0: sustained, shaped by the note envelope)
    double detune;  // fraction of the frequency, + for the right channel, − for the left
};

struct Instrument {
    std::vector<Partial> partials;
    double attack;   // seconds of linear rise
    double release;  // seconds of linear fall after the written end (sustained voices)
    double ring;     // a struck voice sounds this long whatever the written length; 0: sustained
    double level;
    double pan;  // 0 left … 1 right
};

const Instrument& instrumentFor(Voice voice) {
    static const Instrument bell{
        {{1, 1.0, 1.3, 0}, {2, 0.32, 0.55, 0}, {3, 0.10, 0.3, 0}, {4.16, 0.07, 0.18, 0}},
        0.004,
        0.0,
        4.0,
        0.30,
        0.56};
    static const Instrument pad{
        {{1, 1.0, 0, 0.0018}, {2, 0.28, 0, 0.0012}, {3, 0.08, 0, 0.0009}}, 0.35, 0.6, 0.0, 0.055, 0.5};
    static const Instrument bass{
        {{1, 1.0, 1.1, 0}, {2, 0.35, 0.5, 0}, {3, 0.12, 0.3, 0}}, 0.012, 0.12, 0.0, 0.30, 0.48};
    switch (voice) {
        case Voice::Bell:
            return bell;
        case Voice::Pad:
            return pad;
        case Voice::Bass:
            return bass;
    }
    return bell;
}

// Frames from the note's start during which it sounds.
std::int64_t soundingFrames(const ScoreNote& note, const Instrument& instrument) {
    const double seconds = instrument.ring > 0 ? instrument.ring : note.duration + instrument.release;
    return std::int64_t(std::ceil(seconds * kMusicSampleRate));
}

// One period of a sine in 4096 steps (plus a guard entry), read with linear interpolation from a
// 32-bit fixed-point phase: much cheaper than a recursive oscillator and exact to about 1e-6.
constexpr int kTableBits = 12;
const std::vector<double>& sineTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t((1u << kTableBits) + 1);
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = std::sin(kTwoPi * double(i) / double(1u << kTableBits));
        return t;
    }();
    return table;
}

struct Oscillator {
    std::uint32_t phase, increment;
    double amplitude, decayPerFrame;
    int channel;        // 0 left, 1 right, 2 centre
    std::int64_t last;  // frame (from the note's start) after which it is silent
};

// Adds frames [from, to) of the note (frame numbers relative to its start) into out (stereo,
// out[0] is frame `from`).
void renderNoteSpan(const ScoreNote& note, const Instrument& instrument, std::int64_t from, std::int64_t to,
                    double* out) {
    const double rate = kMusicSampleRate;
    const double cycle = 4294967296.0;  // one turn of the fixed-point phase
    Oscillator oscillators[16];
    int count = 0;
    for (const Partial& partial : instrument.partials) {
        const double frequency = note.frequency * partial.ratio;
        if (frequency >= rate * 0.45) continue;
        // A decaying partial is left out once it has fallen below 1/10 000 of its start.
        const std::int64_t last =
            partial.decay > 0 ? std::min(to, std::int64_t(partial.decay * rate * 9.3)) : to;
        if (last <= from) continue;
        const int copies = partial.detune > 0 ? 2 : 1;
        for (int side = 0; side < copies && count < 16; ++side) {
            const double detune = copies == 1 ? 0 : (side == 0 ? -partial.detune : partial.detune);
            const double turnsPerFrame = frequency * (1 + detune) / rate;
            Oscillator& o = oscillators[count++];
            const double startTurns = turnsPerFrame * double(from);
            o.phase = std::uint32_t(std::fmod(startTurns, 1.0) * cycle);
            o.increment = std::uint32_t(turnsPerFrame * cycle);
            o.decayPerFrame = partial.decay > 0 ? std::exp(-1.0 / (partial.decay * rate)) : 1.0;
            o.amplitude = partial.amplitude *
                          (partial.decay > 0 ? std::exp(-double(from) / (partial.decay * rate)) : 1.0);
            o.channel = copies == 1 ? 2 : side;
            o.last = last;
        }
    }
    const std::vector<double>& table = sineTable();
    constexpr int kFractionBits = 32 - kTableBits;
    constexpr double kFractionScale = 1.0 / double(1u << kFractionBits);
    const double gain = instrument.level * note.velocity;
    const double left = std::cos(instrument.pan * kTwoPi / 4), right = std::sin(instrument.pan * kTwoPi / 4);
    // The envelope: a linear attack, then for a struck voice a short fade before its ring ends,
    // for a sustained one a linear release after the written end.
    const double attackFrames = instrument.attack * rate;
    const double fadeEnd =
        (instrument.ring > 0 ? instrument.ring : note.duration + instrument.release) * rate;
    const double fadeLength = (instrument.ring > 0 ? 0.08 : instrument.release) * rate;
    const double fadeStart = fadeEnd - fadeLength;
    for (std::int64_t n = from; n < to; ++n) {
        double sides[3] = {0, 0, 0};
        for (int k = 0; k < count; ++k) {
            Oscillator& o = oscillators[k];
            if (n >= o.last) continue;
            const std::uint32_t index = o.phase >> kFractionBits;
            const double fraction = double(o.phase & ((1u << kFractionBits) - 1)) * kFractionScale;
            sides[o.channel] += o.amplitude * (table[index] + (table[index + 1] - table[index]) * fraction);
            o.phase += o.increment;
            o.amplitude *= o.decayPerFrame;
        }
        const double frame = double(n);
        double e = frame < attackFrames ? frame / attackFrames : 1.0;
        if (frame > fadeStart) e *= std::max(0.0, (fadeEnd - frame) / fadeLength);
        e *= gain;
        const std::size_t i = std::size_t(n - from);
        out[2 * i] += e * (left * sides[2] + sides[0]);
        out[2 * i + 1] += e * (right * sides[2] + sides[1]);
    }
}

// Renders block `block` of the loop (frames [block × kBlockFrames, ...) ∩ [0, total)) into out.
void renderBlock(const Score& score, std::int64_t total, std::int64_t block, double* out) {
    const std::int64_t begin = block * kBlockFrames, end = std::min(total, begin + kBlockFrames);
    for (const ScoreNote& note : score.notes) {
        const Instrument& instrument = instrumentFor(note.voice);
        const std::int64_t start = std::int64_t(std::llround(note.start * kMusicSampleRate));
        const std::int64_t length = soundingFrames(note, instrument);
        // The note as heard in this pass round the loop and, for a tail past the end, the next one.
        for (std::int64_t shift : {std::int64_t(0), total}) {
            const std::int64_t from = std::max(begin + shift, start),
                               to = std::min(end + shift, start + length);
            if (from < to)
                renderNoteSpan(note, instrument, from - start, to - start, out + 2 * (from - shift - begin));
        }
    }
}

// A light reverb of one channel (parallel damped combs, then two all-passes), run twice round the
// loop so that the tail of the end already sounds at the beginning.
class Reverb {
public:
    explicit Reverb(int spread) {
        for (int d : {1116, 1188, 1277, 1356, 1422, 1491})
            combs_.push_back(Comb{std::vector<double>(std::size_t(d + spread)), 0, 0});
        for (int d : {556, 441})
            allpasses_.push_back(Allpass{std::vector<double>(std::size_t(d + spread)), 0});
    }
    double process(double in) {
        double sum = 0;
        for (Comb& comb : combs_) {
            const double delayed = comb.line[comb.index];
            comb.filtered = delayed * (1 - kDamping) + comb.filtered * kDamping;
            comb.line[comb.index] = in + comb.filtered * kFeedback;
            if (++comb.index == comb.line.size()) comb.index = 0;
            sum += delayed;
        }
        for (Allpass& pass : allpasses_) {
            const double delayed = pass.line[pass.index];
            const double output = delayed - sum;
            pass.line[pass.index] = sum + delayed * 0.5;
            if (++pass.index == pass.line.size()) pass.index = 0;
            sum = output;
        }
        return sum;
    }

private:
    static constexpr double kFeedback = 0.8, kDamping = 0.3;
    struct Comb {
        std::vector<double> line;
        std::size_t index;
        double filtered;
    };
    struct Allpass {
        std::vector<double> line;
        std::size_t index;
    };
    std::vector<Comb> combs_;
    std::vector<Allpass> allpasses_;
};

void addReverb(std::vector<double>& mix, int side, double wet) {
    const std::size_t frames = mix.size() / 2;
    Reverb reverb(side * 23);
    std::vector<double> tail(frames);
    // Primed with the end of the loop: after a few seconds the reverb has forgotten anything older.
    const std::size_t priming = std::min(frames, std::size_t(kMusicSampleRate) * 4);
    for (std::size_t i = frames - priming; i < frames; ++i) reverb.process(mix[2 * i + side] * 0.1);
    for (std::size_t i = 0; i < frames; ++i) tail[i] = reverb.process(mix[2 * i + side] * 0.1);
    for (std::size_t i = 0; i < frames; ++i) mix[2 * i + side] += wet * tail[i];
}

}  // namespace

std::vector<float> renderScore(const Score& score, float peak, int threads) {
    const std::int64_t total = std::int64_t(std::llround(score.length * kMusicSampleRate));
    if (total <= 0) throw std::runtime_error("the score has no length");
    std::vector<double> mix(std::size_t(total) * 2, 0.0);
    const std::int64_t blocks = (total + kBlockFrames - 1) / kBlockFrames;
    std::atomic<std::int64_t> next{0};
    auto worker = [&] {
        for (std::int64_t block = next++; block < blocks; block = next++)
            renderBlock(score, total, block, mix.data() + 2 * block * kBlockFrames);
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < std::max(1, threads); ++i) pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool) thread.join();

    std::thread right([&] { addReverb(mix, 1, 0.9); });
    addReverb(mix, 0, 0.9);
    right.join();

    double loudest = 0;
    for (double v : mix) loudest = std::max(loudest, std::fabs(v));
    const double gain = loudest > 0 ? peak / loudest : 0;
    std::vector<float> out(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i) out[i] = float(mix[i] * gain);
    return out;
}

}  // namespace mediagen
