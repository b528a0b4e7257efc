// The score reader: sections, tempo, meter and pickup directives and one line of notes per voice.

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <stdexcept>

#include "mediagen/music.h"

namespace mediagen {
namespace {

// "C4", "F#5", "Bb3" → Hz, with A4 = 440. Returns false for anything else.
bool pitchFrequency(const std::string& name, float& frequency) {
    static const std::map<char, int> steps = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                              {'G', 7}, {'A', 9}, {'B', 11}};
    if (name.size() < 2) return false;
    const auto step = steps.find(name[0]);
    if (step == steps.end()) return false;
    int semitone = step->second;
    std::size_t i = 1;
    if (name[i] == '#')
        ++semitone, ++i;
    else if (name[i] == 'b')
        --semitone, ++i;
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') return false;
    const int midi = 12 * (name[i] - '0' + 1) + semitone;
    frequency = float(440.0 * std::pow(2.0, (midi - 69) / 12.0));
    return true;
}

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    std::size_t used = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size() && std::isfinite(value);
}

}  // namespace

Score parseScore(const std::string& text, const std::string& sourceName) {
    Score score;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        throw std::runtime_error(sourceName + ":" + std::to_string(lineNumber) + ": " + what);
    };
    const std::map<std::string, Voice> voices = {
        {"bell", Voice::Bell}, {"pad", Voice::Pad}, {"bass", Voice::Bass}};
    // Position of each voice within the current section, in beats; the section's start in seconds.
    std::map<Voice, double> beat;
    double sectionStart = 0, secondsPerBeat = 60.0 / 100, meter = 4, pickup = 0;
    double sectionEnd = 0;
    auto closeSection = [&] {
        for (const auto& [voice, beats] : beat)
            sectionEnd = std::max(sectionEnd, sectionStart + beats * secondsPerBeat);
        sectionStart = sectionEnd;
        beat.clear();
    };
    while (std::getline(lines, line)) {
        ++lineNumber;
        // "#" starts a comment at the start of a line or after a space; in "F#4" it is a sharp.
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
                line.erase(i);
                break;
            }
        }
        std::istringstream words(line);
        std::string head;
        if (!(words >> head)) continue;
        if (head == "section") {
            closeSection();
            pickup = 0;
            continue;
        }
        if (head == "tempo" || head == "meter" || head == "pickup") {
            std::string word;
            double value = 0;
            if (!(words >> word) || !parseNumber(word, value) || value < 0 ||
                (head != "pickup" && value <= 0))
                fail("'" + head + "' needs a positive number");
            if (!beat.empty()) fail("'" + head + "' must come before the section's notes");
            if (head == "tempo") secondsPerBeat = 60.0 / value;
            if (head == "meter") meter = value;
            if (head == "pickup") pickup = value;
            continue;
        }
        const auto voice = voices.find(head);
        if (voice == voices.end()) fail("unknown directive or voice '" + head + "'");
        double& position = beat[voice->second];
        std::string token;
        while (words >> token) {
            if (token == "|") {
                const double intoBar = std::fmod(position - pickup, meter);
                if (position < pickup || (std::fabs(intoBar) > 1e-6 && std::fabs(intoBar - meter) > 1e-6))
                    fail("bar line at beat " + std::to_string(position) + " is not on a bar line");
                continue;
            }
            const std::size_t colon = token.find(':');
            double beats = 0;
            if (colon == std::string::npos || !parseNumber(token.substr(colon + 1), beats) || beats <= 0)
                fail("'" + token + "' is not PITCH:BEATS");
            const std::string pitches = token.substr(0, colon);
            const double barPosition = std::fmod(position - pickup + meter * 64, meter);
            const float velocity = barPosition < 1e-6 ? 1.0f : 0.82f;
            if (pitches != "r") {
                std::size_t from = 0;
                while (true) {
                    const std::size_t plus = pitches.find('+', from);
                    const std::string name =
                        pitches.substr(from, plus == std::string::npos ? std::string::npos : plus - from);
                    ScoreNote note;
                    note.voice = voice->second;
                    note.start = sectionStart + position * secondsPerBeat;
                    note.duration = beats * secondsPerBeat;
                    note.velocity = velocity;
                    if (!pitchFrequency(name, note.frequency)) fail("'" + name + "' is not a pitch");
                    score.notes.push_back(note);
                    if (plus == std::string::npos) break;
                    from = plus + 1;
                }
            }
            position += beats;
        }
    }
    closeSection();
    score.length = sectionEnd;
    if (score.notes.empty()) {
        lineNumber = 0;
        fail("the score has no notes");
    }
    return score;
}

}  // namespace mediagen
