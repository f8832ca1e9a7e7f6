#pragma once
// What the user is told when a run has ended: the message boxes of the window, with
// their texts, icons and order, made from the run's end value. The window shows each
// as a box; the command line prints each as one line. Texts stand exactly as the
// program has always shown them (platform/Messages.h).
//
// Pure functions of their arguments; safe from any thread.
#include <string>
#include <vector>

#include "jobs/CheckJob.h"
#include "jobs/DownloadJob.h"
#include "jobs/KeyedJob.h"
#include "jobs/PrintJob.h"

namespace jobs {

struct RunMessage {
    std::string text;
    unsigned flags = 0; // platform::MB_* of the box
    bool operator==(const RunMessage&) const = default;
};

// After a download. unstoredProfile names the profile that could not take the stored
// list of a completed run ("" when it could, or when there is none, as on the command line).
std::vector<RunMessage> DownloadMessages(const DownloadEnd& end, const std::string& unstoredProfile = "");
std::vector<RunMessage> PrintMessages(const PrintEnd& end);
// After a run on logos stored by key: a start that failed as every run says it, else
// KeyedSummary, as a warning unless the run succeeded.
std::vector<RunMessage> KeyedMessages(const KeyedEnd& end);
// Why the run did not succeed, what was stored, left alone, refused, deleted or printed,
// and what the printer holds: one fact a line.
std::string KeyedSummary(const keyed::RunResult& run);
// After the Setup page's Apply test.
std::vector<RunMessage> CheckMessages(const CheckEnd& end);

// The Setup page's status line after the test: the printer's state when it was asked,
// and the model byte ("Ready. Paper near end. Model 0x20.", "Cover open. Model 0x20.",
// "The printer answered. Model 0x20.", "No answer."); "" when there is nothing to say.
std::string CheckSummary(const CheckEnd& end);

} // namespace jobs
