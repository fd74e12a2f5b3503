// The addresses of a host, as the platform layer's two socket sides share them. Not for use
// above the platform layer.
#pragma once

#include "platform/platform.h"

struct addrinfo;

// Address `index` of the list, null past its end.
const addrinfo* AddressAt(const NetAddresses* addresses, size_t index);
// Starts the system's sockets before the first look-up (Winsock); false when they cannot start.
bool StartSockets();
