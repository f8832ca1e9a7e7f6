#include "logo/LogoLoader.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/Text.h"
#include "logo/ImageFile.h"
#include "platform/FileChooser.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"

using platform::AfxMessageBox;

namespace {
const char* const kBitmapFilter = "Images (*.bmp *.png *.jpg *.jpeg *.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|"
                                  "Bitmap Files(*.bmp)|*.bmp|PNG Files(*.png)|*.png|"
                                  "JPEG Files(*.jpg *.jpeg)|*.jpg;*.jpeg|GIF Files(*.gif)|*.gif|"
                                  "All Files(*.*)|*.*||";
} // namespace

namespace {

bool IsControlCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool HasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), IsControlCharacter);
}

} // namespace

int32_t NvDataSize(int32_t width, int32_t height)
{
    const int64_t bands = height / 8 + (height % 8 ? 1 : 0);
    const int64_t columns = (static_cast<int64_t>(width) + 7) / 8 * 8;
    const int64_t size = bands * columns;
    // Anything this large is refused by the capacity check anyway.
    return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

int32_t UsedKByte(int32_t totalBytes)
{
    return totalBytes / 1024 + (totalBytes % 1024 ? 1 : 0);
}

CLogoLoader::CLogoLoader(LogoListRecord& lists) : m_lists(lists)
{
    m_lists.m_nNvAreaKB = 384;
    m_lists.m_nSelItem = -1;
    m_lists.m_nActivePage = -1;
    m_lists.m_nJobCount = -1;
}

CLogoLoader::~CLogoLoader() = default;

void CLogoLoader::RecordFailure(int32_t nIndex)
{
    ++m_nFailCount;
    // The failed-number list holds 255 numbers; a number that does not fit is simply
    // not offered again (new files then take their number from the count).
    if (m_lists.m_nBadCount >= 0 && m_lists.m_nBadCount < kMaxLogos)
        m_lists.m_arrBadNumber[static_cast<size_t>(m_lists.m_nBadCount++)] = nIndex;
    if (m_nFailCount == 1)
        AfxMessageBox(msg::kStoredFileIncorrect, platform::MB_ICONEXCLAMATION);
}

bool CLogoLoader::AddFile(int32_t nIndex, std::string path)
{
    m_strFailReason.clear();
    if (m_nCount >= kMaxLogos) {
        AfxMessageBox(msg::kTooManyFiles, platform::MB_OK);
        return false;
    }
    // The profile keeps one path a line: a line break (or any control character) in a
    // name would cut it at the next start or smuggle keys in.
    if (HasControlCharacter(path)) {
        m_strFailReason = "the file name holds a control character";
        if (nIndex >= 1) {
            RecordFailure(nIndex);
        } else {
            std::string shown = path;
            std::replace_if(shown.begin(), shown.end(), IsControlCharacter, '?');
            AfxMessageBox(Format(msg::kControlCharacterPathFormat, shown.c_str()),
                          platform::MB_ICONEXCLAMATION);
        }
        return false;
    }
    ImageInfo info;
    if (!CheckImageFile(path, info, m_strFailReason)) {
        RecordFailure(nIndex);
        return false;
    }
    const auto slash = path.rfind('/');
    m_strName = slash == std::string::npos ? path : path.substr(slash + 1);

    if (info.bitsPerPixel > 32) {
        AfxMessageBox(msg::kUnsupportedFormat, platform::MB_OK);
        return false;
    }
    ++m_nCount;
    const int32_t size = NvDataSize(info.width, info.height);
    if (!FitsCapacity(nIndex, size))
        return false;
    return AppendRow(TakeNumber(nIndex), size, nIndex >= 1 ? path : m_strFilePath);
}

bool CLogoLoader::FitsCapacity(int32_t nIndex, int32_t size)
{
    const int64_t capacity = int64_t{m_lists.m_nNvAreaKB} * 1024;
    if (int64_t{m_nTotalBytes} + size <= capacity)
        return true;
    if (m_nFailCount == 0 && nIndex == 0) {
        --m_nCount;
        AfxMessageBox(msg::kAreaTooSmall, platform::MB_OK);
        return false;
    }
    RecordFailure(nIndex); // the count stays one higher, as the numbering expects
    return false;
}

int32_t CLogoLoader::TakeNumber(int32_t nIndex)
{
    if (m_nFreeCount == 0)
        return nIndex >= 1 ? nIndex : m_nCount;
    const int32_t number = m_arrFreeNumber[static_cast<size_t>(m_nFreePos)];
    m_arrFreeNumber[static_cast<size_t>(m_nFreePos)] = 0;
    if (++m_nFreePos >= m_nFreeCount)
        m_nFreeCount = m_nFreePos = 0;
    return number;
}

bool CLogoLoader::AppendRow(int32_t number, int32_t size, std::string listedPath)
{
    const int32_t totalBefore = m_nTotalBytes;
    try {
        m_strNumber = Format("%3d", number);
        m_strSize = Format("%15d", size);
        m_nTotalBytes += size;
        m_strCountText = Format("%3d / 255", m_nCount);
        m_strSizeText =
            Format("%3ld / %3d KByte", static_cast<long>(UsedKByte(m_nTotalBytes)), m_lists.m_nNvAreaKB);
        // Reserve first so that the four appends below cannot fail half-way: the four
        // lists always keep the same length.
        for (auto* list : {&m_lists.m_arrNumber, &m_lists.m_arrName, &m_lists.m_arrPath, &m_lists.m_arrSize})
            list->reserve(list->size() + 1);
        m_lists.m_arrNumber.push_back(m_strNumber);
        m_lists.m_arrName.push_back(m_strName);
        m_lists.m_arrPath.push_back(std::move(listedPath));
        m_lists.m_arrSize.push_back(m_strSize);
    } catch (const std::bad_alloc&) {
        // Nothing was appended: undo this file's share of the totals.
        m_nTotalBytes = totalBefore;
        --m_nCount;
        AfxMessageBox(msg::kOutOfMemoryShort, platform::MB_ICONHAND);
        return true;
    }
    m_lists.m_nTotalBytes = m_nTotalBytes;
    m_lists.m_strFileCount = m_strCountText;
    m_lists.m_strTotalSize = m_strSizeText;
    return true;
}

void CLogoLoader::Reset()
{
    m_nCount = m_nTotalBytes = m_nFailCount = m_nFreeCount = m_nFreePos = 0;
    m_lists.m_nBadCount = 0;
    m_lists.m_arrBadNumber.fill(0);
}

bool CLogoLoader::OpenFiles()
{
    std::vector<std::string> paths;
    if (!platform::GetFileChooser().ChooseOpenFiles(m_strFilePath, kBitmapFilter, paths))
        return true;
    if (paths.empty()) {
        m_strFilePath.clear();
        return false;
    }
    for (const std::string& path : paths) {
        m_strFilePath = path;
        if (!AddFile(0, path))
            break;
    }
    return true;
}

void CLogoLoader::CompactFreeNumbers()
{
    // Drop the entries already handed out so the remaining ones start at position 0.
    const auto first = m_arrFreeNumber.begin() + m_nFreePos;
    std::copy(first, m_arrFreeNumber.begin() + m_nFreeCount, m_arrFreeNumber.begin());
    m_nFreeCount -= m_nFreePos;
    std::fill(m_arrFreeNumber.begin() + m_nFreeCount, m_arrFreeNumber.end(), 0);
    m_nFreePos = 0;
}

void CLogoLoader::AppendFreeNumber(int32_t number)
{
    if (m_nFreeCount >= kMaxLogos)
        CompactFreeNumbers();
    if (m_nFreeCount < kMaxLogos)
        m_arrFreeNumber[static_cast<size_t>(m_nFreeCount++)] = number;
}

bool CLogoLoader::RemoveFile(int32_t number)
{
    --m_nCount;
    // After a removal the scan goes on with the next index, so of two neighbouring
    // rows with the same number only the first goes.
    for (size_t i = 0; i < m_lists.m_arrNumber.size(); ++i) {
        if (Atoi(m_lists.m_arrNumber[i]) != number)
            continue;
        AppendFreeNumber(number);
        m_strCountText = Format("%3d / 255", m_nCount);
        m_nTotalBytes -= Atoi(m_lists.m_arrSize[i]);
        m_strSizeText = Format("%3ld / %3ld KByte", static_cast<long>(UsedKByte(m_nTotalBytes)),
                               static_cast<long>(m_lists.m_nNvAreaKB));
        const auto at = static_cast<std::ptrdiff_t>(i);
        m_lists.m_arrNumber.erase(m_lists.m_arrNumber.begin() + at);
        m_lists.m_arrName.erase(m_lists.m_arrName.begin() + at);
        m_lists.m_arrSize.erase(m_lists.m_arrSize.begin() + at);
        m_lists.m_arrPath.erase(m_lists.m_arrPath.begin() + at);
        m_lists.m_strFileCount = m_strCountText;
        m_lists.m_strTotalSize = m_strSizeText;
        m_lists.m_nTotalBytes = m_nTotalBytes;
    }
    SortFreeNumbers();
    return true;
}

void CLogoLoader::SyncCount()
{
    m_nCount = m_lists.LogoCount();
}

bool CLogoLoader::SortFreeNumbers()
{
    if (m_nFreeCount < 2)
        return true;
    for (int32_t i = 0; i < m_nFreeCount - 1; ++i)
        for (int32_t j = i + 1; j < m_nFreeCount; ++j)
            if (m_arrFreeNumber[static_cast<size_t>(i)] > m_arrFreeNumber[static_cast<size_t>(j)])
                std::swap(m_arrFreeNumber[static_cast<size_t>(i)], m_arrFreeNumber[static_cast<size_t>(j)]);
    return true;
}

bool CLogoLoader::TakeFailedNumbers()
{
    if (m_lists.m_nBadCount < 1)
        return true;
    // Numbers still waiting in the free list (rows removed since the last Open File)
    // are kept: the failed numbers join them instead of overwriting them.
    CompactFreeNumbers();
    for (int32_t i = 0; i < m_lists.m_nBadCount && m_nFreeCount < kMaxLogos; ++i)
        m_arrFreeNumber[static_cast<size_t>(m_nFreeCount++)] = m_lists.m_arrBadNumber[static_cast<size_t>(i)];
    SortFreeNumbers();
    m_lists.m_nBadCount = 0;
    m_lists.m_arrBadNumber.fill(0);
    return true;
}
