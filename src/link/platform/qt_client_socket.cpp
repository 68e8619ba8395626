#include "link/platform/qt_client_socket.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace zarvex {

namespace {

// Only literal addresses are taken: dotted IPv4 with four numbers 0-255, or IPv6. No
// name is looked up, and the short forms inet_aton accepts ("10.1") are refused
// because they come from an address box left empty.
bool parseAddress(const std::string& text, QHostAddress& out) {
    const QString s = QString::fromStdString(text);
    if (s.isEmpty() || s.trimmed() != s)
        return false;
    if (s.contains(QLatin1Char(':')))
        return out.setAddress(s) && out.protocol() == QAbstractSocket::IPv6Protocol;
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    // Leading zeros would read as octal to some parsers; rebuild the text as decimal.
    QStringList decimal;
    for (const QString& part : parts)
        decimal << QString::number(part.toInt());
    return out.setAddress(decimal.join(QLatin1Char('.')));
}

} // namespace

QtClientSocket::QtClientSocket() {
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] {
        if (onConnect)
            onConnect();
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { handleRead(); });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError e) { handleError(e); });
}

QtClientSocket::~QtClientSocket() {
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
    socket_.abort();
}

int QtClientSocket::errorCode(QAbstractSocket::SocketError error) {
    return error < 0 ? kUnknownErrorCode : int(error) + 1;
}

bool QtClientSocket::active() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

bool QtClientSocket::open(std::string* error) {
    QHostAddress host;
    if (!parseAddress(address_, host)) {
        if (error)
            *error = "invalid IP address \"" + address_ + "\"";
        return false;
    }
    if (port_ < 0 || port_ > 65535) {
        if (error)
            *error = "invalid TCP port " + std::to_string(port_) + " (0 to 65535)";
        return false;
    }
    // A new attempt replaces whatever the socket was doing.
    socket_.abort();
    socket_.connectToHost(host, quint16(port_));
    return true;
}

void QtClientSocket::close() {
    // abort() drops the connection and queued output at once; disconnectFromHost()
    // would linger until the output had gone.
    socket_.abort();
}

void QtClientSocket::sendText(std::string_view text) {
    if (active() && !text.empty())
        socket_.write(text.data(), qint64(text.size()));
}

int QtClientSocket::sendBuf(const char* data, int count) {
    if (!active() || count <= 0 || data == nullptr)
        return 0; // closed: never -1, or a sender would retry for ever
    if (socket_.bytesToWrite() >= kSendQueueLimit)
        return -1;
    const qint64 written = socket_.write(data, count);
    return written < 0 ? 0 : int(written);
}

int QtClientSocket::receiveLength() {
    return int(std::min<qint64>(socket_.bytesAvailable(), INT_MAX));
}

int QtClientSocket::receiveBuf(char* buffer, int count) {
    if (count <= 0 || buffer == nullptr)
        return 0;
    const qint64 got = socket_.read(buffer, count);
    return got < 0 ? 0 : int(got);
}

void QtClientSocket::handleRead() {
    const qint64 before = socket_.bytesAvailable();
    if (onRead)
        onRead();
    // Qt signals readyRead only for new data. A handler that took part of the data
    // (it takes no more than fits) gets another read event for the rest, as a
    // socket notification would do; one that took nothing is not called in a loop.
    const qint64 after = socket_.bytesAvailable();
    if (after > 0 && after < before && !readAgainQueued_) {
        readAgainQueued_ = true;
        QMetaObject::invokeMethod(
            &socket_,
            [this] {
                readAgainQueued_ = false;
                if (socket_.bytesAvailable() > 0)
                    handleRead();
            },
            Qt::QueuedConnection);
    }
}

void QtClientSocket::handleError(QAbstractSocket::SocketError error) {
    int code = errorCode(error);
    if (onError)
        onError(code);
    if (code != 0)
        qWarning("zarvex: socket error %d left unhandled: %s", code, qPrintable(socket_.errorString()));
}

} // namespace zarvex
