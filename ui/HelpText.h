#pragma once
// The program's own help: one short text per page topic, shown in a small window.
#include <QString>

class QWidget;

// The help text for a topic ("Bitmap Selection", "Preview", "Logo Upload",
// "Logo Printout", "Setup"); empty for an unknown topic.
QString HelpTextFor(const QString& topic);
// The port names and the devices behind them, as preformatted HTML.
QString PortDeviceTableHtml();
// Shows the help window for the topic (modeless, one at a time).
void ShowPageHelp(QWidget* parent, const QString& topic);
