// The Windows side of the platform layer for TCP sockets: Winsock, non-blocking.

#include "platform/net_addresses.h"

#include <winsock2.h>
#include <ws2tcpip.h>

// Winsock starts once, before the first look-up, and stays for the process.
static struct {
    bool tried = false;
    bool started = false;
} winsock;

bool StartSockets()
{
    if (!winsock.tried) {
        WSADATA data;
        winsock.started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        winsock.tried = true;
    }
    return winsock.started;
}

Socket StartConnecting(const NetAddresses* addresses, size_t index)
{
    const addrinfo* address = AddressAt(addresses, index);
    if (!address)
        return kNoSocket;
    SOCKET s = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (s == INVALID_SOCKET)
        return kNoSocket;
    u_long non_blocking = 1;
    if (ioctlsocket(s, FIONBIO, &non_blocking) == 0 &&
        (connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0 ||
         WSAGetLastError() == WSAEWOULDBLOCK))
        return static_cast<Socket>(s);
    closesocket(s);
    return kNoSocket;
}

int ConnectionState(Socket socket)
{
    WSAPOLLFD ready = {static_cast<SOCKET>(socket), POLLOUT, 0};
    if (WSAPoll(&ready, 1, 0) == 0)
        return 0;
    int error = WSAETIMEDOUT;
    int size = sizeof error;
    if (ready.revents)
        getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_ERROR,
                   reinterpret_cast<char*>(&error), &size);
    return error == 0 ? 1 : -1;
}

long ReceiveNow(Socket socket, void* buffer, size_t size)
{
    int got = recv(static_cast<SOCKET>(socket), static_cast<char*>(buffer),
                   static_cast<int>(size), 0);
    if (got > 0)
        return got;
    if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
        return 0;
    return -1;
}

long SendNow(Socket socket, const void* bytes, size_t size, std::string& error)
{
    int sent = send(static_cast<SOCKET>(socket), static_cast<const char*>(bytes),
                    static_cast<int>(size), 0);
    if (sent >= 0)
        return sent;
    int code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK)
        return 0;
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    error = text;
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == '.'))
        error.pop_back();
    return -1;
}

void CloseSocket(Socket socket)
{
    if (socket != kNoSocket)
        closesocket(static_cast<SOCKET>(socket));
}
