#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "sound/sound.h"

namespace {

// Rates a Vorbis encoder produces; anything else is a damaged header, and an absurd rate would make
// the frame limit meaningless.
constexpr long kLowestRate = 1000;
constexpr long kHighestRate = 384000;
// However the rates compare, never hold more than this many frames before resampling (1 GiB).
constexpr std::uint64_t kMaxSourceFrames = 1ull << 28;
// Frames decoded at a time into a vector that grows.
constexpr std::uint64_t kPieceFrames = 4096;

// vorbisfile reads through these callbacks, so the file never needs to leave memory.
struct MemoryStream {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

std::size_t readStream(void* buffer, std::size_t elementSize, std::size_t count, void* source) {
    auto* stream = static_cast<MemoryStream*>(source);
    if (elementSize == 0 || count == 0) return 0;
    const std::size_t available = stream->size - stream->position;
    const std::size_t elements = std::min(count, available / elementSize);
    std::memcpy(buffer, stream->data + stream->position, elements * elementSize);
    stream->position += elements * elementSize;
    return elements;
}

int seekStream(void* source, ogg_int64_t offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(source);
    ogg_int64_t base = 0;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<ogg_int64_t>(stream->position);
            break;
        case SEEK_END:
            base = static_cast<ogg_int64_t>(stream->size);
            break;
        default:
            return -1;
    }
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(stream->size)) return -1;
    stream->position = static_cast<std::size_t>(target);
    return 0;
}

long tellStream(void* source) { return static_cast<long>(static_cast<MemoryStream*>(source)->position); }

std::int16_t toSample(float value) {
    const float scaled = std::nearbyint(value * 32767.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

// Linear interpolation between neighbouring frames; the last frame holds to the end.
std::vector<std::int16_t> resampleStereo(const std::vector<std::int16_t>& in, long fromRate, int toRate,
                                         std::uint32_t maxFrames) {
    const std::size_t inFrames = in.size() / 2;
    std::vector<std::int16_t> out;
    if (inFrames == 0) return out;
    const double step = static_cast<double>(fromRate) / toRate;
    const std::size_t outFrames =
        std::min<std::size_t>(maxFrames, static_cast<std::size_t>(std::floor(inFrames / step)));
    out.resize(outFrames * 2);
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double at = i * step;
        const std::size_t left = std::min(static_cast<std::size_t>(at), inFrames - 1);
        const std::size_t right = std::min(left + 1, inFrames - 1);
        const double t = at - static_cast<double>(left);
        for (int c = 0; c < 2; ++c) {
            const double v = in[left * 2 + c] * (1.0 - t) + in[right * 2 + c] * t;
            out[i * 2 + c] = static_cast<std::int16_t>(std::lround(v));
        }
    }
    return out;
}

// An Ogg Vorbis file held in memory, opened with its rate checked.
class OpenVorbis {
public:
    OpenVorbis(const void* data, std::uint32_t length)
        : stream_{static_cast<const unsigned char*>(data), length, 0} {
        if (data == nullptr || length == 0) return;
        const ov_callbacks callbacks{&readStream, &seekStream, nullptr, &tellStream};
        if (ov_open_callbacks(&stream_, &file_, nullptr, 0, callbacks) != 0) return;
        open_ = true;
        const vorbis_info* info = ov_info(&file_, -1);
        rate_ = info != nullptr ? info->rate : 0;
    }
    ~OpenVorbis() {
        if (open_) ov_clear(&file_);
    }
    OpenVorbis(const OpenVorbis&) = delete;
    OpenVorbis& operator=(const OpenVorbis&) = delete;

    // Open, with a rate an encoder produces.
    bool usable() const { return open_ && rate_ >= kLowestRate && rate_ <= kHighestRate; }
    long rate() const { return rate_; }
    // The frame count the stream declares (a damaged file may declare anything), or -1.
    long long declaredFrames() { return open_ ? static_cast<long long>(ov_pcm_total(&file_, -1)) : -1; }

    // Decodes up to `limit` frames as 16-bit stereo into `out` (room for limit × 2 values). Returns
    // the frames written; `failed` tells a damaged stream from its end.
    std::uint64_t decodeInto(std::int16_t* out, std::uint64_t limit, bool& failed) {
        failed = false;
        std::uint64_t frames = 0;
        while (frames < limit) {
            float** channels = nullptr;
            int link = 0;
            // Never more than the room left, so that no decoded frame is dropped between two calls.
            const int wanted = static_cast<int>(std::min<std::uint64_t>(1024, limit - frames));
            const long got = ov_read_float(&file_, &channels, wanted, &link);
            if (got == 0) break;
            if (got == OV_HOLE) continue;  // a gap in the stream: the rest still plays
            if (got < 0) {
                failed = true;
                break;
            }
            const vorbis_info* linkInfo = ov_info(&file_, link);
            const int channelCount = linkInfo != nullptr ? linkInfo->channels : 0;
            if (channelCount <= 0) {
                failed = true;
                break;
            }
            const long keep = static_cast<long>(std::min<std::uint64_t>(got, limit - frames));
            std::int16_t* target = out + frames * 2;
            for (long i = 0; i < keep; ++i) {
                const float leftValue = channels[0][i];
                const float rightValue = channelCount > 1 ? channels[1][i] : leftValue;
                target[i * 2] = toSample(leftValue);
                target[i * 2 + 1] = toSample(rightValue);
            }
            frames += static_cast<std::uint64_t>(keep);
        }
        return frames;
    }
    // Back to the first frame.
    bool rewind() { return open_ && ov_pcm_seek(&file_, 0) == 0; }

private:
    MemoryStream stream_;
    OggVorbis_File file_{};
    bool open_ = false;
    long rate_ = 0;
};

}  // namespace

