#pragma once
// The background music: a plain-text score (content/music/score.txt) rendered by the generator's own
// instruments and encoded as Ogg Vorbis.
//
//   parseScore     the score's text into timed notes
//   renderScore    the notes into looping 44.1 kHz stereo samples
//   encodeVorbis   samples into an Ogg Vorbis file
//   makeMusic      main/Music/music.ogg from the score

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "mediagen/media_tree.h"

namespace mediagen {

enum class Voice { Bell, Pad, Bass };

struct ScoreNote {
    Voice voice = Voice::Bell;
    double start = 0;     // seconds from the beginning of the piece
    double duration = 0;  // seconds as written
    float frequency = 0;  // Hz
    float velocity = 1;   // 0..1; notes on the first beat of a bar are played a little stronger
};

struct Score {
    std::vector<ScoreNote> notes;  // in the order written
    double length = 0;             // seconds; the piece loops after this
};

// Parses a score (the format is described at the top of content/music/score.txt). Throws
// std::runtime_error naming `sourceName` and the line for an unknown directive or voice, a bad
// pitch or duration, a bar line off the bar, or a piece without notes.
Score parseScore(const std::string& text, const std::string& sourceName);

constexpr int kMusicSampleRate = 44100;

// Renders the score as interleaved stereo floats, exactly length × 44100 frames. The piece is
// treated as a loop: whatever rings past the end (bell tails, reverb) sounds over the beginning, so
// the last frame runs into the first without a step. Peaks are scaled to `peak` (linear, < 1).
// `threads` only divides the work: the result is the same for any count.
std::vector<float> renderScore(const Score& score, float peak, int threads);

// Encodes interleaved stereo floats at 44.1 kHz as Ogg Vorbis at the given quality (−0.1 … 1) with a
// fixed stream serial number, so equal samples give equal bytes. Throws std::runtime_error when the
// encoder refuses the settings.
Bytes encodeVorbis(const std::vector<float>& stereo, float quality);

// Reads <contentDir>/music/score.txt, renders and encodes it into main/Music/music.ogg. A content
// folder without a score gives no music (the screensaver then runs silent) and false; an unreadable
// or malformed score throws std::runtime_error.
bool makeMusic(MediaTree& tree, const std::string& contentDir);

}  // namespace mediagen
