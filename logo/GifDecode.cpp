#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <new>
#include <vector>

#include "logo/ImageDecoders.h"

namespace {

struct Source {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

int ReadFromSource(GifFileType* gif, GifByteType* to, int count)
{
    auto* source = static_cast<Source*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), source->size - source->at);
    std::memcpy(to, source->data + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

struct GifClose {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using Gif = std::unique_ptr<GifFileType, GifClose>;

Gif Open(Source& source, int& error)
{
    return Gif(DGifOpen(&source, ReadFromSource, &error));
}

// giflib names several errors after what it could not find; when the input ran out
// first, the file is simply cut short.
std::string Reason(int error, const Source& source)
{
    if (error == D_GIF_ERR_READ_FAILED || error == D_GIF_ERR_EOF_TOO_SOON || source.at >= source.size)
        return "truncated GIF";
    const char* text = GifErrorString(error);
    return std::string("corrupted GIF (") + (text ? text : "unknown error") + ")";
}

// The logical screen; files that leave it 0 get the first frame's extent.
void ScreenSize(const GifFileType* gif, int64_t& width, int64_t& height)
{
    const GifImageDesc& frame = gif->Image;
    width = gif->SWidth > 0 ? gif->SWidth : int64_t{frame.Left} + frame.Width;
    height = gif->SHeight > 0 ? gif->SHeight : int64_t{frame.Top} + frame.Height;
}

// Reads records up to the first image descriptor, noting the transparent index of a
// graphic control extension on the way. False at the end of the file or on an error.
bool SeekFirstFrame(GifFileType* gif, int& transparent)
{
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type == TERMINATE_RECORD_TYPE) {
            gif->Error = D_GIF_ERR_NO_IMAG_DSCR;
            return false;
        }
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb{};
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                return false;
        }
    }
}

// Frame row i of an interlaced frame is picture row InterlacedRow(i): the four passes
// take every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
int InterlacedRow(int i, int height)
{
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (i < rows)
            return kStart[pass] + i * kStep[pass];
        i -= rows;
    }
    return height; // not reached for i < height
}

void PutRow(DecodedImage& image, const GifImageDesc& frame, int y, const std::vector<GifByteType>& line,
            const ColorMapObject* map, int transparent)
{
    const int64_t top = int64_t{frame.Top} + y;
    if (top < 0 || top >= image.height)
        return;
    for (int x = 0; x < frame.Width; ++x) {
        const int64_t left = int64_t{frame.Left} + x;
        if (left >= image.width)
            break;
        uint8_t* p =
            image.pixels.data() +
            (static_cast<size_t>(top) * static_cast<size_t>(image.width) + static_cast<size_t>(left)) * 4;
        const int index = line[static_cast<size_t>(x)];
        if (index == transparent)
            continue; // stays alpha 0
        if (index < map->ColorCount) {
            p[0] = map->Colors[index].Red;
            p[1] = map->Colors[index].Green;
            p[2] = map->Colors[index].Blue;
        } else {
            p[0] = p[1] = p[2] = 0; // an index past the table's end is black
        }
        p[3] = 255;
    }
}

} // namespace

bool ReadGifSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height)
{
    Source source{data, size};
    int error = 0;
    Gif gif = Open(source, error);
    int transparent = 0;
    if (!gif || !SeekFirstFrame(gif.get(), transparent))
        return false;
    int64_t w = 0, h = 0;
    ScreenSize(gif.get(), w, h);
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return w > 0 && h > 0;
}

bool DecodeGif(const uint8_t* data, size_t size, DecodedImage& image, std::string& why, int64_t maxNvBytes)
{
    Source source{data, size};
    int error = 0;
    Gif gif = Open(source, error);
    if (!gif) {
        why = Reason(error, source);
        return false;
    }
    int transparent = 0;
    if (!SeekFirstFrame(gif.get(), transparent)) {
        why = gif->Error == D_GIF_ERR_NO_IMAG_DSCR ? std::string("GIF file holds no picture")
                                                   : Reason(gif->Error, source);
        return false;
    }
    const GifImageDesc frame = gif->Image;
    int64_t width = 0, height = 0;
    ScreenSize(gif.get(), width, height);
    // The frame is read whole even where the screen clips it, so it is bounded too.
    if (!CheckDecodeSize("GIF", width, height, maxNvBytes, why) ||
        !CheckDecodeSize("GIF", frame.Width, frame.Height, maxNvBytes, why))
        return false;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map) {
        why = "GIF file has no colour table";
        return false;
    }
    DecodedImage result;
    result.width = static_cast<int32_t>(width);
    result.height = static_cast<int32_t>(height);
    result.layout = PixelLayout::Rgba;
    std::vector<GifByteType> line;
    try {
        result.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
        line.resize(static_cast<size_t>(frame.Width));
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    for (int i = 0; i < frame.Height; ++i) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) != GIF_OK) {
            why = Reason(gif->Error, source);
            return false;
        }
        PutRow(result, frame, frame.Interlace ? InterlacedRow(i, frame.Height) : i, line, map, transparent);
    }
    image = std::move(result);
    return true;
}
