#pragma once

#include <functional>
#include <memory>
#include <string>

#include "protocol/custom_command.h"
#include "web/thread_list.h"

using TCommandQueue = TMyThreadList<TPelcoCommandItem>;

// What a running server shares with its connections. A start hands out a new
// snapshot through std::shared_ptr and never changes it afterwards, so a
// connection that outlives a restart keeps answering with the settings it
// began with. Only Commands is written by several threads (through its lock);
// it is the one queue, kept by the window across restarts.
struct TClientData {
    std::shared_ptr<TCommandQueue> Commands;
    std::string ServerName;
    bool Authenticate = false;
    std::string AuthUser;
    std::string AuthPassword;
    std::string Page; // the control page, its token already replaced
};

// At most this many queued commands are sent per data-reader tick.
constexpr int MaxQueuedCommandsPerTick = 10;

// Takes up to `maxItems` commands off `queue`, oldest first, and hands each to
// `send`; the rest stay queued in order. Returns how many were handed over.
// The lock is not held while `send` runs.
int DrainCommandQueue(TCommandQueue& queue, const std::function<void(const TPelcoCommandItem&)>& send,
                      int maxItems = MaxQueuedCommandsPerTick);
