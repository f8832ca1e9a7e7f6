#include "download/NvStream.h"

#include <algorithm>
#include <utility>

#include "download/NvImage.h"
#include "printer/EscPos.h"

namespace {

template <size_t N> bool Write(ByteSink& sink, const std::array<uint8_t, N>& bytes)
{
    return sink.WriteBuffer(bytes.data(), static_cast<uint32_t>(N));
}
} // namespace

NvStreamWriter::NvStreamWriter(ByteSink& sink, Pause pause) : m_sink(sink), m_pause(std::move(pause))
{
}

void NvStreamWriter::TakePause(int ms)
{
    if (m_pause)
        m_pause(ms);
}

bool NvStreamWriter::WriteDefine(int count)
{
    return Write(m_sink, escpos::DefineNvImages(static_cast<uint8_t>(count)));
}

void NvStreamWriter::WaitForErase()
{
    TakePause(kNvEraseWaitMs);
}

bool NvStreamWriter::WriteImage(const CNvImage& image, const PieceDone& pieceDone)
{
    if (!Write(m_sink, escpos::NvImageHeader(image.m_nWidth, image.m_nHeight)))
        return false;
    const int length = std::clamp(image.m_nLength, 0, kNvRasterCapacity);
    const int fullPieces = length / kNvPieceSize;
    // The last piece is written even when it is empty, and paused after like the others.
    for (int piece = 0; piece <= fullPieces; ++piece) {
        const int bytes = piece < fullPieces ? kNvPieceSize : length % kNvPieceSize;
        m_sink.WriteBuffer(image.m_raster + piece * kNvPieceSize, static_cast<uint32_t>(bytes));
        if (pieceDone)
            pieceDone(bytes);
        TakePause(kNvPieceWaitMs);
    }
    return true;
}

int NvStreamWriter::WriteCompletion(int groups)
{
    int failed = 0;
    for (int i = 0; i < groups; ++i)
        if (!Write(m_sink, escpos::kEmptyNvImage))
            ++failed;
    return failed;
}

bool NvStreamWriter::WriteDeleteAll()
{
    return Write(m_sink, escpos::kDeleteAllNvImages);
}
