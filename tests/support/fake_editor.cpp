// The stand-in for the sync editor.

#include "support/fake_editor.h"

#include <chrono>
#include <cstring>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>

// Winsock wants starting once per process; its sockets know no close-on-exec or SIGPIPE.
static int OpenListener()
{
    static WSADATA started;
    static int result = WSAStartup(MAKEWORD(2, 2), &started);
    (void)result;
    return static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
}
static int TakeConnection(int fd) { return static_cast<int>(accept(fd, nullptr, nullptr)); }
static void CloseFd(int fd) { closesocket(fd); }
static long SendAll(int fd, const void* bytes, size_t size)
{
    return send(fd, static_cast<const char*>(bytes), static_cast<int>(size), 0);
}
static bool Readable(int fd, double seconds)
{
    WSAPOLLFD ready = {static_cast<SOCKET>(fd), POLLIN, 0};
    return WSAPoll(&ready, 1, static_cast<int>(seconds * 1000)) > 0;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

static int OpenListener() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
static int TakeConnection(int fd) { return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }
static void CloseFd(int fd) { close(fd); }
static long SendAll(int fd, const void* bytes, size_t size)
{
    return send(fd, bytes, size, MSG_NOSIGNAL);
}
// Waits at most `seconds` for `fd` to be readable.
static bool Readable(int fd, double seconds)
{
    pollfd ready = {fd, POLLIN, 0};
    return poll(&ready, 1, static_cast<int>(seconds * 1000)) > 0;
}
#endif

static double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static void PutBig32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

static uint32_t Big32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

FakeEditor::FakeEditor()
{
    listen_fd_ = OpenListener();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listen_fd_, 4);
    socklen_t size = sizeof address;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
}

FakeEditor::~FakeEditor()
{
    Drop();
    CloseFd(listen_fd_);
}

std::string FakeEditor::Address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

bool FakeEditor::Accept(double seconds, const std::string& answer)
{
    Drop();
    tracks.clear();
    rows.clear();
    in_.clear();
    understood = true;
    closed = false;
    const std::string expected = "hello, synctracker!";
    double end = Now() + seconds;
    // A connection the demo gave up before it was taken has been closed: the next one is taken.
    while (Readable(listen_fd_, end - Now())) {
        fd_ = TakeConnection(listen_fd_);
        std::string greeting;
        while (greeting.size() < expected.size() && Readable(fd_, end - Now())) {
            char c;
            if (recv(fd_, &c, 1, 0) != 1)
                break;
            greeting += c;
        }
        char next;
        bool given_up = Readable(fd_, 0) && recv(fd_, &next, 1, MSG_PEEK) == 0;
        if (!greeting.empty() && !given_up) {
            SendBytes({answer.begin(), answer.end()});
            return greeting == expected;
        }
        Drop();
    }
    return false;
}

bool FakeEditor::ReadUntil(const std::function<bool()>& done, double seconds)
{
    double end = Now() + seconds;
    while (!done()) {
        double left = end - Now();
        if (fd_ < 0 || closed || left <= 0 || !Readable(fd_, left))
            return done();
        char buffer[4096];
        long got = recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0) {
            closed = true;
            continue;
        }
        in_.insert(in_.end(), buffer, buffer + got);
        Parse();
    }
    return true;
}

bool FakeEditor::WaitForTracks(size_t count, double seconds)
{
    return ReadUntil([&] { return tracks.size() >= count; }, seconds);
}

bool FakeEditor::WaitForClose(double seconds)
{
    return ReadUntil([&] { return closed; }, seconds);
}

// Takes the demo's whole messages off the front of what came: GET_TRACK and SET_ROW.
void FakeEditor::Parse()
{
    size_t at = 0;
    for (;;) {
        size_t left = in_.size() - at;
        if (left >= 5 && in_[at] == 2 && left >= 5 + Big32(&in_[at + 1])) {
            uint32_t length = Big32(&in_[at + 1]);
            tracks.emplace_back(in_.begin() + at + 5, in_.begin() + at + 5 + length);
            at += 5 + length;
        } else if (left >= 5 && in_[at] == 3) {
            rows.push_back(Big32(&in_[at + 1]));
            at += 5;
        } else {
            if (left > 0 && in_[at] != 2 && in_[at] != 3)
                understood = false;
            break;
        }
    }
    in_.erase(in_.begin(), in_.begin() + at);
}

void FakeEditor::SetKey(uint32_t track, uint32_t row, float value, uint8_t type)
{
    std::vector<uint8_t> bytes = {0};
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    PutBig32(bytes, track);
    PutBig32(bytes, row);
    PutBig32(bytes, bits);
    bytes.push_back(type);
    SendBytes(bytes);
}

void FakeEditor::DeleteKey(uint32_t track, uint32_t row)
{
    std::vector<uint8_t> bytes = {1};
    PutBig32(bytes, track);
    PutBig32(bytes, row);
    SendBytes(bytes);
}

void FakeEditor::SetRow(uint32_t row)
{
    std::vector<uint8_t> bytes = {3};
    PutBig32(bytes, row);
    SendBytes(bytes);
}

void FakeEditor::Pause(bool paused)
{
    SendBytes({4, static_cast<uint8_t>(paused ? 1 : 0)});
}

void FakeEditor::SaveTracks()
{
    SendBytes({5});
}

void FakeEditor::SendBytes(const std::vector<uint8_t>& bytes)
{
    if (fd_ >= 0)
        SendAll(fd_, bytes.data(), bytes.size());
}

void FakeEditor::Drop()
{
    if (fd_ >= 0)
        CloseFd(fd_);
    fd_ = -1;
}
