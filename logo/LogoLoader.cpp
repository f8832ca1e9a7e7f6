#include "logo/LogoLoader.h"

#include <algorithm>
#include <deque>
#include <map>
#include <new>

#include "download/NvImage.h"
#include "keyed/NvKey.h"
#include "logo/ImageFile.h"
#include "platform/FileChooser.h"
#include "platform/Messages.h"
#include "platform/Text.h"

namespace {

const char* const kPictureFilter = "Images (*.bmp *.png *.jpg *.jpeg *.gif)|*.bmp;*.png;*.jpg;*.jpeg;*.gif|"
                                   "Bitmap Files(*.bmp)|*.bmp|PNG Files(*.png)|*.png|"
                                   "JPEG Files(*.jpg *.jpeg)|*.jpg;*.jpeg|GIF Files(*.gif)|*.gif|"
                                   "All Files(*.*)|*.*||";

// The warning of a reload names this many files at most; a profile may hold thousands.
constexpr size_t kNamedFiles = 10;

bool IsControlCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The path as a message can show it: a control character would break its line.
std::string Shown(std::string path)
{
    std::replace_if(path.begin(), path.end(), IsControlCharacter, '?');
    return path;
}

// 165888 as "165,888".
std::string Grouped(long long value)
{
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

std::string Lines(const std::vector<Refusal>& refused, size_t limit)
{
    std::string lines;
    for (size_t i = 0; i < refused.size() && i < limit; ++i)
        lines += (i ? "\r\n" : "") + Shown(refused[i].path) + ": " + refused[i].reason;
    if (refused.size() > limit)
        lines += "\r\n" + Format(msg::kMoreFilesFormat, static_cast<int>(refused.size() - limit));
    return lines;
}

} // namespace

AddResult CLogoLoader::Refuse(int32_t nIndex, AddOutcome outcome, std::string reason, bool recordFailure)
{
    if (recordFailure && nIndex >= 1)
        m_list.RecordFailed(nIndex);
    return {outcome, std::move(reason)};
}

AddResult CLogoLoader::AddFile(int32_t nIndex, std::string path)
{
    return AddFile(nIndex, std::move(path), Adjustments{});
}

std::string CLogoLoader::NoRoomReason() const
{
    const int64_t left = std::max<int64_t>(m_list.CapacityBytes() - m_list.TotalBytes(), 0);
    return Format("does not fit: %lld KByte left", static_cast<long long>(left / 1024));
}

AddResult CLogoLoader::AddFile(int32_t nIndex, std::string path, const Adjustments& adjust)
{
    if (m_list.Full())
        return {AddOutcome::ListFull, Format("the list holds %d files", kMaxLogos)};
    // The profile keeps one path a line: a line break (or any control character) in a
    // name would cut it at the next start or smuggle keys in.
    if (std::any_of(path.begin(), path.end(), IsControlCharacter))
        return Refuse(nIndex, AddOutcome::ControlCharacter, "the file name holds a control character", true);
    ImageInfo info;
    std::string why;
    if (!CheckImageFile(path, info, why))
        return Refuse(nIndex, AddOutcome::Unreadable, why, true);
    if (info.bitsPerPixel > 32)
        return Refuse(nIndex, AddOutcome::Unsupported,
                      Format("%d bits per pixel is not supported", info.bitsPerPixel), false);
    int32_t width = info.width, height = info.height;
    if (adjust.Any() && (!m_adjustedSize || !m_adjustedSize(path, adjust, width, height, why)))
        return Refuse(nIndex, AddOutcome::Unreadable, why.empty() ? "cannot be adjusted" : why, true);
    const int32_t size = NvDataSize(width, height);
    // A picked file that no download could take is refused at once, with its own reason
    // rather than the space left. A stored file was downloaded once: it only has to fit.
    if (const int capacity = NvRasterCapacity(m_printableWidth); nIndex < 1 && size > capacity)
        return Refuse(nIndex, AddOutcome::TooLarge,
                      Format("%d x %d is larger than the printer can store (%s bytes of raster)", width,
                             height, Grouped(capacity).c_str()),
                      false);
    if (!m_list.Fits(size))
        return Refuse(nIndex, AddOutcome::DoesNotFit, NoRoomReason(), true);
    Logo logo;
    logo.name = FileNameOf(path);
    logo.path = std::move(path);
    logo.kind = info.kind;
    logo.width = info.width;
    logo.height = info.height;
    logo.nvSize = size;
    logo.adjust = adjust;
    try {
        m_list.Append(std::move(logo), nIndex);
    } catch (const std::bad_alloc&) {
        return {AddOutcome::OutOfMemory, "out of memory"};
    }
    return {};
}

AddResult CLogoLoader::SetAdjustments(int row, const Adjustments& adjust)
{
    const Logo& logo = m_list.At(row);
    int32_t width = logo.width, height = logo.height;
    std::string why;
    if (adjust.Any() && (!m_adjustedSize || !m_adjustedSize(logo.path, adjust, width, height, why)))
        return {AddOutcome::Unreadable, why.empty() ? "cannot be adjusted" : why};
    const int32_t size = NvDataSize(width, height);
    if (size > logo.nvSize && !m_list.Fits(size - logo.nvSize))
        return {AddOutcome::DoesNotFit, NoRoomReason()};
    m_list.SetAdjust(row, adjust, size);
    return {};
}

void CLogoLoader::RefreshAdjustedSizes()
{
    for (int row = 0; row < m_list.Count(); ++row) {
        const Logo& logo = m_list.At(row);
        int32_t width = 0, height = 0;
        std::string why;
        if (logo.adjust.Any() && m_adjustedSize && m_adjustedSize(logo.path, logo.adjust, width, height, why))
            m_list.SetAdjust(row, logo.adjust, NvDataSize(width, height));
    }
}

OpenResult CLogoLoader::OpenFiles()
{
    OpenResult result;
    std::vector<std::string> paths;
    if (!platform::GetFileChooser().ChooseOpenFiles(m_strFilePath, kPictureFilter, paths))
        return result;
    if (paths.empty()) {
        m_strFilePath.clear();
        result.dialog = OpenResult::Dialog::NothingChosen;
        return result;
    }
    result.dialog = OpenResult::Dialog::Chosen;
    for (const std::string& path : paths) {
        m_strFilePath = path;
        const AddResult added = AddFile(0, path);
        if (added.Added()) {
            ++result.added;
        } else if (added.outcome == AddOutcome::ListFull) {
            result.listFull = true;
            break;
        } else if (added.outcome == AddOutcome::OutOfMemory) {
            result.outOfMemory = true;
            break;
        } else {
            result.refused.push_back({path, added.reason});
        }
    }
    return result;
}

bool CLogoLoader::RemoveFile(int32_t number)
{
    return m_list.RemoveNumber(number);
}

void CLogoLoader::Reset()
{
    m_list.ForgetNumbers();
}

void CLogoLoader::TakeFailedNumbers()
{
    m_list.TakeFailedNumbers();
}

ReloadResult CLogoLoader::ReloadStored(const std::vector<StoredLogo>& stored)
{
    std::map<std::string, std::deque<bool>> ticks; // by path, in list order
    for (const Logo& logo : m_list.Logos())
        ticks[logo.path].push_back(logo.centre);
    m_list.Clear();
    Reset();
    ReloadResult result;
    result.keys = static_cast<int>(stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        const AddResult added = AddFile(static_cast<int32_t>(i + 1), stored[i].path, stored[i].adjust);
        if (added.outcome == AddOutcome::ListFull) {
            result.tooMany = true;
            break;
        }
        if (added.Added()) {
            std::deque<bool>& before = ticks[stored[i].path];
            m_list.SetCentre(m_list.Count() - 1, before.empty() ? stored[i].centre : before.front());
            // The key it was stored with; a damaged profile's second use of a key keeps the
            // key Append gave it.
            m_list.SetKey(m_list.Count() - 1,
                          stored[i].key.empty() ? DefaultNvKey(static_cast<int>(i + 1)) : stored[i].key);
            if (!before.empty())
                before.pop_front();
        } else {
            result.failed.push_back({stored[i].path, added.reason});
        }
    }
    m_list.SetStored(stored);
    return result;
}

std::string RefusalText(const std::vector<Refusal>& refused)
{
    if (refused.empty())
        return {};
    return Format(refused.size() == 1 ? msg::kFileNotAddedFormat : msg::kFilesNotAddedFormat,
                  Lines(refused, refused.size()).c_str());
}

std::string ReloadWarningText(const ReloadResult& result)
{
    if (result.failed.empty())
        return {};
    return std::string(msg::kStoredFileIncorrect) + "\r\n" + Lines(result.failed, kNamedFiles);
}
