#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <ifaddrs.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>

#include "transport/system_error.h"
#include "transport/tipsocket.h"

namespace {

// Successful start-ups not yet shut down. POSIX sockets need no start-up,
// so the count is all the state there is.
std::atomic<int> startupCount{0};

} // namespace

bool NetworkStartup()
{
    ++startupCount;
    return startupCount > 0;
}

bool NetworkShutdown()
{
    int count = startupCount.load();
    while (count > 0 && !startupCount.compare_exchange_weak(count, count - 1)) {
    }
    return startupCount == 0;
}

bool NetworkReady()
{
    return startupCount > 0;
}

int LocalAddresses(std::vector<std::string>& list)
{
    list.clear();
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) {
        SetLastSystemError(errno);
        return 0;
    }
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(interfaces, &freeifaddrs);
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        // Loopback is left out: the address list adds 127.0.0.1 itself, and
        // an interface that is down cannot be listened on.
        if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr)
            continue;
        if (std::find(list.begin(), list.end(), text) == list.end())
            list.emplace_back(text);
    }
    return static_cast<int>(list.size());
}
