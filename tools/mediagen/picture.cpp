#include "mediagen/picture.h"

#include <algorithm>
#include <cmath>

namespace mediagen {

Color hexColor(std::uint32_t rgb, float alpha) {
    return Color{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

Color mix(Color from, Color to, float t) {
    return Color{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
                 from.a + (to.a - from.a) * t};
}

Color withAlpha(Color c, float alpha) { return Color{c.r, c.g, c.b, alpha}; }
Color scaled(Color c, float factor) { return Color{c.r * factor, c.g * factor, c.b * factor, c.a}; }

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Picture::Picture(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(std::size_t(width) * height, fill) {}

void Picture::blend(int x, int y, Color c, float coverage) {
    if (!contains(x, y)) return;
    const float sa = clamp01(c.a * coverage);
    if (sa <= 0) return;
    Color& d = at(x, y);
    const float outA = sa + d.a * (1 - sa);
    if (outA <= 0) return;
    const float keep = d.a * (1 - sa);
    d.r = (c.r * sa + d.r * keep) / outA;
    d.g = (c.g * sa + d.g * keep) / outA;
    d.b = (c.b * sa + d.b * keep) / outA;
    d.a = outA;
}

void Picture::addLight(int x, int y, Color c, float amount) {
    if (!contains(x, y)) return;
    Color& d = at(x, y);
    const float k = c.a * amount;
    d.r += c.r * k;
    d.g += c.g * k;
    d.b += c.b * k;
}

Color Picture::sample(float x, float y) const {
    const float fx = std::clamp(x - 0.5f, 0.0f, float(width_ - 1));
    const float fy = std::clamp(y - 0.5f, 0.0f, float(height_ - 1));
    const int x0 = int(fx), y0 = int(fy);
    const int x1 = std::min(x0 + 1, width_ - 1), y1 = std::min(y0 + 1, height_ - 1);
    const float tx = fx - x0, ty = fy - y0;
    return mix(mix(at(x0, y0), at(x1, y0), tx), mix(at(x0, y1), at(x1, y1), tx), ty);
}

pictures::Image Picture::toImage() const {
    pictures::Image image(width_, height_);
    auto toByte = [](float v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0f)); };
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
        const Color& c = pixels_[i];
        image.pixels[i] = pictures::Rgba{toByte(c.r), toByte(c.g), toByte(c.b), toByte(c.a)};
    }
    return image;
}

Picture Picture::fromImage(const pictures::Image& image) {
    Picture picture(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const pictures::Rgba p = image.at(x, y);
            picture.at(x, y) = Color{p.r / 255.0f, p.g / 255.0f, p.b / 255.0f, p.a / 255.0f};
        }
    return picture;
}

void fillVerticalGradient(Picture& picture, const std::vector<std::pair<float, Color>>& stops) {
    if (stops.empty()) return;
    for (int y = 0; y < picture.height(); ++y) {
        const float t = picture.height() > 1 ? float(y) / float(picture.height() - 1) : 0.0f;
        Color c = stops.front().second;
        for (std::size_t i = 1; i < stops.size(); ++i) {
            if (t <= stops[i].first) {
                const float span = stops[i].first - stops[i - 1].first;
                const float local = span > 0 ? (t - stops[i - 1].first) / span : 1.0f;
                c = mix(stops[i - 1].second, stops[i].second, smoothstep(0, 1, clamp01(local)));
                break;
            }
            c = stops[i].second;
        }
        for (int x = 0; x < picture.width(); ++x) picture.at(x, y) = c;
    }
}

void addGlow(Picture& picture, float cx, float cy, float radius, Color color, float strength, float falloff) {
    const int x0 = std::max(0, int(cx - radius)), x1 = std::min(picture.width() - 1, int(cx + radius) + 1);
    const int y0 = std::max(0, int(cy - radius)), y1 = std::min(picture.height() - 1, int(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
            if (d >= 1) continue;
            picture.addLight(x, y, color, strength * std::pow(1 - d, falloff));
        }
}

void fillDisc(Picture& picture, float cx, float cy, float radius, Color color) {
    const int x0 = std::max(0, int(cx - radius - 1)),
              x1 = std::min(picture.width() - 1, int(cx + radius + 1));
    const int y0 = std::max(0, int(cy - radius - 1)),
              y1 = std::min(picture.height() - 1, int(cy + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            picture.blend(x, y, color, clamp01(radius - d + 0.5f));
        }
}

void fillPolygon(Picture& picture, const std::vector<std::pair<float, float>>& points, Color color) {
    if (points.size() < 3) return;
    float minY = points[0].second, maxY = minY;
    for (const auto& p : points) {
        minY = std::min(minY, p.second);
        maxY = std::max(maxY, p.second);
    }
    const int y0 = std::max(0, int(std::floor(minY))),
              y1 = std::min(picture.height() - 1, int(std::ceil(maxY)));
    constexpr int kSubRows = 4;
    std::vector<float> coverage(picture.width() + 1);
    std::vector<float> crossings;
    for (int y = y0; y <= y1; ++y) {
        std::fill(coverage.begin(), coverage.end(), 0.0f);
        int first = picture.width(), last = -1;
        for (int sub = 0; sub < kSubRows; ++sub) {
            // Even-odd spans of this sub-row, each adding exact horizontal coverage.
            const float py = y + (sub + 0.5f) / kSubRows;
            crossings.clear();
            for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                const auto& a = points[i];
                const auto& b = points[j];
                if ((a.second > py) != (b.second > py))
                    crossings.push_back((b.first - a.first) * (py - a.second) / (b.second - a.second) +
                                        a.first);
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
                const float xa = std::max(0.0f, crossings[k]);
                const float xb = std::min(float(picture.width()), crossings[k + 1]);
                if (xb <= xa) continue;
                const int ia = int(xa), ib = int(xb);
                first = std::min(first, ia);
                last = std::max(last, std::min(ib, picture.width() - 1));
                if (ia == ib) {
                    coverage[ia] += (xb - xa) / kSubRows;
                    continue;
                }
                coverage[ia] += (ia + 1 - xa) / kSubRows;
                for (int x = ia + 1; x < ib; ++x) coverage[x] += 1.0f / kSubRows;
                coverage[ib] += (xb - ib) / kSubRows;
            }
        }
        for (int x = first; x <= last; ++x)
            if (coverage[x] > 0) picture.blend(x, y, color, std::min(1.0f, coverage[x]));
    }
}

void fillRect(Picture& picture, float x0, float y0, float x1, float y1, Color color) {
    const int ix0 = std::max(0, int(std::floor(x0))), ix1 = std::min(picture.width() - 1, int(std::ceil(x1)));
    const int iy0 = std::max(0, int(std::floor(y0))),
              iy1 = std::min(picture.height() - 1, int(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
        const float cy = clamp01(std::min(float(y + 1), y1) - std::max(float(y), y0));
        for (int x = ix0; x <= ix1; ++x) {
            const float cx = clamp01(std::min(float(x + 1), x1) - std::max(float(x), x0));
            if (cx * cy > 0) picture.blend(x, y, color, cx * cy);
        }
    }
}

void drawLine(Picture& picture, float x0, float y0, float x1, float y1, float width, Color color) {
    const float half = width / 2;
    const int bx0 = std::max(0, int(std::min(x0, x1) - half - 1)),
              bx1 = std::min(picture.width() - 1, int(std::max(x0, x1) + half + 1));
    const int by0 = std::max(0, int(std::min(y0, y1) - half - 1)),
              by1 = std::min(picture.height() - 1, int(std::max(y0, y1) + half + 1));
    const float dx = x1 - x0, dy = y1 - y0;
    const float length2 = dx * dx + dy * dy;
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = length2 > 0 ? clamp01((px * dx + py * dy) / length2) : 0.0f;
            const float d = std::hypot(px - t * dx, py - t * dy);
            picture.blend(x, y, color, clamp01(half - d + 0.5f));
        }
}

void paintMask(Picture& picture, const Mask& mask, int left, int top, Color color) {
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const float m = mask.at(x, y);
            if (m > 0) picture.blend(left + x, top + y, color, m);
        }
}

void paintMaskGradient(Picture& picture, const Mask& mask, int left, int top, Color topColor,
                       Color bottomColor, int y0, int y1) {
    for (int y = 0; y < mask.height; ++y) {
        const float t = y1 > y0 ? clamp01(float(y - y0) / float(y1 - y0)) : 0.0f;
        const Color c = mix(topColor, bottomColor, t);
        for (int x = 0; x < mask.width; ++x) {
            const float m = mask.at(x, y);
            if (m > 0) picture.blend(left + x, top + y, c, m);
        }
    }
}

void drawPicture(Picture& picture, const Picture& source, int left, int top) {
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) picture.blend(left + x, top + y, source.at(x, y));
}

