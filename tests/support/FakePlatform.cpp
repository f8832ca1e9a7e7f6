#include "tests/support/FakePlatform.h"

namespace testing_support {

int RecordingMessageBox::Show(const std::string& text, unsigned flags, const std::string& caption)
{
    shown.push_back({text, flags, caption});
    if ((flags & platform::MB_TYPEMASK) != platform::MB_YESNO)
        return platform::IDOK;
    if (answers.empty())
        return platform::IDYES;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> RecordingMessageBox::Texts() const
{
    std::vector<std::string> texts;
    for (const ShownBox& box : shown)
        texts.push_back(box.text);
    return texts;
}

bool ScriptedFileChooser::ChooseOpenFiles(const std::string& initialPath, const std::string& filter,
                                          std::vector<std::string>& paths)
{
    initialPaths.push_back(initialPath);
    filters.push_back(filter);
    if (openChoices.empty())
        return false;
    Choice choice = openChoices.front();
    openChoices.pop_front();
    paths = choice.paths;
    return choice.ok;
}

bool ScriptedFileChooser::AskOutputFileName(std::string& name)
{
    if (outputChoices.empty())
        return false;
    Choice choice = outputChoices.front();
    outputChoices.pop_front();
    if (choice.ok && !choice.paths.empty())
        name = choice.paths.front();
    return choice.ok;
}

FakePlatform::FakePlatform()
{
    platform::SetMessageBoxHandler(&boxes);
    platform::SetFileChooser(&files);
}

FakePlatform::~FakePlatform()
{
    platform::SetMessageBoxHandler(nullptr);
    platform::SetFileChooser(nullptr);
}

} // namespace testing_support
