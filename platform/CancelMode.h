#pragma once
// A modal progress dialog must give up its run as soon as any message box opens over
// it (the error box it raises itself included). The dialog registers itself for the
// length of its modal run; every message box notifies the registered dialog before it
// is shown, on the same thread, exactly once per box.

namespace platform {

class CancelModeTarget {
public:
    virtual ~CancelModeTarget() = default;
    virtual void OnCancelMode() = 0;
};

// Registers a target for the lifetime of the scope; scopes nest.
class CancelModeScope {
public:
    explicit CancelModeScope(CancelModeTarget* target);
    ~CancelModeScope();
    CancelModeScope(const CancelModeScope&) = delete;
    CancelModeScope& operator=(const CancelModeScope&) = delete;

private:
    CancelModeTarget* m_previous;
};

// Tells the registered target (if any) that a box is about to cover it.
void SendCancelMode();

} // namespace platform
