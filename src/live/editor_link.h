// demohost-live's link to the sync editor: a TCP connection made and kept without ever waiting,
// the editor's messages read (live/editor_protocol.h) and carried out, and the rows sent back
// while playing. State: the EditorLink (socket, buffers, tracks asked for).
#pragma once

#include "live/editor_protocol.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class EditorLink {
public:
    // Finds the editor's address (before any frame: a name lookup may wait); the first try to
    // connect is made at the first poll.
    EditorLink(const std::string& host, const std::string& port);
    EditorLink(const EditorLink&) = delete;
    EditorLink& operator=(const EditorLink&) = delete;
    ~EditorLink();

    // Without waiting: connects (trying again about once a second while it cannot), asks for the
    // tracks not yet asked for, sets and deletes the keys the editor sent, and gathers its other
    // requests. `now` is seconds on any steady clock.
    void Poll(double now, EditorRequests& requests);
    // Tells the editor the row played, when its whole part differs from the last row told.
    void PlayingAt(int32_t row);
    bool Connected() const { return state_ == State::kConnected; }

private:
    enum class State { kIdle, kConnecting, kGreeting, kConnected };
    void TryAddresses(double now);
    void FinishConnecting(double now);
    void ReadGreeting(double now);
    void Greeted();
    bool Receive();
    void AskForNewTracks();
    void Send(const unsigned char* bytes, size_t size);
    void Flush();
    // Ends the connection or the try; `why` is printed when a connection had been made.
    void End(double now, const std::string& why);

    std::string name_;  // HOST:PORT, for the lines printed
    NetAddresses* addresses_ = nullptr;
    size_t trying_ = 0;  // the address being tried
    State state_ = State::kIdle;
    Socket socket_ = kNoSocket;
    double next_try_ = 0;
    double deadline_ = 0;  // of the connection being made or greeted
    std::vector<unsigned char> in_, out_;
    size_t asked_ = 0;  // tracks asked for on this connection, the editor's numbers 0 to asked_ - 1
    int32_t row_told_ = -1;
    std::string unsent_;    // why the socket was closed while sending
    std::string reported_;  // the last failed try's reason, printed once
};
