#pragma once
// What the build the tests run in does to them: under ThreadSanitizer every thread runs
// many times slower, and a child forked from a process with threads may not run the
// program at all.
namespace testing_support {

#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kThreadSanitizer = true;
#else
inline constexpr bool kThreadSanitizer = false;
#endif
#else
inline constexpr bool kThreadSanitizer = false;
#endif

} // namespace testing_support
