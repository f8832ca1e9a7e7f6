#pragma once
// The editor of the logo list: it reads a file, checks it against the list's rules and
// adds it, removes logos by number, and loads the stored list again. It tells what
// happened as values; the window and the command line decide how to say it.
//
// Two kinds of file come in. A file the user picked (number 0) that is refused changes
// nothing at all: no number is taken or recorded, so the numbers of the files after it
// never drift. A file of the stored list (its profile key's number) that fails to load
// or does not fit keeps its number free: the files listed after it keep the numbers the
// printer holds them under, and the failed numbers go to new files first.
//
// Not thread-safe, like the list it edits.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logo/LogoList.h"

enum class AddOutcome {
    Added,
    ListFull,         // 255 logos are listed; the file was not even opened
    ControlCharacter, // the path holds a control character, which the profile cannot keep
    Unreadable,       // not a picture that loads
    Unsupported,      // more than 32 bits per pixel
    TooLarge,         // one image larger than the printer can store (picked files only)
    DoesNotFit,       // more than the NV capacity left
    OutOfMemory,
};

struct AddResult {
    AddOutcome outcome = AddOutcome::Added;
    std::string reason; // a refusal's reason, as the user reads it after the file's name
    bool Added() const { return outcome == AddOutcome::Added; }
};

// A file that did not join the list, and why.
struct Refusal {
    std::string path;
    std::string reason;
};

struct OpenResult {
    enum class Dialog { Cancelled, NothingChosen, Chosen };
    Dialog dialog = Dialog::Cancelled;
    int added = 0;
    std::vector<Refusal> refused; // in the order the files were chosen
    bool listFull = false;        // the list was full: this file and the ones after were not tried
    bool outOfMemory = false;     // memory ran out: the files after it were not tried
};

struct ReloadResult {
    int keys = 0;                // entries of the stored list offered
    std::vector<Refusal> failed; // stored files that are not listed
    bool tooMany = false;        // entries beyond the 255th listed were not tried
};

// The size in dots of a picture once its adjustments are made; false with the reason
// in why when it cannot be read. The adjusted size depends on how the picture is
// converted (a trim looks at its dots), so the one who knows the conversion settings
// hands it in.
using AdjustedSizeFn = std::function<bool(const std::string& path, const Adjustments& adjust, int32_t& width,
                                          int32_t& height, std::string& why)>;

class CLogoLoader {
public:
    explicit CLogoLoader(LogoList& list) : m_list(list) {}
    CLogoLoader(const CLogoLoader&) = delete;
    CLogoLoader& operator=(const CLogoLoader&) = delete;

    // Reads the picture file (BMP, PNG, JPEG or GIF, told by its first bytes), checks
    // it and appends it to the list. nIndex is the profile key's number for a file of
    // the stored list, 0 for a file the user picked.
    AddResult AddFile(int32_t nIndex, std::string path);
    // The same for a file with adjustments (a stored file's): its NV size is that of
    // the adjusted picture.
    AddResult AddFile(int32_t nIndex, std::string path, const Adjustments& adjust);
    // Gives the row new adjustments and the NV size they make. Refused (nothing
    // changes) when the picture no longer reads or the new size does not fit.
    AddResult SetAdjustments(int row, const Adjustments& adjust);
    // Works out the NV size of every adjusted row again (the printable width or the
    // conversion changed). A row that no longer reads keeps its size.
    void RefreshAdjustedSizes();
    // How adjusted sizes are found; without one, adjustments are refused.
    void SetAdjustedSizeFn(AdjustedSizeFn sizeFn) { m_adjustedSize = std::move(sizeFn); }
    // The printable width picked files are judged at: beyond 512 dots one image may
    // take more raster.
    void SetPrintableWidth(int width) { m_printableWidth = width; }
    // The multi-select open dialog, then AddFile(0, path) for every file chosen, until
    // the list is full. The dialog opens at m_strFilePath, the last file chosen.
    OpenResult OpenFiles();
    // Removes the logo of this number; the number becomes free for the next file.
    bool RemoveFile(int32_t number);
    // Forgets the free and the failed numbers, before the stored list is listed again.
    void Reset();
    // The numbers of stored files that failed become free for the files picked next.
    void TakeFailedNumbers();
    // Lists the stored list anew: empties the list, Reset, then every stored file as
    // AddFile(key number, path); the list's stored list becomes it. A file that was
    // listed before keeps the tick the user gave it (the n-th listing of a file the n-th
    // one's); every other file gets the centring it was stored with.
    ReloadResult ReloadStored(const std::vector<StoredLogo>& stored);

    LogoList& List() { return m_list; }

    std::string m_strFilePath; // the last path taken from the open dialog

private:
    AddResult Refuse(int32_t nIndex, AddOutcome outcome, std::string reason, bool recordFailure);
    // "does not fit: N KByte left" for a list that has not room for size more bytes.
    std::string NoRoomReason() const;

    LogoList& m_list;
    AdjustedSizeFn m_adjustedSize;
    int m_printableWidth = 512;
};

// The message about files picked in one Open File that were refused: each named with
// its reason. Empty when none was.
std::string RefusalText(const std::vector<Refusal>& refused);
// The warning of a reload whose stored files did not all join the list, naming them.
// Empty when all did.
std::string ReloadWarningText(const ReloadResult& result);
