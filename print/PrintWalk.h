#pragma once
// The print run after the printer was checked: one image per tick, each as an optional
// header line and FS p n m. The print progress dialog and the command-line tool both
// run this walk; they only decide where the bytes go, how the ticks are paced and what
// the user sees. No image data travels: the printer prints what its NV memory holds.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "print/PrintRange.h"

inline constexpr int kPrintAllCount = 255; // "All" without a stored list prints NV images 1..255
inline constexpr int kPrintTickMs = 300;   // one image per tick
inline constexpr int kPrintFinishPauseMs = 1000;

// "--- Logo 7 ---\n": the text line printed above image 7 when headers are on.
std::string PrintHeaderLine(int number);
// "Printing... 5/255": the 255 stays whatever a selection prints; a run of "All" over a
// stored list of n logos counts to n ("Printing... 2/3").
std::string PrintStatusText(int printed, int of = kPrintAllCount);

// The progress bar's bounds travel as 16-bit values. A run longer than 65535 images
// (a selection that repeats ranges) gets the range 0..65535 and a position scaled to
// it, so the bar still fills evenly and is full exactly when the last image is out.
int ProgressUpper(int jobCount);
int ProgressPosition(int printed, int jobCount);

class CPrintWalk {
public:
    enum class Tick {
        Printed,  // one more image went out
        Stopped,  // the run was cancelled: nothing was sent
        Finished, // every image of the run is out; nothing was sent
        Failed,   // a write failed; the failure was reported
    };

    virtual ~CPrintWalk() = default;

    // Back to the first image: nothing printed, no error, not stopped.
    void StartWalk();
    // One timer tick: the stop test, then the next image of "All" (m_nRange 0: NV
    // images 1 to jobCount) or of the print list (m_nRange 1).
    Tick NextTick(const PrintList& printList, int jobCount);
    // One step of "All": the NV numbers 1, 2, ... in order.
    void PrintNextAll();
    // One step of "Selection": NV image number (1..255).
    void PrintNumber(int number);

    int m_nRange = 0;               // 0 All, 1 Selection
    int m_nQuality = 0;             // the mode byte m of FS p: 0 normal .. 3 quadruple
    int m_nHeader = 0;              // 1: a header line above every image
    int m_nPrinted = 0;             // images printed so far
    int m_nCurrent = 0;             // Selection: the NV number printed last
    int m_nRangeEnd = 0;            // Selection: the last number of the item being walked
    int m_nListPos = 0;             // Selection: the next print-list item to read
    std::array<uint8_t, 4> m_cmd{}; // All: FS p kept from tick to tick, [2] the next number
    bool m_bStop = false;           // cancelled: nothing more is sent
    bool m_bError = false;          // a write failed

protected:
    // True when all length bytes were handed over.
    virtual bool WriteBuffer(const uint8_t* buffer, uint32_t length) = 0;
    // m_nPrinted has grown by one.
    virtual void OnImagePrinted() {}
    // A write failed and nothing more is sent in this tick (m_bError is set already).
    virtual void OnWriteFailed() {}

private:
    // The header line when headers are on and the run was not stopped; false when
    // its write failed (the failure is reported).
    bool WriteHeader(int number);
    bool WriteCommand(const uint8_t* command);
    void Counted();
};