bool decodeVorbisFromMemory(const void* data, std::uint32_t length, int sampleRate, std::uint32_t maxFrames,
                            std::vector<std::int16_t>& out) {
    out.clear();
    if (sampleRate <= 0) return false;
    OpenVorbis vorbis(data, length);
    if (!vorbis.usable()) return false;
    const long rate = vorbis.rate();
    // Frames to keep at the file's own rate so that the result stays within maxFrames.
    const double rateRatio = static_cast<double>(rate) / sampleRate;
    const std::uint64_t sourceLimit = static_cast<std::uint64_t>(std::ceil(maxFrames * rateRatio)) + 1;
    if (sourceLimit > static_cast<std::uint64_t>(kMaxSourceFrames)) return false;

    const long long declared = vorbis.declaredFrames();
    if (declared > 0)
        out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(declared, sourceLimit)) * 2);
    std::int16_t piece[kPieceFrames * 2];
    std::uint64_t frames = 0;
    bool failed = false;
    while (frames < sourceLimit) {
        const std::uint64_t got =
            vorbis.decodeInto(piece, std::min<std::uint64_t>(kPieceFrames, sourceLimit - frames), failed);
        out.insert(out.end(), piece, piece + got * 2);
        frames += got;
        if (failed || got == 0) break;
    }

    if (failed && out.empty()) return false;
    if (rate != sampleRate)
        out = resampleStereo(out, rate, sampleRate, maxFrames);
    else if (out.size() / 2 > maxFrames)
        out.resize(static_cast<std::size_t>(maxFrames) * 2);
    if (out.empty()) return false;
    return true;
}

struct VorbisStream::Decoder {
    Decoder(const void* data, std::uint32_t length) : vorbis(data, length) {}
    OpenVorbis vorbis;
};

VorbisStream::VorbisStream() = default;
VorbisStream::~VorbisStream() = default;

bool VorbisStream::open(const void* data, std::uint32_t length, int sampleRate) {
    decoder_ = std::make_unique<Decoder>(data, length);
    // A first piece must decode, as a file decoded whole must give at least one frame.
    std::int16_t first[2 * 64];
    bool failed = false;
    if (!decoder_->vorbis.usable() || decoder_->vorbis.rate() != sampleRate ||
        decoder_->vorbis.decodeInto(first, 64, failed) == 0 || !decoder_->vorbis.rewind()) {
        decoder_.reset();
        return false;
    }
    return true;
}

std::uint32_t VorbisStream::read(std::int16_t* out, std::uint32_t frames) {
    if (!decoder_) return 0;
    bool failed = false;
    return static_cast<std::uint32_t>(decoder_->vorbis.decodeInto(out, frames, failed));
}

bool VorbisStream::rewind() { return decoder_ && decoder_->vorbis.rewind(); }
