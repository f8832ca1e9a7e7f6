// The Setup page's "Port Setting" group: the port box and the five serial lists below
// it, and how the working copy's lists are shown in them and read back.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <array>

#include "app/Session.h"
#include "ui/Page5Setup.h"
#include "ui/SetupControls.h"

using printer::SerialBox;

namespace {

// The port boxes of the "Port Setting" group: label and list, in template order.
struct PortBoxLayout {
    int labelId;
    const char* label;
    int labelY;
    int comboId;
    int comboY;
    int droppedHeight; // the opened list's height in dialog units
};
constexpr std::array<PortBoxLayout, 6> kPortBoxes = {{
    {1051, "PortName", 43, 1045, 41, 88},
    {1052, "Baudrate", 65, 1046, 64, 86},
    {1053, "BitLength", 88, 1047, 87, 59},
    {1054, "Parity", 111, 1048, 110, 59},
    {1055, "StopBit", 135, 1049, 133, 59},
    {1056, "Handshake", 157, 1050, 156, 70},
}};

void ShowBox(QComboBox* combo, const ListBoxState& state)
{
    const QSignalBlocker quiet(combo);
    QStringList entries;
    for (const std::string& entry : state.entries)
        entries << QString::fromStdString(entry);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    if (shown != entries) {
        combo->clear();
        combo->addItems(entries);
    }
    combo->setCurrentIndex(state.selected);
    combo->setEnabled(state.enabled);
}

} // namespace

void CPage5Setup::BuildPortGroup()
{
    // The lists are the group's children so that its mnemonic (Alt+O) reaches them.
    // Below the port box they follow the order of printer::SerialBox.
    auto* group = Add(this, new QGroupBox(QStringLiteral("P&ort Setting")),
                      TemplateRect(this, this, 7, 27, 166, 152), Follow::Across(0, kLeftShare));
    group->setObjectName(QStringLiteral("group1026"));
    std::array<QComboBox**, 6> combos = {&m_cbPortName, &m_cbBaudrate, &m_cbBitLength,
                                         &m_cbParity,   &m_cbStopBit,  &m_cbHandshake};
    for (size_t i = 0; i < kPortBoxes.size(); ++i) {
        const PortBoxLayout& box = kPortBoxes[i];
        AddLabel(this, group, box.label, 13, box.labelY, 40, 10)->setObjectName(IdName("label", box.labelId));
        *combos[i] =
            AddList(this, group, box.comboId, 56, box.comboY, 109, box.droppedHeight, Follow::Across(0, 1));
    }
    m_serialCombos = {m_cbBaudrate, m_cbBitLength, m_cbParity, m_cbStopBit, m_cbHandshake};
    m_cbPortName->setToolTip(PortNameToolTip(m_session.m_context));
}

QComboBox* CPage5Setup::SerialCombo(SerialBox box) const
{
    return m_serialCombos[static_cast<size_t>(box)];
}

void CPage5Setup::ReadBoxes()
{
    m_boxes.printerName.selected = m_cbPrinterName->currentIndex();
    m_boxes.portName.selected = m_cbPortName->currentIndex();
    for (SerialBox box : printer::kSerialBoxes)
        m_boxes[box].selected = SerialCombo(box)->currentIndex();
}

void CPage5Setup::ShowBoxes()
{
    ShowBox(m_cbPrinterName, m_boxes.printerName);
    ShowBox(m_cbPortName, m_boxes.portName);
    for (SerialBox box : printer::kSerialBoxes)
        ShowBox(SerialCombo(box), m_boxes[box]);
}
