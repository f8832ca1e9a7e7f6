#include "keyed/KeyedRun.h"

#include "keyed/KeyedWriter.h"
#include "keyed/NvKey.h"
#include "platform/Text.h"

namespace keyed {

const char* const kNoAnswerText =
    "The printer does not answer key-coded memory requests; use All at once (FS q).";
const char* const kMutualErasureText =
    "Storing logos by key erases, on many printers, the logos stored all at once (FS q). Go on?";

std::string DescribeMemory(const Memory& memory)
{
    const std::string keys = JoinKeys(memory.keys);
    const size_t count = memory.keys.size();
    return "Key-coded memory: " + GroupedNumber(memory.capacity) + " bytes, " + GroupedNumber(memory.free) +
           " free, " + std::to_string(count) + (count == 1 ? " logo" : " logos") + " stored" +
           (keys.empty() ? "" : " (" + keys + ")");
}

std::string DescribeProgress(const Progress& progress)
{
    const std::string key = KeyText(progress.key);
    switch (progress.step) {
    case Step::Asking:
        return "Asking the printer what it holds...";
    case Step::Sending: {
        const std::string of =
            progress.count > 1 ? Format(" (%d of %d)", progress.index, progress.count) : "";
        if (progress.what == "deleting")
            return (progress.key.empty() ? "Deleting every logo" : "Deleting " + key) + of + "...";
        if (progress.what == "printing")
            return "Printing " + key + of + "...";
        return "Sending " + key + of + "...";
    }
    case Step::Writing:
        return Format("The printer is writing its memory (%d s)", progress.seconds);
    case Step::Verifying:
        return "Verifying...";
    case Step::Verified:
        return key + " verified";
    }
    return {};
}

} // namespace keyed
