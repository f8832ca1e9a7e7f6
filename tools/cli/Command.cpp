#include "tools/cli/Command.h"

#include <algorithm>

namespace cli {
namespace {
std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}
} // namespace

bool Registry::Add(Command command)
{
    auto& commands = Commands();
    commands.push_back(std::move(command));
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return true;
}

const std::vector<Command>& Registry::All()
{
    return Commands();
}

const Command* Registry::Find(const std::string& name)
{
    for (const Command& command : Commands())
        if (command.name == name)
            return &command;
    return nullptr;
}

} // namespace cli
