#pragma once
// In-process serial port and TCP client for fast tests. Each talks to a "peer": a
// function that takes the bytes the loader sent and returns what the unit answers
// (usually a UnitModel). Answers arrive at the next pump, after an optional delay.

#include "link/platform/client_socket.h"
#include "link/platform/serial_port.h"
#include "support/recording_clock.h"

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace zarvex::test {

using Peer = std::function<std::string(std::string_view received)>;

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(RecordingClock& clock);

    // Ports that exist, ports held by another program, and the unit behind a port.
    std::set<int> existing{1, 2, 3, 4};
    std::set<int> locked;
    std::map<int, Peer> peers;
    int replyDelayMs = 0;

    // Line model: bytes per millisecond that leave the output buffer (0 = at once),
    // a line that never drains, a CTS held low, an output buffer that reports this free.
    double drainBytesPerMs = 0;
    bool outputStuck = false;
    bool ctsLow = false;
    bool ctsHoldsOutput = true; // a low CTS keeps the output buffer from draining
    int forcedFree = -1;

    std::string written;         // everything put on the line, in order
    std::vector<int> blockSizes; // every putBlock count
    std::vector<int> opened;     // every successful open, by number

    bool open(std::string* error) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool isPortAvailable(int n) override { return n > 0 && existing.count(n) && !locked.count(n); }
    std::string devicePath(int n) const override { return "/dev/fake" + std::to_string(n); }
    int outBuffUsed() override;
    bool cts() override { return !ctsLow; }
    ModemLines modemLines() override { return {!ctsLow, true, true}; }
    bool putString(std::string_view text) override;
    bool putBlock(const char* data, int count) override;
    void flushOutBuffer() override { queued_ = 0; }
    void flushInBuffer() override;
    void processCommunications() override {}

    // Sends bytes from the unit to the loader (they arrive at the next pump).
    void unitSends(std::string_view bytes);

protected:
    void applySettings() override {}

private:
    void send(std::string_view bytes);
    void pump();
    RecordingClock& clock_;
    bool open_ = false;
    double queued_ = 0;
    std::int64_t queuedAt_ = 0;
    std::deque<std::pair<std::int64_t, std::string>> incoming_;
};

class FakeClientSocket : public ClientSocket {
public:
    explicit FakeClientSocket(RecordingClock& clock);

    // Servers by port; a port without one refuses (error event). blackholePorts never
    // answer at all.
    std::map<int, Peer> servers;
    std::set<int> blackholePorts;
    int connectDelayMs = 5;
    int replyDelayMs = 0;
    int wouldBlockCalls = 0;              // sendBuf answers -1 this many times
    int maxTakePerCall = 0;               // sendBuf takes at most this many bytes (0 = all)
    std::function<bool()> peerWantsClose; // checked after every delivery

    std::string written;
    int opens = 0;
    int lastErrorCode = -1; // what the error handler left in the code

    bool active() const override { return state_ == State::Connected; }
    void setAddress(const std::string& a) override { address_ = a; }
    void setPort(int p) override { port_ = p; }
    std::string address() const override { return address_; }
    int port() const override { return port_; }
    bool open(std::string* error) override;
    void close() override;
    void sendText(std::string_view text) override { sendBuf(text.data(), int(text.size())); }
    int sendBuf(const char* data, int count) override;
    int receiveLength() override { return int(received_.size()); }
    int receiveBuf(char* buffer, int count) override;

    // The unit closes the connection (no event, as a close by the peer).
    void peerCloses() { state_ = State::Idle; }
    // The unit sends unprompted bytes.
    void unitSends(std::string_view bytes);

private:
    enum class State { Idle, Connecting, Connected };
    void pump();
    void raiseError(int code);
    RecordingClock& clock_;
    State state_ = State::Idle;
    std::string address_;
    int port_ = 0;
    std::int64_t connectAt_ = 0;
    bool errorPending_ = false;
    std::int64_t errorAt_ = 0;
    std::string received_;
    std::deque<std::pair<std::int64_t, std::string>> incoming_;
};

// Puts a unit behind serial port n and opens it.
void openWithPeer(FakeSerialPort& port, int n, Peer peer);
// Starts a server with the unit on `tcpPort`, connects and pumps until the link is up.
void connectWithPeer(FakeClientSocket& socket, RecordingClock& clock, int tcpPort, Peer peer);

} // namespace zarvex::test
