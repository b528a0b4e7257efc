// The music file: the score rendered and encoded as Ogg Vorbis.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <vorbis/vorbisenc.h>

#include "mediagen/music.h"

namespace mediagen {
namespace {

// Peaks after rendering; Vorbis overshoots a little, and the decoded file must stay below −1 dBFS.
constexpr float kRenderPeak = 0.70f;  // about −3.1 dBFS
constexpr float kVorbisQuality = 0.3f;
constexpr int kStreamSerial = 0x476c6d72;  // fixed, so that equal samples give equal bytes

void appendPage(Bytes& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// The encoder's state, released on every way out.
struct VorbisEncoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool dspReady = false;

    VorbisEncoder() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~VorbisEncoder() {
        if (dspReady) {
            ogg_stream_clear(&stream);
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
};

}  // namespace

Bytes encodeVorbis(const std::vector<float>& stereo, float quality) {
    VorbisEncoder encoder;
    if (vorbis_encode_init_vbr(&encoder.info, 2, kMusicSampleRate, quality) != 0)
        throw std::runtime_error("the Vorbis encoder refuses quality " + std::to_string(quality));
    vorbis_comment_add_tag(&encoder.comment, "TITLE", "Glimmerdale");
    vorbis_analysis_init(&encoder.dsp, &encoder.info);
    vorbis_block_init(&encoder.dsp, &encoder.block);
    ogg_stream_init(&encoder.stream, kStreamSerial);
    encoder.dspReady = true;

    Bytes out;
    ogg_packet header, commentHeader, codebooks;
    vorbis_analysis_headerout(&encoder.dsp, &encoder.comment, &header, &commentHeader, &codebooks);
    ogg_stream_packetin(&encoder.stream, &header);
    ogg_stream_packetin(&encoder.stream, &commentHeader);
    ogg_stream_packetin(&encoder.stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&encoder.stream, &page) != 0) appendPage(out, page);

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&encoder.dsp, &encoder.block) == 1) {
            vorbis_analysis(&encoder.block, nullptr);
            vorbis_bitrate_addblock(&encoder.block);
            while (vorbis_bitrate_flushpacket(&encoder.dsp, &packet) != 0) {
                ogg_stream_packetin(&encoder.stream, &packet);
                while (ogg_stream_pageout(&encoder.stream, &page) != 0) appendPage(out, page);
            }
        }
    };
    const std::size_t frames = stereo.size() / 2;
    constexpr std::size_t kChunk = 4096;
    for (std::size_t first = 0; first < frames; first += kChunk) {
        const std::size_t count = std::min(kChunk, frames - first);
        float** buffer = vorbis_analysis_buffer(&encoder.dsp, int(count));
        for (std::size_t i = 0; i < count; ++i) {
            buffer[0][i] = stereo[2 * (first + i)];
            buffer[1][i] = stereo[2 * (first + i) + 1];
        }
        vorbis_analysis_wrote(&encoder.dsp, int(count));
        drain();
    }
    vorbis_analysis_wrote(&encoder.dsp, 0);
    drain();
    while (ogg_stream_flush(&encoder.stream, &page) != 0) appendPage(out, page);
    return out;
}

bool makeMusic(MediaTree& tree, const std::string& contentDir) {
    const std::string path = contentDir + "/music/score.txt";
    if (!std::filesystem::exists(path)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    const Score score = parseScore(text.str(), path);
    const int threads = int(std::max(1u, std::min(4u, std::thread::hardware_concurrency())));
    tree.write(Archive::Main, "Music/music.ogg",
               encodeVorbis(renderScore(score, kRenderPeak, threads), kVorbisQuality));
    return true;
}

}  // namespace mediagen
