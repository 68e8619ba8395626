#pragma once
// A non-blocking TCP client. Opening only starts the connection; connect, read and
// error events arrive later on the UI thread, inside a pump.

#include <functional>
#include <string>
#include <string_view>

namespace zarvex {

class ClientSocket {
public:
    // sendBuf answers -1 ("would block") while this many bytes wait to be written.
    static constexpr int kSendQueueLimit = 64 * 1024;

    virtual ~ClientSocket() = default;
    // True from the moment the connection is established until either side closes it.
    virtual bool active() const = 0;
    virtual void setAddress(const std::string& address) = 0;
    virtual void setPort(int port) = 0;
    virtual std::string address() const = 0;
    virtual int port() const = 0;
    // Starts a connection attempt and returns at once; false (with a reason) when the
    // address or port is refused before any attempt.
    virtual bool open(std::string* error) = 0;
    // Ends the connection or the attempt at once; active() is false afterwards.
    virtual void close() = 0;
    // Sends the text's bytes; what the socket cannot take is lost.
    virtual void sendText(std::string_view text) = 0;
    // Takes up to `count` bytes; -1 while the connection cannot take data now. After the
    // connection has been closed it returns 0, never -1.
    virtual int sendBuf(const char* data, int count) = 0;
    virtual int receiveLength() = 0;
    virtual int receiveBuf(char* buffer, int count) = 0;

    int tag = 0;
    std::function<void()> onConnect;
    std::function<void()> onRead;
    // errorCode is passed by reference; the handler sets it to 0 to swallow the error.
    std::function<void(int& errorCode)> onError;
};

} // namespace zarvex