Picture resized(const Picture& source, int width, int height) {
    Picture out(width, height);
    const float sx = float(source.width()) / width, sy = float(source.height()) / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (sx <= 1 && sy <= 1) {
                out.at(x, y) = source.sample((x + 0.5f) * sx, (y + 0.5f) * sy);
                continue;
            }
            // Box filter over the source footprint, alpha-weighted so transparent pixels do not darken.
            const int fx0 = int(x * sx), fx1 = std::max(fx0 + 1, int((x + 1) * sx));
            const int fy0 = int(y * sy), fy1 = std::max(fy0 + 1, int((y + 1) * sy));
            Color sum{0, 0, 0, 0};
            int n = 0;
            for (int v = fy0; v < fy1 && v < source.height(); ++v)
                for (int u = fx0; u < fx1 && u < source.width(); ++u) {
                    const Color& c = source.at(u, v);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                    ++n;
                }
            if (n == 0) continue;
            out.at(x, y) =
                sum.a > 0 ? Color{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n} : Color{0, 0, 0, 0};
        }
    return out;
}

Mask dilated(const Mask& mask, float radius) {
    Mask out(mask.width, mask.height);
    const int r = int(std::ceil(radius));
    std::vector<std::pair<std::pair<int, int>, float>> pen;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const float weight = clamp01(radius + 0.5f - std::hypot(float(dx), float(dy)));
            if (weight > 0) pen.push_back({{dx, dy}, weight});
        }
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float best = 0;
            for (const auto& [offset, weight] : pen) {
                const float v = mask.get(x + offset.first, y + offset.second) * weight;
                if (v > best) best = v;
            }
            out.at(x, y) = best;
        }
    return out;
}

