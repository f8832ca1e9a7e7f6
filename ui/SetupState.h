#pragma once
// The Setup page's screen state and working copy, without Qt: what its seven drop-down
// lists show, the values the user has chosen so far, and the rules that tie the lists
// to the printer model. The page keeps a PortWorkingCopy and a SetupBoxes; each of its
// handlers reads its fields back, calls the rule below, shows the lists and fields again
// and marks itself modified where it should. Nothing reaches the settings the other
// pages read before CommitSetup, which the page calls when it is left and on Apply.
//
// Not thread-safe: the window's thread only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "printer/PortRecord.h"
#include "printer/PortSettings.h"

namespace platform {
struct Context;
}

// One drop-down list as the page shows it.
struct ListBoxState {
    std::vector<std::string> entries;
    int selected = -1; // -1: nothing selected
    bool enabled = true;
    std::string Text() const; // the selected entry, "" when none
};

struct SetupBoxes {
    ListBoxState printerName;
    ListBoxState portName;
    std::array<ListBoxState, 5> serial; // in printer::SerialBox order
    ListBoxState& operator[](printer::SerialBox box) { return serial[static_cast<size_t>(box)]; }
    const ListBoxState& operator[](printer::SerialBox box) const { return serial[static_cast<size_t>(box)]; }
};

// The Setup page's working copy; CPage5Setup carries these members under these names.
struct PortWorkingCopy {
    bool m_bParallel = false;    // a parallel model is chosen (what Device.INI keeps)
    bool m_bPrintToFile = false; // the "Print To File" check box
    uint32_t m_dwBaudRate = 115200;
    uint8_t m_byByteSize = 8;
    uint8_t m_byParity = 0;
    uint8_t m_byStopBits = 0;
    int32_t m_nHandshake = 0;
    int32_t m_nMaxArea = 512; // "Max Printable Area", 1..576
    int32_t m_nBwPoint = 0;   // black/white diverging point, 0..255
    int32_t m_nHalftone = 0;  // HalftoneMode
    std::string m_strSelPrinter;
    std::string m_strSelPort;
};

// The page's first initialisation: Device.INI from startDir decides the model row,
// the ports that can be opened now fill the port box, the serial boxes get their
// defaults (or stay empty and disabled for a parallel model), width 512, threshold 128.
// The ports are looked for in the context's device tree.
void RestorePortSetup(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes,
                      const std::string& startDir);
// The Printer Name box chose row (0-based). Probes the ports again for a serial model.
void ChangeModel(const platform::Context& context, PortWorkingCopy& page, SetupBoxes& boxes, int row);
// The PortName box's selection changed. A network printer has no serial line: its
// serial boxes go off, and come on again with a serial port.
void ChangePortName(PortWorkingCopy& page, SetupBoxes& boxes);
// One serial box's selection changed: its value goes into the working copy.
void ChangeSerialSetting(PortWorkingCopy& page, const SetupBoxes& boxes, printer::SerialBox box);
// "Print To File" was set or cleared (page.m_bPrintToFile already read back): the
// lists go off or on again (the serial ones not for a network printer); clearing it
// makes a model serial again unless its port is a parallel one.
void ChangePrintToFile(PortWorkingCopy& page, SetupBoxes& boxes);

// The one commit of the working copy into the settings the runs and the other pages
// read: the port kind (a parallel model keeps the serial settings committed before),
// the serial settings, the device to open ("FILE" when printing to a file, else the
// port chosen), the names shown under "Printer Details", width, threshold, halftone.
void CommitSetup(const PortWorkingCopy& page, printer::SetupRecord& settings);
