// The prompt exchanges over the real serial port on a pseudo-terminal and the real TCP
// client on loopback, against zarvex-unit: probes, a query with its reply (the unit's
// echo must not become part of it), a block that arrives intact, a silent unit.

#include "support/real_rig.h"
#include "support/unit_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct SerialLive : RealRig {
    std::unique_ptr<ComMapping> com;
    bool openUnit(UnitProcess& unit) {
        if (!unit.started())
            return false;
        com = std::make_unique<ComMapping>(std::map<int, std::string>{{1, unit.where()}});
        port.setComNumber(1);
        return port.open(nullptr);
    }
};

struct TcpLive : RealRig {
    bool connect(UnitProcess& unit) {
        if (!unit.started())
            return false;
        socket.setAddress("127.0.0.1");
        socket.setPort(std::stoi(unit.where()));
        socket.open(nullptr);
        for (int i = 0; i < 5000 && !socket.active(); ++i) {
            clock.processMessages();
            clock.sleep(1);
        }
        return socket.active();
    }
};

std::string queryVersion(RealRig& rig) {
    rig.state.commandText.assign("VER");
    rig.state.minReplyLength = 3;
    rig.link.query_unit(2000);
    std::string reply = rig.state.replyBuffer.str();
    std::erase(reply, '\r');
    std::erase(reply, '\n');
    return reply;
}

TEST(SerialLive, ProbeQueryAndBlockAgainstTheUnit) {
    QTemporaryDir dir;
    const QString log = dir.filePath("unit.log");
    UnitProcess unit({"--pty", "--version", "2.06", "--log", log});
    SerialLive rig;
    ASSERT_TRUE(rig.openUnit(unit));
    rig.state.awaitedPrompt = '#';
    rig.state.promptWaitLimit = 40;
    EXPECT_TRUE(rig.link.SendCOMCmd_GetPrompt("\r"));

    EXPECT_FALSE(rig.state.replyTimedOut);
    EXPECT_EQ(queryVersion(rig), "2.06");

    rig.state.awaitedPrompt = '>';
    ASSERT_TRUE(rig.link.SendCOMCmd_GetPrompt("LOADR\r"));
    std::string block(2000, '\0');
    unsigned sum = 0;
    for (int i = 0; i < 2000; ++i)
        sum += static_cast<unsigned char>(block[i] = char(i * 13));
    rig.state.commandText.assign("LF 0 2000 " + QString::number(sum & 0xFFFF, 16).toStdString() + " T\r");
    rig.link.send_command();
    rig.link.SendByte(2000, block.data());
    EXPECT_EQ(rig.progress.cancelRequested, 0);
    rig.state.promptWaitLimit = 100;
    EXPECT_TRUE(rig.link.SendCOMCmd_GetPrompt("\r"));
    // What the unit got, by its own account.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray events = file.readAll();
    EXPECT_TRUE(events.contains(R"("event":"image","size":2000)")) << events.toStdString();
    EXPECT_TRUE(events.contains(R"("verdict":"ok")")) << events.toStdString();
}

TEST(SerialLive, SilentUnitTimesOutAfterTheTickLimit) {
    UnitProcess unit({"--pty", "--silent"});
    SerialLive rig;
    ASSERT_TRUE(rig.openUnit(unit));
    rig.state.awaitedPrompt = '>';
    rig.state.promptWaitLimit = 10;
    const auto start = rig.clock.nowMs();
    EXPECT_FALSE(rig.link.SendCOMCmd_GetPrompt("\r"));
    EXPECT_GE(rig.clock.nowMs() - start, 10 * SerialPort::kTickMs);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(TcpLive, ProbeAndQueryAgainstTheUnit) {
    UnitProcess unit({"--tcp", "0", "--loader-mode"});
    TcpLive rig;
    ASSERT_TRUE(rig.connect(unit));
    rig.state.keepAliveAllowed = false;
    rig.state.awaitedPrompt = '>';
    EXPECT_TRUE(rig.link.SendCOMCmd_GetPrompt("\r"));
    EXPECT_EQ(queryVersion(rig), "2.06");
}

TEST(TcpLive, LinkClosedDuringTheWaitEndsIt) {
    UnitProcess unit({"--tcp", "0", "--silent", "--close-after", "3"});
    TcpLive rig;
    ASSERT_TRUE(rig.connect(unit));
    rig.state.awaitedPrompt = '>';
    rig.state.commandText.assign("VER");
    rig.link.query_unit(0); // only the lost link (or the command timer) can end it
    EXPECT_TRUE(rig.state.replyTimedOut);
    EXPECT_FALSE(rig.state.waitingForReply);
    EXPECT_FALSE(rig.socket.active());
}

} // namespace
