#pragma once
// What an emulated printer makes of the commands it reads: it keeps its NV memories,
// lists every command with its byte offset, and saves every stored image and every
// print as a PNG picture (black dots on white, one pixel per dot, a print at its
// size). nivora-cli render lists a recorded stream with it; the virtual printer logs
// what it receives with it.
//
// Memory: the stored images and one picture at a time. At most maxPictures files are
// written; commands after that are still listed, with a note instead of a file. A
// print of the same stored image at the same size, with nothing stored in between,
// names the picture of the first one instead of writing it again.
//
// Thread-safety: one thread at a time.
#include <functional>
#include <map>
#include <string>

#include "download/StreamDecoder.h"
#include "emulator/NvMemory.h"

class StreamRenderer final : public StreamHandler {
public:
    // The numbers the next pictures get: nv-NNN.png, print-NNN.png, key-KK-NNN.png.
    struct Counters {
        int nv = 0;
        int print = 0;
        int keyed = 0;
    };
    struct Options {
        std::string dir; // folder for the pictures
        int maxPictures = 1000;
        bool classic = true;   // false: FS q and FS p are read and ignored
        bool keyed = true;     // false: key-coded functions are read and ignored
        bool paperOut = false; // prints are listed, not printed
        Counters numbered;     // pictures already in dir that must not be overwritten
        // Told the path of every picture that could not be written.
        std::function<void(const std::string& path)> onFailure;
    };
    // One line of the listing: the command's offset and what it did.
    using LineSink = std::function<void(size_t offset, const std::string& text)>;

    StreamRenderer(Options options, NvMemory& memory, LineSink sink);

    void OnEvent(const StreamEvent& event) override;
    void OnNvImage(const StreamEvent& event, NvDefinition image) override;
    void OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic) override;
    // Kept for the caller (Error(), ErrorOffset()); nothing is listed.
    void OnError(size_t offset, const std::string& message) override;

    // True when the command handed over last wrote the NV memory: the last record of an
    // FS q, a graphic defined, a key deleted or all deleted.
    bool Wrote() const { return m_wrote; }
    // False once a picture could not be written.
    bool PicturesOk() const { return m_failures == 0; }
    int PicturesWritten() const { return m_written; }
    // True when a picture was left out because maxPictures were written.
    bool CapReached() const { return m_capReached; }
    const std::string& Error() const { return m_error; }
    size_t ErrorOffset() const { return m_errorOffset; }
    bool HasError() const { return m_hasError; }

    // The counters after the pictures already in dir (0 for a missing folder).
    static Counters CountersInFolder(const std::string& dir);

private:
    // " -> path", " (picture not saved: ...)" or " (cannot write the picture)".
    std::string Save(const std::function<DotImage()>& image, const std::string& name);
    std::string ClassicPrint(const StreamEvent& event);
    std::string KeyedPrint(const StreamEvent& event);
    // A print's picture: the one written for the same image and size since the last
    // write to the memory, or a new one.
    std::string Printed(const std::string& id, const DotImage& stored, int mode);
    std::string Keyed(const StreamEvent& event);
    void List(size_t offset, const std::string& text) { m_sink(offset, text); }

    Options m_options;
    NvMemory& m_memory;
    LineSink m_sink;
    Counters m_numbers;
    int m_written = 0;
    bool m_capReached = false;
    bool m_wrote = false;
    int m_recordsLeft = 0;                        // of the FS q being read
    std::map<std::string, std::string> m_printed; // image and size -> picture path
    int m_failures = 0;
    bool m_hasError = false;
    size_t m_errorOffset = 0;
    std::string m_error;
};
