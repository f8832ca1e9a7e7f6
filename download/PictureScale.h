#pragma once
// Pictures as the preview shows them, and their scaling to the size they are drawn at.
// Scaling keeps what the eye sees: an axis that shrinks averages the pixels falling on
// one screen pixel, each weighted by how much of it falls there, so fine dots become
// their grey instead of vanishing into black or white; an axis that grows repeats each
// pixel, so at a whole multiple every pixel (every printed dot) becomes an equal block.
// Plain functions on values; any thread.
#include <cstddef>
#include <cstdint>
#include <vector>

// 0xFFRRGGBB per pixel, rows top to bottom, no padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    size_t Bytes() const { return pixels.size() * sizeof(uint32_t); }
    bool operator==(const Picture&) const = default;
};

// A part of a scaled picture: the scaled picture's pixels x..x+w-1, y..y+h-1.
struct PictureRegion {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// The region of source scaled to width x height. The region is clipped to the scaled
// picture; an empty picture when nothing remains of it or source is empty. Throws
// std::bad_alloc when memory runs out.
Picture ScalePicture(const Picture& source, int width, int height, PictureRegion region);
// The whole of source scaled to width x height.
Picture ScalePicture(const Picture& source, int width, int height);
