#include "ui/HelpText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const char* const kPorts =
    "<h3>Printer ports on Linux</h3>"
    "<p>COM1-COM32 are /dev/ttyS0-31, COM33-COM96 /dev/ttyUSB0-63, COM97-COM160 "
    "/dev/ttyACM0-63, COM161-COM192 /dev/ttyAMA0-31 and COM193-COM224 /dev/rfcomm0-31. "
    "LPT1 is /dev/usb/lp0 (else /dev/lp0), LPT2 /dev/usb/lp1 (else /dev/lp1).</p>"
    "<p>Only ports that can be opened right now are listed. Serial ports belong to the "
    "group <b>dialout</b>, printer ports to the group <b>lp</b>: add yourself with "
    "<code>sudo adduser $USER dialout</code> (or <code>lp</code>) and log in again.</p>";

}  // namespace

QString HelpTextFor(const QString& topic)
{
    if (topic == QLatin1String("Bitmap Selection"))
        return QStringLiteral(
            "<h2>Select Bitmap</h2>"
            "<p>Build the list of logos to store in the printer. <b>Open File...</b> adds BMP "
            "files (several at once); <b>Remove</b> takes the selected rows off the list; "
            "<b>Reset</b> brings back the list of the last download.</p>"
            "<p>Tick a row's box to centre that logo within the printable width when it is "
            "downloaded. Up to 255 files and 384 KByte of printer memory can be used; the "
            "two counters under the list show how much is taken.</p>"
            "<p>Click a column header to sort; click it again to reverse the order.</p>");
    if (topic == QLatin1String("Preview"))
        return QStringLiteral(
            "<h2>Preview Bitmap</h2>"
            "<p>Select a row to see its logo. The four Quality buttons show it at normal "
            "size, double width, double height and quadruple size, the sizes the printer "
            "can print a stored logo at.</p>"
            "<p>The preview shows the file as it is; the black/white conversion happens "
            "when the logos are downloaded.</p>");
    if (topic == QLatin1String("Logo Upload"))
        return QStringLiteral(
            "<h2>Download Bitmap</h2>"
            "<p><b>Download</b> replaces everything stored in the printer's NV graphics "
            "memory with the listed logos. They are numbered 1, 2, 3, ... in the order of "
            "their list numbers; use these numbers on the Print page.</p>"
            "<p>With an empty list, Download deletes all logos stored in the printer. "
            "After a download the printer writes its memory and feeds some paper: wait "
            "until it has finished.</p>") +
               QString::fromLatin1(kPorts);
    if (topic == QLatin1String("Logo Printout"))
        return QStringLiteral(
            "<h2>Print Bitmap</h2>"
            "<p>Prints logos stored in the printer. <b>All</b> prints numbers 1 to 255; "
            "<b>Selection</b> prints the numbers you type, for example "
            "<code>1,3-5,9</code>. A range may be open: <code>10-</code> means 10 to 255, "
            "<code>-3</code> means 1 to 3. Only digits, commas and hyphens are allowed.</p>"
            "<p>Quality chooses the print size; Add Header prints a line with the logo "
            "number above each logo.</p>") +
               QString::fromLatin1(kPorts);
    if (topic == QLatin1String("Setup"))
        return QStringLiteral(
            "<h2>Setup Port</h2>"
            "<p>Choose the printer model and the port it is connected to. For a serial "
            "printer set the same baud rate, data bits, parity, stop bits and handshake as "
            "the printer. <b>Print To File</b> writes downloads into a file instead.</p>"
            "<p><b>Max Printable Area</b> is the paper width in dots, used to centre logos; "
            "the <b>Black / White diverging point</b> decides which colours print as black "
            "dots. <b>Apply</b> tests the connection.</p>") +
               QString::fromLatin1(kPorts);
    return {};
}

void ShowPageHelp(QWidget* parent, const QString& topic)
{
    static QPointer<QDialog> window;
    if (!window) {
        window = new QDialog(parent ? parent->window() : nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("helpWindow"));
        auto* layout = new QVBoxLayout(window);
        auto* text = new QTextBrowser(window);
        text->setObjectName(QStringLiteral("helpText"));
        text->setMinimumSize(440, 300);
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
        QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
        layout->addWidget(buttons);
    }
    window->setWindowTitle(QStringLiteral("Help - ") + topic);
    window->findChild<QTextBrowser*>(QStringLiteral("helpText"))->setHtml(HelpTextFor(topic));
    window->show();
    window->raise();
    window->activateWindow();
}
