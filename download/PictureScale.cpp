#include "download/PictureScale.h"

#include <algorithm>

namespace {

// Which source pixels each scaled pixel of a run along one axis takes, and how much of
// each. Measured in units in which a source pixel is `scaled` long and a scaled pixel
// `source` long, the overlaps are whole numbers and nothing is lost to rounding.
struct AxisTaps {
    std::vector<int> first;        // per scaled pixel: its first source pixel
    std::vector<size_t> offset;    // per scaled pixel: its first weight; one more at the end
    std::vector<uint32_t> weights; // the weights of consecutive source pixels
    uint64_t total = 1;            // what the weights of one scaled pixel add up to
};

AxisTaps Taps(int source, int scaled, int from, int count)
{
    AxisTaps taps;
    taps.first.resize(static_cast<size_t>(count));
    taps.offset.resize(static_cast<size_t>(count) + 1);
    const bool grows = scaled >= source;
    taps.total = grows ? 1 : static_cast<uint64_t>(source);
    for (int i = 0; i < count; ++i) {
        const int64_t d = from + i;
        taps.offset[static_cast<size_t>(i)] = taps.weights.size();
        if (grows) {
            // Each scaled pixel repeats the source pixel it lies on.
            taps.first[static_cast<size_t>(i)] = static_cast<int>(d * source / scaled);
            taps.weights.push_back(1);
            continue;
        }
        const int64_t lo = d * source, hi = lo + source;
        int64_t s = lo / scaled;
        taps.first[static_cast<size_t>(i)] = static_cast<int>(s);
        for (; s * scaled < hi; ++s)
            taps.weights.push_back(
                static_cast<uint32_t>(std::min((s + 1) * scaled, hi) - std::max(s * scaled, lo)));
    }
    taps.offset[static_cast<size_t>(count)] = taps.weights.size();
    return taps;
}

uint32_t Channel(uint32_t pixel, int c)
{
    return (pixel >> (16 - 8 * c)) & 0xFF;
}

} // namespace

Picture ScalePicture(const Picture& source, int width, int height, PictureRegion region)
{
    const int x0 = std::max(region.x, 0), y0 = std::max(region.y, 0);
    const int x1 = std::min(region.x + region.w, width), y1 = std::min(region.y + region.h, height);
    if (source.width <= 0 || source.height <= 0 || x1 <= x0 || y1 <= y0)
        return {};
    const int w = x1 - x0, h = y1 - y0;
    const AxisTaps xs = Taps(source.width, width, x0, w);
    const AxisTaps ys = Taps(source.height, height, y0, h);
    const uint64_t total = xs.total * ys.total;

    Picture out{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * static_cast<size_t>(h))};
    std::vector<uint64_t> row(static_cast<size_t>(w) * 3); // one source row, shrunk or grown across
    std::vector<uint64_t> sums(row.size());
    int rowShown = -1;
    for (int j = 0; j < h; ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        const size_t yEnd = ys.offset[static_cast<size_t>(j) + 1];
        int sy = ys.first[static_cast<size_t>(j)];
        for (size_t t = ys.offset[static_cast<size_t>(j)]; t < yEnd; ++t, ++sy) {
            if (sy != rowShown) {
                // Across first; a row that grows down is reused by the rows below it.
                for (int i = 0; i < w; ++i) {
                    uint64_t r = 0, g = 0, b = 0;
                    int sx = xs.first[static_cast<size_t>(i)];
                    for (size_t k = xs.offset[static_cast<size_t>(i)];
                         k < xs.offset[static_cast<size_t>(i) + 1]; ++k, ++sx) {
                        const uint32_t pixel = source.At(sx, sy);
                        r += uint64_t{xs.weights[k]} * Channel(pixel, 0);
                        g += uint64_t{xs.weights[k]} * Channel(pixel, 1);
                        b += uint64_t{xs.weights[k]} * Channel(pixel, 2);
                    }
                    row[static_cast<size_t>(i) * 3] = r;
                    row[static_cast<size_t>(i) * 3 + 1] = g;
                    row[static_cast<size_t>(i) * 3 + 2] = b;
                }
                rowShown = sy;
            }
            for (size_t k = 0; k < sums.size(); ++k)
                sums[k] += ys.weights[t] * row[k];
        }
        uint32_t* line = out.pixels.data() + static_cast<size_t>(j) * static_cast<size_t>(w);
        for (int i = 0; i < w; ++i) {
            uint32_t pixel = 0xFF000000u;
            for (int c = 0; c < 3; ++c)
                pixel |= static_cast<uint32_t>(
                             (sums[static_cast<size_t>(i) * 3 + static_cast<size_t>(c)] + total / 2) / total)
                         << (16 - 8 * c);
            line[i] = pixel;
        }
    }
    return out;
}

Picture ScalePicture(const Picture& source, int width, int height)
{
    return ScalePicture(source, width, height, {0, 0, width, height});
}
