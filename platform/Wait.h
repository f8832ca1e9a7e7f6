#pragma once
// Pauses and long blocking operations. The program has one thread; a pause must not
// freeze the window, and user input must wait until the pause is over (a click on
// Cancel during a step takes effect after the step, never inside it).

namespace platform {

class Waiter {
public:
    virtual ~Waiter() = default;
    // Returns after ms milliseconds.
    virtual void Sleep(int ms) = 0;
    // Called by operations that block for a while (port writes, reads with a
    // time-out) between short slices, so the window can repaint. Must not deliver
    // user input.
    virtual void KeepAlive() {}
};

// nullptr restores the default: a plain sleep of the thread, KeepAlive does nothing.
void SetWaiter(Waiter* waiter);
void Sleep(int ms);
void KeepAlive();

} // namespace platform
