// A stand-in for the sync editor in tests: a TCP server on 127.0.0.1 that greets one demo at a
// time, records the tracks it asks for and the rows it plays, and sends it messages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FakeEditor {
public:
    FakeEditor();  // listens on a free port
    ~FakeEditor();
    // "127.0.0.1:PORT", for demohost-live's --editor.
    std::string Address() const;
    // Waits at most `seconds` for a demo, reads its greeting and answers with `answer`; true
    // when the demo greeted as it should. What the last connection recorded is cleared.
    bool Accept(double seconds, const std::string& answer = "hello, demo!");
    // Reads the demo's messages until `done` holds, at most `seconds`; whether it came to hold.
    bool ReadUntil(const std::function<bool()>& done, double seconds);
    // Reads until the demo has asked for `count` tracks on this connection.
    bool WaitForTracks(size_t count, double seconds);
    // Reads until the demo closes the connection.
    bool WaitForClose(double seconds);

    void SetKey(uint32_t track, uint32_t row, float value, uint8_t type);
    void DeleteKey(uint32_t track, uint32_t row);
    void SetRow(uint32_t row);
    void Pause(bool paused);
    void SaveTracks();
    void SendBytes(const std::vector<uint8_t>& bytes);
    // Closes the connection to the demo.
    void Drop();

    std::vector<std::string> tracks;  // names asked for on this connection, in order
    std::vector<uint32_t> rows;       // rows the demo played, in order
    bool understood = true;           // false once the demo sent something no editor reads
    bool closed = false;              // the demo closed the connection

private:
    void Parse();
    int listen_fd_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::vector<uint8_t> in_;
};
