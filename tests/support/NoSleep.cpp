// Preloaded into the programs the README and CLI tests run: their fixed pauses (3.5 s while
// the printer erases, 300 ms between prints) return at once, so the examples run as
// written without the test waiting for real. Waits on the port (poll) are untouched.
#include <ctime>

extern "C" {

int nanosleep(const struct timespec*, struct timespec* remaining)
{
    if (remaining)
        *remaining = {};
    return 0;
}

int clock_nanosleep(clockid_t, int, const struct timespec*, struct timespec* remaining)
{
    if (remaining)
        *remaining = {};
    return 0;
}

} // extern "C"
