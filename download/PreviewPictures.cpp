#include "download/PreviewPictures.h"

#include <algorithm>
#include <new>
#include <sys/stat.h>

#include "download/Halftone.h"
#include "download/PrintedDots.h"
#include "logo/BmpFile.h"
#include "logo/ImageFile.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

Picture Blank(int width, int height)
{
    return {width, height, std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height))};
}

// A BMP shows its pixels as stored, alpha or not: what the file holds, unchanged.
bool BmpPicture(const std::string& path, Picture& picture, std::string& why)
{
    BmpImage bmp;
    if (!LoadBmp(path, bmp)) {
        why = "not a BMP file that loads";
        return false;
    }
    picture = Blank(bmp.width, bmp.height);
    for (int32_t y = 0; y < bmp.height; ++y)
        for (int32_t x = 0; x < bmp.width; ++x)
            picture.pixels[static_cast<size_t>(y) * static_cast<size_t>(bmp.width) + static_cast<size_t>(x)] =
                kOpaque | bmp.RgbAt(x, y);
    return true;
}

bool ColourPicture(const std::string& path, Picture& picture, std::string& why)
{
    const ImageKind kind = SniffImageFile(path);
    if (kind != ImageKind::Png && kind != ImageKind::Jpeg && kind != ImageKind::Gif)
        return BmpPicture(path, picture, why);
    DecodedImage image;
    if (!LoadImageFile(path, image, why))
        return false;
    picture = Blank(image.width, image.height);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            uint32_t r, g, b;
            if (image.layout == PixelLayout::GreyAlpha) {
                r = g = b = static_cast<uint32_t>(OnWhite(p[0], p[1]));
            } else {
                r = static_cast<uint32_t>(OnWhite(p[0], p[3]));
                g = static_cast<uint32_t>(OnWhite(p[1], p[3]));
                b = static_cast<uint32_t>(OnWhite(p[2], p[3]));
            }
            picture
                .pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] =
                kOpaque | (r << 16) | (g << 8) | b;
        }
    return true;
}

bool DotsPicture(const PictureKey& key, Picture& picture, std::string& why)
{
    DotImage dots;
    if (!ConvertToDots(key.path, key.conversion, dots, why))
        return false;
    picture = Blank(dots.width, dots.height);
    for (size_t i = 0; i < dots.dots.size(); ++i)
        picture.pixels[i] = dots.dots[i] ? kOpaque : kWhite;
    return true;
}

} // namespace

bool PictureKey::operator==(const PictureKey& other) const
{
    if (path != other.path || dots != other.dots)
        return false;
    const NvConversion& a = conversion;
    const NvConversion& b = other.conversion;
    return !dots || (a.threshold == b.threshold && a.maxPrintWidth == b.maxPrintWidth &&
                     a.centre == b.centre && a.halftone == b.halftone && a.adjust == b.adjust);
}

PreviewPicture LoadPreviewPicture(const PictureKey& key)
{
    PreviewPicture loaded;
    try {
        if (!(key.dots ? DotsPicture(key, loaded.picture, loaded.why)
                       : ColourPicture(key.path, loaded.picture, loaded.why)))
            loaded.picture = Picture{};
    } catch (const std::bad_alloc&) {
        loaded.picture = Picture{};
        loaded.why = "out of memory";
        loaded.outOfMemory = true;
    }
    return loaded;
}

PreviewPictures::PreviewPictures(size_t byteLimit, std::function<void()> ready)
    : m_nByteLimit(byteLimit), m_ready(std::move(ready)), m_thread([this] { Run(); })
{
}

PreviewPictures::~PreviewPictures()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

PreviewPictures::Stamp PreviewPictures::StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec, st.st_size};
}

std::list<PreviewPictures::Entry>::iterator PreviewPictures::Lookup(const PictureKey& key)
{
    return std::find_if(m_kept.begin(), m_kept.end(), [&](const Entry& e) { return e.key == key; });
}

void PreviewPictures::Want(std::vector<PictureKey> keys)
{
    std::vector<Ask> asks;
    for (PictureKey& key : keys) {
        const auto kept = Lookup(key);
        asks.push_back({std::move(key), kept != m_kept.end(), kept != m_kept.end() ? kept->stamp : Stamp{}});
    }
    m_asked.clear();
    for (const Ask& ask : asks)
        m_asked.push_back(ask.key);
    m_wanted = m_asked;
    {
        const std::lock_guard lock(m_mutex);
        m_queue = std::move(asks);
    }
    m_wake.notify_all();
}

void PreviewPictures::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || !m_queue.empty(); });
        if (m_bStop)
            return;
        const Ask ask = m_queue.front();
        m_queue.erase(m_queue.begin());
        lock.unlock();
        Done done{ask.key, StampOf(ask.key.path), nullptr};
        // The stamp is taken before the read: a file changed during the read is read
        // again at the next ask.
        const bool load = !ask.kept || done.stamp != ask.stamp || done.stamp == Stamp{};
        if (load)
            done.picture = std::make_shared<const PreviewPicture>(LoadPreviewPicture(ask.key));
        lock.lock();
        m_nLoads += load ? 1 : 0;
        m_done.push_back(std::move(done));
        lock.unlock();
        m_ready();
        lock.lock();
    }
}

bool PreviewPictures::Collect()
{
    std::vector<Done> done;
    {
        const std::lock_guard lock(m_mutex);
        done.swap(m_done);
    }
    bool changed = false;
    for (Done& d : done) {
        std::erase(m_asked, d.key);
        const auto kept = Lookup(d.key);
        if (!d.picture) {
            if (kept != m_kept.end())
                kept->stamp = d.stamp;
            continue;
        }
        if (kept != m_kept.end())
            m_kept.erase(kept);
        m_kept.push_front({std::move(d.key), d.stamp, std::move(d.picture)});
        changed = true;
    }
    Trim();
    return changed;
}

void PreviewPictures::Trim()
{
    size_t bytes = KeptBytes();
    // What was asked for last stays whatever its size: it is being drawn, or about to
    // be, and a check that finds its file unchanged must still find it kept.
    auto entry = m_kept.end();
    while (bytes > m_nByteLimit && entry != m_kept.begin()) {
        --entry;
        if (std::find(m_wanted.begin(), m_wanted.end(), entry->key) != m_wanted.end())
            continue;
        bytes -= entry->picture->picture.Bytes();
        entry = m_kept.erase(entry);
    }
}

std::shared_ptr<const PreviewPicture> PreviewPictures::Find(const PictureKey& key)
{
    const auto kept = Lookup(key);
    if (kept == m_kept.end())
        return nullptr;
    m_kept.splice(m_kept.begin(), m_kept, kept);
    return m_kept.front().picture;
}

bool PreviewPictures::Pending(const PictureKey& key) const
{
    return std::find(m_asked.begin(), m_asked.end(), key) != m_asked.end();
}

int PreviewPictures::Loads() const
{
    const std::lock_guard lock(m_mutex);
    return m_nLoads;
}

size_t PreviewPictures::KeptBytes() const
{
    size_t bytes = 0;
    for (const Entry& entry : m_kept)
        bytes += entry.picture->picture.Bytes();
    return bytes;
}
