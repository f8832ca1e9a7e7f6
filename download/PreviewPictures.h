#pragma once
// What the preview draws a logo from, loaded away from the window: the file's own
// colours (a BMP's pixels as stored, a PNG, JPEG or GIF put on white paper), or the
// dots the printer will print, made by the download's own conversion.
//
// PreviewPictures keeps the pictures loaded last, within a byte limit, and loads on a
// thread of its own what its owner asks for. Its owner draws from Find, which never
// touches a file: a repaint costs no read and no decode, and a picture not loaded yet
// is simply not there until a later Collect takes it in.
//
// Thread-safety: every member is called on the owner's thread (the window's). Only the
// ready callback runs on the loading thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/NvImage.h"
#include "download/PictureScale.h"

// Which picture of which file.
struct PictureKey {
    std::string path;
    bool dots = false;       // the printer's dots rather than the file's colours
    NvConversion conversion; // how the dots are made; ignored for colours
    bool operator==(const PictureKey& other) const;
};

// A loaded picture, or why there is none.
struct PreviewPicture {
    Picture picture; // empty when the file did not load
    std::string why;
    bool outOfMemory = false;
    bool Loaded() const { return picture.width > 0; }
};

// Loads key's picture now, on the calling thread.
PreviewPicture LoadPreviewPicture(const PictureKey& key);

class PreviewPictures {
public:
    // ready runs on the loading thread whenever a load has finished; the owner then
    // calls Collect on its own thread. Pictures beyond byteLimit are let go, the least
    // recently found first; those of the last Want stay.
    PreviewPictures(size_t byteLimit, std::function<void()> ready);
    // Waits for the load under way, if any; what is still asked for is dropped.
    ~PreviewPictures();
    PreviewPictures(const PreviewPictures&) = delete;
    PreviewPictures& operator=(const PreviewPictures&) = delete;

    // Asks for these pictures, the most wanted first, in place of asks not started yet.
    // A picture kept already is loaded again only when its file's time or size changed.
    void Want(std::vector<PictureKey> keys);
    // Takes the finished loads in; true when a picture arrived or changed.
    bool Collect();
    // The kept picture of key (loaded or failed), or null when none has arrived.
    std::shared_ptr<const PreviewPicture> Find(const PictureKey& key);
    // True while key is asked for and has not arrived.
    bool Pending(const PictureKey& key) const;

    int Loads() const; // files read and decoded so far
    size_t KeptBytes() const;

private:
    // A file as it was when loaded: a change of either means it must be read again.
    struct Stamp {
        int64_t mtimeNs = -1;
        int64_t size = -1;
        bool operator==(const Stamp&) const = default;
    };
    struct Ask {
        PictureKey key;
        bool kept = false;
        Stamp stamp; // the kept picture's, when kept
    };
    struct Done {
        PictureKey key;
        Stamp stamp;
        std::shared_ptr<const PreviewPicture> picture; // null: unchanged since kept
    };
    struct Entry {
        PictureKey key;
        Stamp stamp;
        std::shared_ptr<const PreviewPicture> picture;
    };

    static Stamp StampOf(const std::string& path);
    void Run();
    void Trim();
    std::list<Entry>::iterator Lookup(const PictureKey& key);

    const size_t m_nByteLimit;
    const std::function<void()> m_ready;
    std::list<Entry> m_kept;          // the owner's; the most recently found first
    std::vector<PictureKey> m_asked;  // the owner's: asked for and not collected
    std::vector<PictureKey> m_wanted; // the owner's: the last Want's keys

    mutable std::mutex m_mutex; // guards what follows
    std::condition_variable m_wake;
    std::vector<Ask> m_queue;
    std::vector<Done> m_done;
    int m_nLoads = 0;
    bool m_bStop = false;
    std::thread m_thread; // last: started once the members above exist
};
