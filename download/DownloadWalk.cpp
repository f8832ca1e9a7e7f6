#include "download/DownloadWalk.h"

#include <utility>

CDownloadWalk::CDownloadWalk(std::vector<NvLogoJob> jobs, int threshold, int maxPrintWidth,
                             HalftoneMode halftone)
    : m_image(std::make_unique<CNvImage>()), m_writer(*this, [this](int ms) { Pause(ms); }),
      m_jobs(std::move(jobs)), m_nThreshold(threshold), m_nMaxPrintWidth(maxPrintWidth), m_halftone(halftone)
{
}

CDownloadWalk::~CDownloadWalk() = default;

bool CDownloadWalk::Start()
{
    m_nSeq = -1;
    m_nDefined = m_nBytesSent = 0;
    m_bStop = m_bError = false;
    m_arrEmptyImages.clear();
    m_nTotalBytes = 0;
    for (const NvLogoJob& job : m_jobs)
        m_nTotalBytes += job.nvSize;
    if (m_writer.WriteDefine(Count()))
        return true;
    m_bError = true;
    OnWriteFailed();
    return false;
}

void CDownloadWalk::WaitForErase()
{
    m_writer.WaitForErase();
}

CDownloadWalk::Step CDownloadWalk::NextStep()
{
    if (m_nSeq + 1 >= Count())
        return Step::Finished;
    if (m_bStop)
        return Step::Stopped;
    ++m_nDefined;
    ++m_nSeq;
    const NvLogoJob& job = m_jobs[static_cast<size_t>(m_nSeq)];
    if (!PrepareNvImage(*m_image, job.path,
                        {m_nThreshold, m_nMaxPrintWidth, job.centre, m_halftone, job.adjust}))
        m_arrEmptyImages.push_back(m_nSeq);
    m_nTotalBytes += m_image->m_nCentringBytes;
    OnImagePrepared(*m_image);
    const bool written = m_writer.WriteImage(*m_image, [this](int bytes) {
        m_nBytesSent += bytes;
        OnPieceSent(bytes);
    });
    if (!written) {
        m_bError = true;
        OnWriteFailed();
        return Step::Failed;
    }
    OnImageSent(*m_image);
    return Step::Sent;
}

bool CDownloadWalk::RunToEnd(const std::function<bool()>& stopRequested)
{
    const bool defined = Start();
    WaitForErase();
    if (!defined)
        return false;
    for (;;) {
        // Asked only while an image is still to go: a stop after the last one changes
        // nothing.
        if (m_nSeq + 1 < Count() && stopRequested && stopRequested())
            m_bStop = true;
        switch (NextStep()) {
        case Step::Sent:
            continue;
        case Step::Failed:
            return false;
        case Step::Finished:
        case Step::Stopped:
            return true;
        }
    }
}

int CDownloadWalk::CompleteStopped(int settleMs)
{
    const int failed = m_writer.WriteCompletion(CompletionGroups(Count(), m_nDefined));
    if (failed == 0)
        Pause(settleMs);
    return failed;
}

bool SendDeleteAll(ByteSink& sink)
{
    return NvStreamWriter(sink, {}).WriteDeleteAll();
}

const NvLogoJob* CDownloadWalk::Current() const
{
    return m_nSeq >= 0 && m_nSeq < Count() ? &m_jobs[static_cast<size_t>(m_nSeq)] : nullptr;
}

std::vector<StoredLogo> CDownloadWalk::SentLogos() const
{
    std::vector<StoredLogo> sent;
    for (int seq = 0; seq <= m_nSeq && seq < Count(); ++seq)
        sent.push_back(m_jobs[static_cast<size_t>(seq)].Stored());
    return sent;
}

CSinkDownload::CSinkDownload(const LogoList& list, const NvConversion& conversion, ByteSink& sink,
                             PauseFn pause)
    : CDownloadWalk(DownloadJobs(list), conversion.threshold, conversion.maxPrintWidth, conversion.halftone),
      m_sink(sink), m_pause(std::move(pause))
{
}

bool CSinkDownload::WriteBuffer(const uint8_t* buffer, uint32_t length)
{
    return m_sink.WriteBuffer(buffer, length);
}

void CSinkDownload::Pause(int ms)
{
    if (m_pause)
        m_pause(ms);
}
