#pragma once
// A wait observer for link tests: runs an action at the nth slice of the link's waits
// (the printer answers, completes a transfer, or the test cancels there), and carries
// the cancel token the action may set.
#include <functional>
#include <utility>

#include "printer/StallPolicy.h"

namespace testing_support {

class AtSlice final : public printer::WaitObserver {
public:
    AtSlice(int n, std::function<void()> action) : m_left(n), m_action(std::move(action)) {}
    void OnSlice() override
    {
        if (--m_left == 0)
            m_action();
    }
    void OnNotTakingData(const printer::WaitReport&) override {}
    printer::CancelToken token{false};

private:
    int m_left;
    std::function<void()> m_action;
};

} // namespace testing_support
