// demohost-live's link to the sync editor: the connection and the socket's reads and writes.

#include "live/editor_link.h"

#include "tracks/tracks.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

static const double kRetrySeconds = 1;
// A host that drops the connection attempt, or accepts without greeting, is given up after this.
static const double kTimeoutSeconds = 3;
// An editor that reads nothing: the rows not sent are not kept beyond this.
static const size_t kMaxUnsent = 1 << 20;

EditorLink::EditorLink(const std::string& host, const std::string& port)
    : name_(host + ":" + port)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    int error = getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses_);
    if (error != 0) {
        addresses_ = nullptr;
        printf("demohost-live: cannot find the editor's host %s: %s\n", host.c_str(),
               gai_strerror(error));
    }
}

EditorLink::~EditorLink()
{
    if (fd_ >= 0)
        close(fd_);
    if (addresses_)
        freeaddrinfo(addresses_);
}

void EditorLink::Poll(double now, EditorRequests& requests)
{
    if (state_ == State::kIdle && addresses_ && now >= next_try_) {
        trying_ = addresses_;
        StartConnecting(now);
    }
    if (state_ == State::kConnecting)
        FinishConnecting(now);
    if (state_ == State::kGreeting)
        ReadGreeting(now);
    if (state_ != State::kConnected)
        return;
    AskForNewTracks();
    // What came before the editor closed the connection is carried out first.
    bool open = Receive();
    size_t used = 0;
    for (;;) {
        EditorMessage message;
        std::string problem;
        int length = ReadEditorMessage(in_.data() + used, in_.size() - used, message, problem);
        if (length < 0) {
            End(now, problem);
            return;
        }
        if (length == 0)
            break;
        used += static_cast<size_t>(length);
        if (!ApplyEditorMessage(message, asked_, requests, row_told_, problem)) {
            End(now, problem);
            return;
        }
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(used));
    if (!open) {
        End(now, in_.empty() ? "the editor closed it"
                             : "the editor closed it in the middle of a message");
        return;
    }
    Flush();
    if (fd_ < 0)
        End(now, unsent_);
}

// Starts a non-blocking connection to `trying_`, or to the addresses after it that fail at once.
void EditorLink::StartConnecting(double now)
{
    for (; trying_; trying_ = trying_->ai_next) {
        fd_ = socket(trying_->ai_family, trying_->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     trying_->ai_protocol);
        if (fd_ < 0)
            continue;
        if (connect(fd_, trying_->ai_addr, trying_->ai_addrlen) == 0 || errno == EINPROGRESS) {
            state_ = State::kConnecting;
            deadline_ = now + kTimeoutSeconds;
            return;
        }
        close(fd_);
        fd_ = -1;
    }
    state_ = State::kIdle;
    next_try_ = now + kRetrySeconds;
}

void EditorLink::FinishConnecting(double now)
{
    pollfd ready = {fd_, POLLOUT, 0};
    if (poll(&ready, 1, 0) == 0 && now < deadline_)
        return;
    int error = ETIMEDOUT;
    socklen_t size = sizeof error;
    if (ready.revents)
        getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
        close(fd_);
        fd_ = -1;
        trying_ = trying_->ai_next;
        StartConnecting(now);
        return;
    }
    state_ = State::kGreeting;
    deadline_ = now + kTimeoutSeconds;
    in_.clear();
    out_.clear();
    Send(reinterpret_cast<const unsigned char*>(kDemoGreeting), strlen(kDemoGreeting));
}

void EditorLink::ReadGreeting(double now)
{
    Flush();
    bool open = fd_ >= 0 && Receive();
    size_t wanted = strlen(kEditorGreeting);
    if (in_.size() < wanted) {
        if (!open || now >= deadline_)
            End(now, "no greeting from " + name_);
        return;
    }
    if (memcmp(in_.data(), kEditorGreeting, wanted) != 0) {
        End(now, name_ + " is not the sync editor: it greeted otherwise");
        return;
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(wanted));
    Greeted();
}

// The editor holds the keys now: every track is asked for again, in the order of the table, so
// that the editor's numbers are the table's, and its keys replace those the demo had.
void EditorLink::Greeted()
{
    state_ = State::kConnected;
    reported_.clear();
    printf("demohost-live: connected to the editor at %s\n", name_.c_str());
    SetTracksFromEditor(true);
    asked_ = 0;
    row_told_ = -1;
    for (size_t i = 0; i < AllTracks().size(); i++)
        ClearTrackKeys(static_cast<int>(i));
    AskForNewTracks();
}

// Reads what has come, up to a megabyte a frame so that a flood cannot hold a frame up; false
// when the connection has ended.
bool EditorLink::Receive()
{
    unsigned char buffer[4096];
    for (int reads = 0; reads < 256; reads++) {
        ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            in_.insert(in_.end(), buffer, buffer + got);
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        return false;
    }
    return true;
}

void EditorLink::AskForNewTracks()
{
    for (; asked_ < AllTracks().size(); asked_++) {
        WriteGetTrack(AllTracks()[asked_].name, out_);
    }
}

void EditorLink::PlayingAt(int32_t row)
{
    if (state_ != State::kConnected || row == row_told_)
        return;
    row_told_ = row;
    WriteSetRow(row, out_);
    Flush();
}

void EditorLink::Send(const unsigned char* bytes, size_t size)
{
    out_.insert(out_.end(), bytes, bytes + size);
}

// Sends what the socket takes now; an error, or an editor that takes nothing for long, closes
// the socket (the connection is then ended by the poll).
void EditorLink::Flush()
{
    while (fd_ >= 0 && !out_.empty()) {
        ssize_t sent = send(fd_, out_.data(), out_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            out_.erase(out_.begin(), out_.begin() + sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && out_.size() <= kMaxUnsent)
            return;
        unsent_ = sent < 0 && errno != EAGAIN ? strerror(errno) : "the editor reads nothing";
        close(fd_);
        fd_ = -1;
    }
}

// A connection that had been made is reported ended each time; a try that fails after the socket
// connected (no editor there) once for each new reason until a connection is made.
void EditorLink::End(double now, const std::string& why)
{
    if (state_ == State::kConnected) {
        printf("demohost-live: the editor connection ended: %s\n", why.c_str());
        SetTracksFromEditor(false);
    } else if (why != reported_) {
        printf("demohost-live: %s\n", why.c_str());
        reported_ = why;
    }
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    state_ = State::kIdle;
    next_try_ = now + kRetrySeconds;
}
