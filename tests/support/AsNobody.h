#pragma once
// Runs a piece of a test as the unprivileged user "nobody", for what root is never
// refused (permissions of devices and folders). Only root can become another user.
#include <functional>
#include <optional>
#include <string>

namespace testing_support {

// Runs body in a child process that has dropped to nobody's user and group (and no
// supplementary groups) and returns what body returned. nullopt when this process is
// not root, so the caller skips; a child that fails to drop or dies gives "<...>".
std::optional<std::string> RunAsNobody(const std::function<std::string()>& body);

} // namespace testing_support
