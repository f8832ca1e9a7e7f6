#pragma once
// The one driver of a download: FS q n, the erase wait, one image record per step, the
// completion a stopped run owes the printer, and what the stored list of logo files
// becomes. The progress dialog and the command-line tool (and every printer of a
// many-printer run) only pace it: they say where the bytes go and how a pause is
// taken, and show what happened. The driver itself neither sleeps nor shows a window:
// what went wrong is in its members (m_bError, m_arrEmptyImages) and in its results.
//
// A run:   Start(); WaitForErase();   then NextStep() until it is no longer Sent.
//          Finished: SentLogos() is what the stored list must become.
//          Stopped (m_bStop was set between two steps): CompleteStopped(settleMs).
// An empty list is not a run: SendDeleteAll sends the stream that deletes every image.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/NvDownload.h"
#include "download/NvStream.h"
#include "printer/ByteSink.h"

class CDownloadWalk : public ByteSink {
public:
    enum class Step {
        Sent,     // one more image record went out
        Finished, // every image is out; nothing was sent
        Stopped,  // a stop was asked for; nothing was sent
        Failed,   // an image header could not be written; the failure was reported
    };

    // jobs in download order (at most 255), all converted with threshold, width and
    // halftone.
    CDownloadWalk(std::vector<NvLogoJob> jobs, int threshold, int maxPrintWidth,
                  HalftoneMode halftone = HalftoneMode::Classic);
    ~CDownloadWalk() override;
    CDownloadWalk(const CDownloadWalk&) = delete;
    CDownloadWalk& operator=(const CDownloadWalk&) = delete;

    // FS q n. False when that write failed; m_bError is set and OnWriteFailed has
    // been told. The erase wait is owed either way (the printer may have begun).
    bool Start();
    // The pause while the printer erases its NV memory.
    void WaitForErase();
    // The stop test, then the next image: read and converted again, its header, its
    // raster in pieces with their pauses.
    Step NextStep();
    // A whole run in a row, as the command line paces it: Start, the erase wait, then
    // every image. stopRequested, when given, is asked before every image still to go;
    // a true answer stops the run there (m_bStop). False when FS q n or an image header
    // could not be written.
    bool RunToEnd(const std::function<bool()>& stopRequested = {});
    // After a stop: the groups of 00 00 00 00 still owed (one more than the definitions
    // missing), each in a write of its own, then settleMs of pause. A failed group does
    // not keep the rest back; the pause is then skipped. Returns the groups that failed.
    int CompleteStopped(int settleMs);

    int Count() const { return static_cast<int>(m_jobs.size()); }
    const std::vector<NvLogoJob>& Jobs() const { return m_jobs; }
    // The job being sent (the last one begun); null before the first step.
    const NvLogoJob* Current() const;
    // The logos of the images begun, in NV number order: the stored list after a run.
    std::vector<StoredLogo> SentLogos() const;

    int32_t m_nSeq = -1;      // download-order position of the image being sent
    int32_t m_nDefined = 0;   // image records begun
    int32_t m_nBytesSent = 0; // raster bytes sent in this run, all images
    // The raster bytes of this run as known so far: the logos' NV sizes, and the centring
    // columns of every image prepared since Start.
    int64_t m_nTotalBytes = 0;
    bool m_bStop = false;              // a stop was requested: no further image starts
    bool m_bError = false;             // FS q n or an image header could not be written
    std::unique_ptr<CNvImage> m_image; // the converter (288 KB: on the heap)
    std::vector<int> m_arrEmptyImages; // download positions that went out as empty definitions

protected:
    // Where the bytes go: true when all were handed over.
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override = 0;
    // One pause of the stream (3.5 s erase wait, 10 ms after a piece, the settle time).
    virtual void Pause(int ms) = 0;
    // The image at m_nSeq was read and converted and its record is about to go.
    virtual void OnImagePrepared(const CNvImage&) {}
    // A piece of raster data went out (bytes 0 for an empty last piece).
    virtual void OnPieceSent(int) {}
    // The whole image record went out.
    virtual void OnImageSent(const CNvImage&) {}
    // FS q n or an image header could not be written (m_bError is set already).
    virtual void OnWriteFailed() {}

private:
    NvStreamWriter m_writer;
    std::vector<NvLogoJob> m_jobs;
    int m_nThreshold;
    int m_nMaxPrintWidth;
    HalftoneMode m_halftone;
};

// FS q 1 with one empty record, in one write: the printer keeps no image. False when
// the write failed.
bool SendDeleteAll(ByteSink& sink);

// The driver writing into a ByteSink and pausing as its caller says: the runs on a
// printer (jobs/DownloadJob.h), the command line's output file (no pauses), and the
// many places that want a download's bytes in memory.
class CSinkDownload : public CDownloadWalk {
public:
    using PauseFn = std::function<void(int ms)>;
    // The list's logos in download order, each with its own centring (conversion's is
    // not used); no pause at all when pause is empty.
    CSinkDownload(const LogoList& list, const NvConversion& conversion, ByteSink& sink, PauseFn pause = {});

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;
    void Pause(int ms) override;

private:
    ByteSink& m_sink;
    PauseFn m_pause;
};
