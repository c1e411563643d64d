#pragma once

#include <functional>

// Runs `body` in a forked copy of the test process and returns its exit code
// (-1 when it died otherwise). For what would harm this process: dropping
// privileges, resource limits, dying half-way through a save.
[[nodiscard]] int RunInChild(const std::function<int()>& body);

// In such a child: gives up root, so that folder permissions apply as they
// do to an ordinary user. Does nothing for a process that is not root.
[[nodiscard]] bool DropToUnprivilegedUser();