namespace {

// One running-sum box pass over count values spaced by stride.
void boxPass(float* data, int count, int stride, int radius, std::vector<float>& scratch) {
    scratch.resize(count);
    for (int i = 0; i < count; ++i) scratch[i] = data[std::size_t(i) * stride];
    const float scale = 1.0f / float(2 * radius + 1);
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) sum += scratch[std::clamp(i, 0, count - 1)];
    for (int i = 0; i < count; ++i) {
        data[std::size_t(i) * stride] = sum * scale;
        sum +=
            scratch[std::clamp(i + radius + 1, 0, count - 1)] - scratch[std::clamp(i - radius, 0, count - 1)];
    }
}

void blurChannel(float* data, int width, int height, int channelStride, float radius) {
    const int box = std::max(1, int(std::lround(radius / 1.7f)));
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y)
            boxPass(data + std::size_t(y) * width * channelStride, width, channelStride, box, scratch);
        for (int x = 0; x < width; ++x)
            boxPass(data + std::size_t(x) * channelStride, height, width * channelStride, box, scratch);
    }
}

}  // namespace

void blurMask(Mask& mask, float radius) {
    if (radius <= 0 || mask.values.empty()) return;
    blurChannel(mask.values.data(), mask.width, mask.height, 1, radius);
}

void blurPicture(Picture& picture, float radius) {
    if (radius <= 0 || picture.width() == 0) return;
    float* base = &picture.at(0, 0).r;
    for (int channel = 0; channel < 4; ++channel)
        blurChannel(base + channel, picture.width(), picture.height(), 4, radius);
}

Mask padded(const Mask& mask, int margin) {
    Mask out(mask.width + 2 * margin, mask.height + 2 * margin);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) out.at(x + margin, y + margin) = mask.at(x, y);
    return out;
}

Random::Random(std::uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {
    next();
}

std::uint32_t Random::next() {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::uint32_t shifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const std::uint32_t rotation = static_cast<std::uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
}

float Random::uniform() { return (next() >> 8) * (1.0f / 16777216.0f); }
float Random::uniform(float low, float high) { return low + (high - low) * uniform(); }
int Random::below(int n) { return n <= 0 ? 0 : int(next() % std::uint32_t(n)); }

float ValueNoise::lattice(int x, int y) const {
    std::uint32_t h = seed_ * 0x9E3779B9u ^ std::uint32_t(x) * 0x85EBCA6Bu ^ std::uint32_t(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / float(0xFFFFFF);
}

float ValueNoise::at(float x, float y, int wrap) const {
    const float fx = std::floor(x), fy = std::floor(y);
    int x0 = int(fx), y0 = int(fy);
    int x1 = x0 + 1, y1 = y0 + 1;
    if (wrap > 0) {
        auto w = [wrap](int v) { return ((v % wrap) + wrap) % wrap; };
        x0 = w(x0), x1 = w(x1), y0 = w(y0), y1 = w(y1);
    }
    const float tx = x - fx, ty = y - fy;
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float top = lattice(x0, y0) + (lattice(x1, y0) - lattice(x0, y0)) * sx;
    const float bottom = lattice(x0, y1) + (lattice(x1, y1) - lattice(x0, y1)) * sx;
    return top + (bottom - top) * sy;
}

float ValueNoise::fractal(float x, float y, int octaves, float persistence, int wrap) const {
    float sum = 0, amplitude = 1, total = 0, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(seed_ + std::uint32_t(i) * 101u)
                               .at(x * frequency, y * frequency, wrap > 0 ? int(wrap * frequency) : 0);
        total += amplitude;
        amplitude *= persistence;
        frequency *= 2;
    }
    return total > 0 ? sum / total : 0.0f;
}

}  // namespace mediagen
