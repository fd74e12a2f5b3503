// demohost-live's link to the sync editor: the connection and the socket's reads and writes.

#include "live/editor_link.h"

#include "tracks/tracks.h"

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
    std::string error;
    addresses_ = ResolveAddresses(host, port, error);
    if (!addresses_)
        printf("demohost-live: cannot find the editor's host %s: %s\n", host.c_str(),
               error.c_str());
}

EditorLink::~EditorLink()
{
    CloseSocket(socket_);
    FreeAddresses(addresses_);
}

void EditorLink::Poll(double now, EditorRequests& requests)
{
    if (state_ == State::kIdle && addresses_ && now >= next_try_) {
        trying_ = 0;
        TryAddresses(now);
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
    if (socket_ == kNoSocket)
        End(now, unsent_);
}

// Starts a non-blocking connection to address `trying_`, or to the addresses after it that fail
// at once.
void EditorLink::TryAddresses(double now)
{
    for (size_t count = AddressCount(addresses_); trying_ < count; trying_++) {
        socket_ = StartConnecting(addresses_, trying_);
        if (socket_ != kNoSocket) {
            state_ = State::kConnecting;
            deadline_ = now + kTimeoutSeconds;
            return;
        }
    }
    state_ = State::kIdle;
    next_try_ = now + kRetrySeconds;
}

void EditorLink::FinishConnecting(double now)
{
    int connected = ConnectionState(socket_);
    if (connected == 0 && now < deadline_)
        return;
    if (connected != 1) {
        CloseSocket(socket_);
        socket_ = kNoSocket;
        trying_++;
        TryAddresses(now);
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
    bool open = socket_ != kNoSocket && Receive();
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
        long got = ReceiveNow(socket_, buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        in_.insert(in_.end(), buffer, buffer + got);
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
    while (socket_ != kNoSocket && !out_.empty()) {
        std::string error;
        long sent = SendNow(socket_, out_.data(), out_.size(), error);
        if (sent > 0) {
            out_.erase(out_.begin(), out_.begin() + sent);
            continue;
        }
        if (sent == 0 && out_.size() <= kMaxUnsent)
            return;
        unsent_ = sent < 0 ? error : "the editor reads nothing";
        CloseSocket(socket_);
        socket_ = kNoSocket;
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
    CloseSocket(socket_);
    socket_ = kNoSocket;
    state_ = State::kIdle;
    next_try_ = now + kRetrySeconds;
}
