// The real TCP client against a QTcpServer on 127.0.0.1 in the same event loop. Only
// the loopback address is ever contacted.

#include "link/platform/qt_client_socket.h"
#include "platform_helpers.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <memory>

namespace zarvex::test {
namespace {

class ClientSocketTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)); }

    // Connects the client and returns the server's end of the connection.
    QTcpSocket* connectClient() {
        client.setAddress("127.0.0.1");
        client.setPort(server.serverPort());
        std::string error;
        EXPECT_TRUE(client.open(&error)) << error;
        EXPECT_TRUE(pumpUntil(clock, [&] { return connects > 0 && server.hasPendingConnections(); }));
        QTcpSocket* peer = server.nextPendingConnection();
        EXPECT_NE(peer, nullptr);
        return peer;
    }
    // A port on 127.0.0.1 that refuses connections: one that was just free.
    static quint16 closedPort() {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

    QtClock clock;
    QTcpServer server;
    QtClientSocket client;
    int connects = 0;
    std::vector<int> errors;

public:
    ClientSocketTest() {
        client.onConnect = [this] { ++connects; };
        client.onError = [this](int& code) {
            errors.push_back(code);
            code = 0;
        };
    }
};

TEST_F(ClientSocketTest, RefusesBadAddressOrPortWithoutAttempt) {
    const struct {
        const char* address;
        int port;
    } cases[] = {
        {"", 3000},         {"127.0.0", 3000},    {"127.0.0.1.5", 3000}, {"256.0.0.1", 3000},
        {"127..0.1", 3000}, {"a.b.c.d", 3000},    {" 127.0.0.1", 3000},  {"localhost", 3000},
        {"127.0.0.1", -1},  {"127.0.0.1", 65536}, {"1-2.3.4.5", 3000},   {"0x7f.0.0.1", 3000},
    };
    for (const auto& c : cases) {
        client.setAddress(c.address);
        client.setPort(c.port);
        std::string error;
        EXPECT_FALSE(client.open(&error)) << c.address << ":" << c.port;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(client.state(), QAbstractSocket::UnconnectedState) << c.address;
    }
    pumpUntil(
        clock, [] { return false; }, 50);
    EXPECT_EQ(connects, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ClientSocketTest, ConnectsReadsAndSends) {
    QTcpSocket* peer = connectClient();
    ASSERT_NE(peer, nullptr);
    EXPECT_TRUE(client.active());
    EXPECT_EQ(connects, 1);

    std::string got;
    client.onRead = [&] {
        std::string block(std::size_t(client.receiveLength()), '\0');
        block.resize(std::size_t(client.receiveBuf(block.data(), int(block.size()))));
        got += block;
    };
    peer->write("VER 2.06\r\n>");
    EXPECT_TRUE(pumpUntil(clock, [&] { return got.size() >= 11; }));
    EXPECT_EQ(got, "VER 2.06\r\n>");

    client.sendText("LOADR\r\n");
    QByteArray atServer;
    EXPECT_TRUE(pumpUntil(clock, [&] {
        atServer += peer->readAll();
        return atServer.size() >= 7;
    }));
    EXPECT_EQ(atServer, "LOADR\r\n");
}

TEST_F(ClientSocketTest, APartlyReadBlockRaisesAnotherReadEvent) {
    QTcpSocket* peer = connectClient();
    ASSERT_NE(peer, nullptr);
    std::string got;
    client.onRead = [&] {
        // A handler with room for ten bytes, as a full reply buffer has.
        char room[10];
        got.append(room, std::size_t(client.receiveBuf(room, sizeof room)));
    };
    const std::string sent(100, 'r');
    peer->write(sent.data(), qint64(sent.size()));
    EXPECT_TRUE(pumpUntil(clock, [&] { return got.size() == sent.size(); })) << got.size();
    EXPECT_EQ(client.receiveLength(), 0);
}

TEST_F(ClientSocketTest, SendBufHoldsAtTheQueueLimitAndDeliversTheWholeBlock) {
    QTcpSocket* peer = connectClient();
    ASSERT_NE(peer, nullptr);
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) >> 3);

    EXPECT_EQ(client.sendBuf(block.data(), int(block.size())), int(block.size()));
    EXPECT_EQ(client.sendBuf("z", 1), -1) << "a full send queue must say 'would block'";

    QByteArray atServer;
    EXPECT_TRUE(pumpUntil(
        clock,
        [&] {
            atServer += peer->readAll();
            return atServer.size() >= qint64(block.size());
        },
        20000));
    EXPECT_EQ(atServer.size(), qint64(block.size()));
    EXPECT_TRUE(atServer == QByteArray::fromStdString(block)) << "the block arrived altered";

    EXPECT_TRUE(pumpUntil(clock, [&] { return client.sendBuf("z", 1) == 1; }));
}

TEST_F(ClientSocketTest, ErrorsReachTheHandlerWithNonZeroCodes) {
    // A refused connection.
    client.setAddress("127.0.0.1");
    client.setPort(closedPort());
    ASSERT_TRUE(client.open(nullptr));
    ASSERT_TRUE(pumpUntil(clock, [&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), QtClientSocket::errorCode(QAbstractSocket::ConnectionRefusedError));
    EXPECT_FALSE(client.active());
    EXPECT_EQ(connects, 0);

    // The unit closing its end.
    errors.clear();
    QTcpSocket* peer = connectClient();
    ASSERT_NE(peer, nullptr);
    peer->close();
    ASSERT_TRUE(pumpUntil(clock, [&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), QtClientSocket::errorCode(QAbstractSocket::RemoteHostClosedError));
    EXPECT_FALSE(client.active());

    for (auto e : {QAbstractSocket::ConnectionRefusedError, QAbstractSocket::RemoteHostClosedError,
                   QAbstractSocket::UnknownSocketError})
        EXPECT_NE(QtClientSocket::errorCode(e), 0) << "0 means 'handled'";
}

TEST_F(ClientSocketTest, TheErrorHandlerCanConnectAgain) {
    // As the link does after a first error: reconnect from inside the handler.
    client.onError = [&](int& code) {
        errors.push_back(code);
        code = 0;
        client.setPort(server.serverPort());
        std::string error;
        EXPECT_TRUE(client.open(&error)) << error;
    };
    client.setAddress("127.0.0.1");
    client.setPort(closedPort());
    ASSERT_TRUE(client.open(nullptr));
    EXPECT_TRUE(pumpUntil(clock, [&] { return client.active(); }));
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(connects, 1);
}

TEST_F(ClientSocketTest, CloseEndsTheConnectionAtOnce) {
    QTcpSocket* peer = connectClient();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(client.active());
    client.close();
    EXPECT_FALSE(client.active());
    EXPECT_EQ(client.sendBuf("abc", 3), 0) << "a closed socket never says 'would block'";
    client.sendText("lost");
    EXPECT_EQ(client.receiveLength(), 0);

    // The server sees the close; the client raises nothing of its own.
    EXPECT_TRUE(pumpUntil(clock, [&] { return peer->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(peer->readAll(), QByteArray());
}

} // namespace
} // namespace zarvex::test
