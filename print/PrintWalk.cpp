#include "print/PrintWalk.h"

#include <algorithm>

#include "platform/Text.h"
#include "printer/EscPos.h"

namespace {

constexpr int kProgressLimit = 0xFFFF;

} // namespace

std::string PrintHeaderLine(int number)
{
    return Format("--- Logo %d ---\n", number);
}

std::string PrintStatusText(int printed, int of)
{
    return Format("Printing... %d/%d", printed, of);
}

int ProgressUpper(int jobCount)
{
    return std::clamp(jobCount, 0, kProgressLimit);
}

int ProgressPosition(int printed, int jobCount)
{
    if (jobCount <= kProgressLimit)
        return printed;
    return static_cast<int>(static_cast<long long>(printed) * kProgressLimit / jobCount);
}

void CPrintWalk::StartWalk()
{
    m_bStop = false;
    m_nPrinted = m_nListPos = m_nCurrent = m_nRangeEnd = 0;
    m_bError = false;
}

CPrintWalk::Tick CPrintWalk::NextTick(const PrintList& printList, int jobCount)
{
    const int before = m_nPrinted;
    if (m_nRange == 0) {
        if (m_nPrinted >= std::min(jobCount, kPrintAllCount))
            return Tick::Finished;
        PrintNextAll();
    } else {
        if (m_nPrinted >= jobCount)
            return Tick::Finished;
        if (m_nCurrent != m_nRangeEnd) {
            PrintNumber(++m_nCurrent);
        } else {
            // A list shorter than its count ends the run rather than reading past it.
            if (static_cast<size_t>(m_nListPos) >= printList.size())
                return Tick::Finished;
            const PrintItem& item = printList[static_cast<size_t>(m_nListPos++)];
            m_nCurrent = item.low;
            m_nRangeEnd = item.high;
            PrintNumber(m_nCurrent);
        }
    }
    if (m_bError)
        return Tick::Failed;
    return m_nPrinted > before ? Tick::Printed : Tick::Stopped;
}

void CPrintWalk::PrintNextAll()
{
    if (m_nPrinted == 0)
        m_cmd = escpos::PrintNvImage(1, 0);
    m_cmd[3] = static_cast<uint8_t>(m_nQuality);
    if (!WriteHeader(m_nPrinted + 1))
        return;
    if (m_bStop)
        return;
    if (!WriteCommand(m_cmd.data()))
        return;
    Counted();
    ++m_cmd[2];
}

void CPrintWalk::PrintNumber(int number)
{
    const auto command = escpos::PrintNvImage(static_cast<uint8_t>(number), static_cast<uint8_t>(m_nQuality));
    if (!WriteHeader(number))
        return;
    if (m_bStop || !WriteCommand(command.data()))
        return;
    Counted();
}

bool CPrintWalk::WriteHeader(int number)
{
    if (m_nHeader == 0 || m_bStop)
        return true;
    const std::string line = PrintHeaderLine(number);
    if (WriteBuffer(reinterpret_cast<const uint8_t*>(line.data()), static_cast<uint32_t>(line.size())))
        return true;
    m_bError = true;
    OnWriteFailed();
    return false;
}

bool CPrintWalk::WriteCommand(const uint8_t* command)
{
    if (WriteBuffer(command, 4))
        return true;
    m_bError = true;
    OnWriteFailed();
    return false;
}

void CPrintWalk::Counted()
{
    ++m_nPrinted;
    OnImagePrinted();
}
