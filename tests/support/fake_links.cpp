#include "support/fake_links.h"

#include <algorithm>
#include <cmath>

namespace zarvex::test {

FakeSerialPort::FakeSerialPort(RecordingClock& clock) : SerialPort(clock), clock_(clock) {
    clock_.onPump.push_back([this] { pump(); });
}

bool FakeSerialPort::open(std::string* error) {
    if (!existing.count(comNumber_)) {
        if (error)
            *error = "no such port";
        return false;
    }
    if (locked.count(comNumber_)) {
        if (error)
            *error = "port in use";
        return false;
    }
    open_ = true;
    opened.push_back(comNumber_);
    return true;
}

int FakeSerialPort::outBuffUsed() {
    if (forcedFree >= 0)
        return kOutBufferSize - forcedFree;
    if (outputStuck)
        return int(queued_);
    if (ctsLow && ctsHoldsOutput && queued_ > 0)
        return int(queued_); // CTS is required for sending: nothing leaves
    if (drainBytesPerMs <= 0)
        return 0;
    const double left = queued_ - double(clock_.nowMs() - queuedAt_) * drainBytesPerMs;
    return left > 0 ? int(std::ceil(left)) : 0;
}

bool FakeSerialPort::putString(std::string_view text) {
    if (!open_)
        return false;
    forcedFree = -1;
    send(text);
    return true;
}

bool FakeSerialPort::putBlock(const char* data, int count) {
    if (!open_)
        return false;
    forcedFree = -1; // the forced figure answers the check before a hand-over only
    blockSizes.push_back(count);
    queued_ = outBuffUsed() + count;
    queuedAt_ = clock_.nowMs();
    send(std::string_view(data, std::size_t(std::max(count, 0))));
    return true;
}

void FakeSerialPort::send(std::string_view bytes) {
    written.append(bytes);
    auto peer = peers.find(comNumber_);
    if (peer == peers.end() || !peer->second)
        return;
    std::string reply = peer->second(bytes);
    if (!reply.empty())
        incoming_.emplace_back(clock_.nowMs() + replyDelayMs, std::move(reply));
}

void FakeSerialPort::unitSends(std::string_view bytes) {
    incoming_.emplace_back(clock_.nowMs(), std::string(bytes));
}

void FakeSerialPort::flushInBuffer() {
    SerialPort::flushInBuffer();
    // What has already reached the port is discarded with the buffer.
    while (!incoming_.empty() && incoming_.front().first <= clock_.nowMs())
        incoming_.pop_front();
}

void FakeSerialPort::pump() {
    while (open_ && !incoming_.empty() && incoming_.front().first <= clock_.nowMs()) {
        std::string bytes = std::move(incoming_.front().second);
        incoming_.pop_front();
        deliver(bytes);
    }
}

FakeClientSocket::FakeClientSocket(RecordingClock& clock) : clock_(clock) {
    clock_.onPump.push_back([this] { pump(); });
}

bool FakeClientSocket::open(std::string* error) {
    if (address_.empty() || port_ < 0 || port_ > 65535) {
        if (error)
            *error = "invalid address or port";
        return false;
    }
    ++opens;
    received_.clear();
    incoming_.clear();
    if (blackholePorts.count(port_)) {
        state_ = State::Connecting;
        connectAt_ = INT64_MAX;
        return true;
    }
    if (!servers.count(port_)) {
        state_ = State::Idle;
        errorPending_ = true;
        errorAt_ = clock_.nowMs() + 1;
        return true;
    }
    state_ = State::Connecting;
    connectAt_ = clock_.nowMs() + connectDelayMs;
    return true;
}

void FakeClientSocket::close() {
    state_ = State::Idle;
    errorPending_ = false;
    incoming_.clear();
}

int FakeClientSocket::sendBuf(const char* data, int count) {
    if (state_ != State::Connected)
        return 0;
    if (wouldBlockCalls > 0) {
        --wouldBlockCalls;
        return -1;
    }
    const int take = maxTakePerCall > 0 ? std::min(count, maxTakePerCall) : count;
    const std::string_view bytes(data, std::size_t(std::max(take, 0)));
    written.append(bytes);
    auto server = servers.find(port_);
    if (server != servers.end() && server->second) {
        std::string reply = server->second(bytes);
        if (!reply.empty())
            incoming_.emplace_back(clock_.nowMs() + replyDelayMs, std::move(reply));
    }
    return take;
}

int FakeClientSocket::receiveBuf(char* buffer, int count) {
    const int n = std::clamp(count, 0, int(received_.size()));
    std::copy_n(received_.begin(), n, buffer);
    received_.erase(0, std::size_t(n));
    return n;
}

void FakeClientSocket::unitSends(std::string_view bytes) {
    incoming_.emplace_back(clock_.nowMs(), std::string(bytes));
}

void FakeClientSocket::raiseError(int code) {
    int c = code;
    if (onError)
        onError(c);
    lastErrorCode = c;
}

void FakeClientSocket::pump() {
    const std::int64_t now = clock_.nowMs();
    if (errorPending_ && now >= errorAt_) {
        errorPending_ = false;
        raiseError(10061); // connection refused
        return;
    }
    if (state_ == State::Connecting && now >= connectAt_) {
        state_ = State::Connected;
        if (onConnect)
            onConnect();
        return;
    }
    bool arrived = false;
    while (state_ == State::Connected && !incoming_.empty() && incoming_.front().first <= now) {
        received_ += incoming_.front().second;
        incoming_.pop_front();
        arrived = true;
    }
    if (arrived && onRead)
        onRead();
    if (state_ == State::Connected && peerWantsClose && peerWantsClose())
        state_ = State::Idle;
}

void openWithPeer(FakeSerialPort& port, int n, Peer peer) {
    port.existing.insert(n);
    port.peers[n] = std::move(peer);
    port.setComNumber(n);
    port.open(nullptr);
}

void connectWithPeer(FakeClientSocket& socket, RecordingClock& clock, int tcpPort, Peer peer) {
    socket.servers[tcpPort] = std::move(peer);
    socket.setAddress("127.0.0.1");
    socket.setPort(tcpPort);
    socket.open(nullptr);
    for (int i = 0; i < 100 && !socket.active(); ++i) {
        clock.sleep(1);
        clock.processMessages();
    }
}

} // namespace zarvex::test
