#pragma once
// The TCP client over QTcpSocket. Opening starts a connection and returns; the connect,
// read and error events arrive from Qt's queued signals inside processMessages(), on
// the UI thread.

#include "link/platform/client_socket.h"

#include <QAbstractSocket>
#include <QTcpSocket>

namespace zarvex {

class QtClientSocket : public ClientSocket {
public:
    // The code passed to onError for an unclassified socket error (Qt's -1 plus one
    // would read as "handled").
    static constexpr int kUnknownErrorCode = 1000;

    QtClientSocket();
    ~QtClientSocket() override;

    bool active() const override;
    void setAddress(const std::string& address) override { address_ = address; }
    void setPort(int port) override { port_ = port; }
    std::string address() const override { return address_; }
    int port() const override { return port_; }
    bool open(std::string* error) override;
    void close() override;
    void sendText(std::string_view text) override;
    int sendBuf(const char* data, int count) override;
    int receiveLength() override;
    int receiveBuf(char* buffer, int count) override;

    // The code onError receives for a Qt socket error: its number plus one, so that 0
    // stays free to mean "handled".
    static int errorCode(QAbstractSocket::SocketError error);
    QAbstractSocket::SocketState state() const { return socket_.state(); }

private:
    void handleRead();
    void handleError(QAbstractSocket::SocketError error);

    QTcpSocket socket_;
    std::string address_;
    int port_ = 0;
    bool readAgainQueued_ = false;
};

} // namespace zarvex
