#pragma once
// Test doubles for the platform seam: a message-box recorder with scripted answers,
// a pause recorder, a scripted file chooser. FakePlatform installs the box recorder and
// the chooser for the lifetime of a test and restores the defaults afterwards.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileChooser.h"
#include "platform/MessageBox.h"

namespace testing_support {

struct ShownBox {
    std::string text;
    unsigned flags;
    std::string caption;
};

class RecordingMessageBox final : public platform::MessageBoxHandler {
public:
    int Show(const std::string& text, unsigned flags, const std::string& caption) override;
    // The answer to the next question (Yes/No box); questions beyond the script get
    // IDYES. OK boxes always answer IDOK.
    void Answer(int id) { answers.push_back(id); }
    std::vector<std::string> Texts() const;

    std::vector<ShownBox> shown;
    std::deque<int> answers;
};

// The pauses a driver asks of its caller, recorded instead of taken.
class VirtualClock final {
public:
    // Many printers' runs may pause at once, each on its own thread.
    void Sleep(int ms)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        sleeps.push_back(ms);
    }

    std::vector<int> sleeps;

private:
    std::mutex m_mutex;
};

class ScriptedFileChooser final : public platform::FileChooser {
public:
    bool ChooseOpenFiles(const std::string& initialPath, const std::string& filter,
                         std::vector<std::string>& paths) override;
    bool AskOutputFileName(std::string& name) override;

    // Each open dialog takes the next entry; an empty optional cancels.
    struct Choice {
        bool ok;
        std::vector<std::string> paths;
    };
    std::deque<Choice> openChoices;
    std::deque<Choice> outputChoices;      // paths[0] is the name
    std::vector<std::string> initialPaths; // what each open dialog was given
    std::vector<std::string> filters;      // and the file kinds it offered
};

class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    RecordingMessageBox boxes;
    VirtualClock clock;
    ScriptedFileChooser files;
};

} // namespace testing_support
