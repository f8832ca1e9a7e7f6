#include "ui/HelpText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "printer/PortNames.h"

namespace {

// Where the port names lead on Linux and what it takes to use them; the table comes
// from the port layer itself so that it cannot drift from what the program opens.
QString PortsSection()
{
    return QStringLiteral("<h3>Printer ports on Linux</h3>"
                          "<p>The program gives every port a fixed name. The devices behind the names:</p>") +
           PortDeviceTableHtml() +
           QStringLiteral("<p>A port is listed only when it exists and can be opened right now: a port that "
                          "another program holds (a terminal program, a modem manager that grabbed a USB "
                          "adapter) is left out until it is free again.</p>"
                          "<p>Serial ports (ttyS, ttyUSB, ttyACM, ...) belong to the group <b>dialout</b>, "
                          "printer ports (usb/lp, lp) to the group <b>lp</b>. If no port is listed or "
                          "\"ERROR - Port open.\" appears, add yourself to these groups with "
                          "<code>sudo usermod -aG dialout,lp $USER</code>, then log out and in again.</p>");
}

QString SelectionHelp()
{
    return QStringLiteral(
        "<h2>Select Bitmap</h2>"
        "<p>Here you build the list of logos to store in the printer.</p>"
        "<ul><li><b>Open File...</b> adds BMP, PNG, JPEG or GIF files; several can be chosen at "
        "once. Each file "
        "gets a logo number when it is added.</li>"
        "<li><b>Remove</b> takes the selected rows off the list (after asking).</li>"
        "<li><b>Reset</b> brings back the list of the last download, the logos the printer "
        "holds now.</li></ul>"
        "<p>Tick a row's box to have that logo centred within the Max Printable Area (Setup "
        "page) when it is downloaded.</p>"
        "<p>The printer keeps up to 255 logos in 384 KByte; the two counters under the list "
        "show how much the list takes. A file that does not fit into the space left, or that "
        "cannot be read as a picture, is refused; one message names every refused file with "
        "the reason, and the numbers of the other files are as if it had not been chosen.</p>"
        "<p>Click a column heading to sort on it; click it again to reverse the order.</p>");
}

QString PreviewHelp()
{
    return QStringLiteral(
        "<h2>Preview Bitmap</h2>"
        "<p>Select a row to see its logo. The Quality buttons show it at the sizes the printer "
        "can print a stored logo at: <b>Normal</b>, <b>Double Width</b>, <b>Double Height</b> "
        "and <b>Quadraple</b> (both doubled).</p>"
        "<p>The preview shows the file as it is. The conversion to black and white dots, set "
        "by the Black / White diverging point and the Halftone on the Setup page, happens when "
        "the logos are downloaded. Tick <b>Printed dots</b> to see those dots now, with the "
        "Setup page's values and the logo's centring and adjustments.</p>"
        "<p><b>Adjust...</b> opens the adjustments of the logo shown: trim its white borders, "
        "turn it, fit it to the Max Printable Area or scale it, change its brightness, contrast "
        "and gamma, or invert it. Its dots are drawn as the controls move; a setting counts once "
        "a control is let go, and the logo's size in the list follows. <b>Reset</b> takes "
        "every adjustment away.</p>");
}

QString DownloadHelp()
{
    return QStringLiteral(
        "<h2>Download Bitmap</h2>"
        "<p><b>Download</b> replaces everything stored in the printer's NV graphics memory "
        "with the listed logos. In the printer they are numbered 1, 2, 3, ... in the order of "
        "their logo numbers; these are the numbers to use on the Print page.</p>"
        "<p>With an empty list, Download deletes all logos stored in the printer. After the "
        "last logo the printer writes its memory and feeds some paper: leave it switched on "
        "until it has finished.</p>"
        "<p><b>Printer Details</b> show the model and port chosen on the Setup page. With "
        "Print To File they read \"To File\": the download is written into a file whose name "
        "you are asked for (temp.prn when you give none).</p>");
}

QString PrintHelp()
{
    return QStringLiteral(
        "<h2>Print Bitmap</h2>"
        "<p>Prints logos stored in the printer; no image data is sent.</p>"
        "<ul><li><b>All</b> asks the printer for every number from 1 to 255.</li>"
        "<li><b>Selection</b> prints the numbers you type, for example <code>1,3-5,9</code>. A "
        "range may be open: <code>10-</code> means 10 to 255, <code>-3</code> means 1 to 3. "
        "Only digits, commas and hyphens are allowed; a number printed twice in the text is "
        "printed twice.</li></ul>"
        "<p><b>Quality</b> chooses the print size. <b>Add Header</b> prints a line "
        "<code>--- Logo n ---</code> above each logo.</p>"
        "<p>Printing needs a printer: with Print To File on the Setup page, Print is not "
        "available.</p>");
}

QString SetupHelp()
{
    return QStringLiteral(
        "<h2>Setup Port</h2>"
        "<p><b>Printer Name</b>: the ORVAN 7S/U and 4S/U are serial (or USB-serial) models, "
        "the 7P and 4P parallel ones. Choosing a model fills <b>PortName</b> (the serial "
        "ports that can be opened now, or LPT1) and sets Max Printable Area to 512 dots for "
        "the 7 series and 384 for the 4 series.</p>"
        "<p>For a serial model set <b>Baudrate</b>, <b>BitLength</b>, <b>Parity</b>, "
        "<b>StopBit</b> and <b>Handshake</b> to what the printer is set to. The defaults are "
        "115200 (38400 on the 4S/U), 8, NONE, 1 and DTR/DSR.</p>"
        "<p><b>Print To File</b> sends downloads into a file instead of a printer; the boxes "
        "of the printer and its port stay locked until you clear it, and Apply has nothing to test.</p>"
        "<p><b>Max Printable Area</b> (1 to 576 dots) is the width within which logos marked "
        "for centring are centred and to which fitted logos shrink; <b>Paper</b> sets it for "
        "58 mm paper (384 dots) and 80 mm paper (512 or 576 dots, as the printer prints). The <b>Black / "
        "White diverging point</b> (0 to 255) "
        "decides which pixels print: a pixel darker than this grey level prints as a black "
        "dot, so a higher value prints more. Logos of 16 colours or fewer ignore it; a "
        "256-colour logo prints the colours at palette positions 0 to 255 minus the value, "
        "whatever their shade.</p>"
        "<p><b>NV storage</b>: <b>All at once (FS q)</b> stores the whole list in one pass and "
        "cannot read anything back. <b>By key (GS ( L)</b>, for printers that keep logos by "
        "key, stores each logo under its key (the Key column of the lists, \"01\", \"02\", ... "
        "unless you type another), only those the printer lacks or that changed, reads the "
        "memory back to check it, and lets <b>Printer Memory...</b> on the Download page show, "
        "delete and print what the printer holds; the Print page's Selection then takes keys "
        "such as <code>L1,L2</code>. On many printers one way erases what the other stored.</p>"
        "<p>The settings take effect when you leave this page. <b>Apply</b> also tests the "
        "connection: it opens the port and, on a serial port, initialises the printer and "
        "asks for its model number, waiting up to a second for the answer. A message tells "
        "you when something fails; the page stays open either way.</p>"
        "<p><b>Close</b> ends the program. It remembers whether the printer is serial or "
        "parallel (in Device.INI in the folder the program was started from), and the Max "
        "Printable Area, the Black / White diverging point and the Halftone; the printer model, "
        "the port and the serial settings start from their defaults next time.</p>");
}

} // namespace

QString PortDeviceTableHtml()
{
    return QStringLiteral("<pre>") + QString::fromStdString(printer::PortDeviceTableText()).toHtmlEscaped() +
           QStringLiteral("</pre>");
}

QString HelpTextFor(const QString& topic)
{
    if (topic == QLatin1String("Bitmap Selection"))
        return SelectionHelp();
    if (topic == QLatin1String("Preview"))
        return PreviewHelp();
    if (topic == QLatin1String("Logo Upload"))
        return DownloadHelp() + PortsSection();
    if (topic == QLatin1String("Logo Printout"))
        return PrintHelp() + PortsSection();
    if (topic == QLatin1String("Setup"))
        return SetupHelp() + PortsSection();
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
        text->setMinimumSize(480, 360);
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
