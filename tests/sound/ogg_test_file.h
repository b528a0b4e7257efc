#pragma once
// Small Ogg Vorbis files made in the test with libvorbisenc: a stereo tone of whole periods, so that
// it loops without a jump, with the left and right channels at different pitches.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <vector>

inline void appendPage(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// `frames` frames at `rate` Hz and `channels` channels (1 or 2): a sine of period 100 frames on the left
// and 50 frames on the right, at `amplitude` of full scale.
inline std::vector<std::uint8_t> makeOggTone(int frames, int rate = 44100, int channels = 2,
                                             float amplitude = 0.5f) {
    std::vector<std::uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.6f) != 0) return out;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(out, page);

    const double pi = 3.14159265358979323846;
    int written = 0;
    bool ended = false;
    while (!ended) {
        const int chunk = written < frames ? std::min(1024, frames - written) : 0;
        if (chunk > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, chunk);
            for (int i = 0; i < chunk; ++i) {
                const int n = written + i;
                buffer[0][i] = amplitude * static_cast<float>(std::sin(2 * pi * n / 100.0));
                if (channels > 1) buffer[1][i] = amplitude * static_cast<float>(std::sin(2 * pi * n / 50.0));
            }
            written += chunk;
        }
        vorbis_analysis_wrote(&dsp, chunk);  // 0 marks the end of the stream
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(out, page);
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
        if (chunk == 0) ended = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(out, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
