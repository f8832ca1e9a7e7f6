#pragma once
// The Selection page's status line about BMP files that Classic would print badly (a
// colour palette, transparent pixels, nearly all black; see download/ClassicHint). The
// files just added are looked at one per turn of the event loop, so that the window
// keeps painting while a long choice of files is read; each file is looked at once
// in a run, and the line names what it found without a dialog.
//
// Window thread only.
#include <QObject>
#include <deque>
#include <set>
#include <string>
#include <vector>

class QLabel;
class QTimer;

class CClassicHintLine final : public QObject {
    Q_OBJECT
public:
    // label: the line, hidden until there is something to say.
    explicit CClassicHintLine(QLabel* label);

    // Files just added to the list, to be looked at as Classic converts them at
    // threshold. What the line said about earlier files goes.
    void Judge(const std::vector<std::string>& paths, int threshold);

private:
    void JudgeNext();
    void Show();

    QLabel* m_label;
    QTimer* m_timer;
    std::set<std::string> m_judged; // every file looked at (or about to be) in this run
    std::deque<std::string> m_waiting;
    int m_threshold = 128;
    std::vector<std::string> m_hints; // what was found, the first hint in full
    std::vector<std::string> m_names; // the files it was found in
};
