#pragma once
// Writes the FS q stream that defines the printer's NV bit images, in the pieces and
// with the pauses the printer needs. The download driver (DownloadWalk.h) is its one
// user in a run; it hands in how a pause is taken, so the writer itself never sleeps.
//
// Every piece is one write through the sink, so the write boundaries on the wire are
// those of the steps below.
#include <cstdint>
#include <functional>

#include "printer/ByteSink.h"

class CNvImage;

inline constexpr int kNvPieceSize = 512;    // raster bytes per write
inline constexpr int kNvPieceWaitMs = 10;   // after every piece, the last (even empty) one too
inline constexpr int kNvEraseWaitMs = 3500; // after FS q n: the printer erases its NV memory

class NvStreamWriter {
public:
    // Takes a pause of the given milliseconds; none at all when empty (an output file
    // written by the command-line tool).
    using Pause = std::function<void(int ms)>;
    NvStreamWriter(ByteSink& sink, Pause pause);

    // FS q n, n being count taken as one byte. No pause: call WaitForErase next (after
    // reporting a failure, if any; the wait is owed either way). False when the write
    // failed; nothing is shown, the caller reports it.
    bool WriteDefine(int count);
    void WaitForErase();

    // Called after each piece of raster data went out, with the bytes of that piece
    // (0 for an empty last piece), before the pause that follows it.
    using PieceDone = std::function<void(int bytes)>;
    // One image record: the 4-byte header from the image's width and height, then its
    // first m_nLength raster bytes in pieces of 512 and a last piece with the rest
    // (empty when the length is a multiple of 512), each piece followed by a 10 ms
    // pause. An image that could not be loaded has size 0 and goes out as the empty
    // definition 00 00 00 00 plus an empty piece. False when the header write failed:
    // then nothing else is sent. Failed piece writes go unnoticed, as on the printer
    // line nothing could be done about them halfway through an image.
    bool WriteImage(const CNvImage& image, const PieceDone& pieceDone = {});

    // After a cancelled download: groups of 00 00 00 00, each in a write of its own. A
    // failed group does not keep the rest back. Returns how many groups failed.
    int WriteCompletion(int groups);

    // FS q 1 with one empty record, in one write: the printer keeps no image. False
    // when the write failed.
    bool WriteDeleteAll();

private:
    void TakePause(int ms);

    ByteSink& m_sink;
    Pause m_pause;
};

// The completion groups a download owes after a cancel: one more than the image
// definitions still missing (count n of FS q, started images d).
inline int CompletionGroups(int count, int started)
{
    return count - started + 1;
}
