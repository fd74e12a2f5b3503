// Looking up a host's addresses for the sockets: getaddrinfo, the same call on both systems.

#include "platform/net_addresses.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

struct NetAddresses {
    addrinfo* list = nullptr;
};

NetAddresses* ResolveAddresses(const std::string& host, const std::string& port,
                               std::string& error)
{
    if (!StartSockets()) {
        error = "the sockets library did not start";
        return nullptr;
    }
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int failed = getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
    if (failed != 0) {
        error = gai_strerror(failed);
        return nullptr;
    }
    return new NetAddresses{list};
}

void FreeAddresses(NetAddresses* addresses)
{
    if (!addresses)
        return;
    freeaddrinfo(addresses->list);
    delete addresses;
}

const addrinfo* AddressAt(const NetAddresses* addresses, size_t index)
{
    const addrinfo* address = addresses ? addresses->list : nullptr;
    for (; address && index > 0; index--)
        address = address->ai_next;
    return address;
}

size_t AddressCount(const NetAddresses* addresses)
{
    size_t count = 0;
    while (AddressAt(addresses, count))
        count++;
    return count;
}
