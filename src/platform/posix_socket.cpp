// The POSIX side of the platform layer for TCP sockets: non-blocking, and never a SIGPIPE.

#include "platform/net_addresses.h"

#include <errno.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

// POSIX sockets need no starting.
bool StartSockets()
{
    return true;
}

Socket StartConnecting(const NetAddresses* addresses, size_t index)
{
    const addrinfo* address = AddressAt(addresses, index);
    if (!address)
        return kNoSocket;
    int fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    address->ai_protocol);
    if (fd < 0)
        return kNoSocket;
    if (connect(fd, address->ai_addr, address->ai_addrlen) == 0 || errno == EINPROGRESS)
        return fd;
    close(fd);
    return kNoSocket;
}

int ConnectionState(Socket socket)
{
    pollfd ready = {static_cast<int>(socket), POLLOUT, 0};
    if (poll(&ready, 1, 0) == 0)
        return 0;
    int error = ETIMEDOUT;
    socklen_t size = sizeof error;
    if (ready.revents)
        getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &size);
    return error == 0 ? 1 : -1;
}

long ReceiveNow(Socket socket, void* buffer, size_t size)
{
    for (;;) {
        ssize_t got = recv(static_cast<int>(socket), buffer, size, MSG_DONTWAIT);
        if (got > 0)
            return got;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        if (got < 0 && errno == EINTR)
            continue;
        return -1;
    }
}

long SendNow(Socket socket, const void* bytes, size_t size, std::string& error)
{
    for (;;) {
        ssize_t sent = send(static_cast<int>(socket), bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        error = strerror(errno);
        return -1;
    }
}

void CloseSocket(Socket socket)
{
    if (socket != kNoSocket)
        close(static_cast<int>(socket));
}
