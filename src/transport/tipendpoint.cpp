#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "transport/system_error.h"
#include "transport/tipsocket.h"

namespace {

// The resolver's own codes are no errno values; keep the nearest one so the
// caller still has something to word.
int ErrnoOfResolverError(int code)
{
    switch (code) {
    case EAI_SYSTEM: return errno;
    case EAI_AGAIN: return EAGAIN;
    case EAI_MEMORY: return ENOMEM;
    default: return ENXIO;
    }
}

bool HasNul(const std::string& text)
{
    return text.find('\0') != std::string::npos;
}

} // namespace

bool TIPEndpoint::Resolve(const std::string& hostText)
{
    IPAddress = 0;
    // An empty name would go out to the name server as a query for the root;
    // a NUL would make the resolver look up a shorter name than was typed.
    if (hostText.empty() || HasNul(hostText)) {
        SetLastSystemError(EINVAL);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(hostText.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        SetLastSystemError(ErrnoOfResolverError(result));
        return false;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            IPAddress = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            return true;
        }
    }
    SetLastSystemError(ENXIO);
    return false;
}

bool TIPEndpoint::Parse(const std::string& text)
{
    // inet_addr keeps the classic forms ("127.1", octal, hex) and cannot tell
    // 255.255.255.255 from an error, so that address is refused too.
    IPAddress = HasNul(text) ? INADDR_NONE : inet_addr(text.c_str());
    if (IPAddress == INADDR_NONE) {
        SetLastSystemError(EINVAL);
        return false;
    }
    return true;
}

std::string TIPEndpoint::AddressText() const
{
    in_addr address{};
    address.s_addr = IPAddress;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string TIPEndpoint::EndpointText() const
{
    return AddressText() + ":" + std::to_string(Port);
}
