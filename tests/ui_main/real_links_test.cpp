// The terminal on the real links: the Qt serial port on a pseudo-terminal made here and
// put on COM 7, and the Qt TCP client against a loopback server. What the unit side
// writes shows in the terminal; what is typed arrives at the unit side byte for byte.

#include "engine/context.h"
#include "link/link.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/fake_views.h"
#include "ui/line_lights.h"
#include "ui/main_window.h"
#include "ui/terminal_widget.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

constexpr int kCom = 7;

// The unit's end of a pseudo-terminal; the loader opens the other end as COM 7.
class PtyUnit {
public:
    PtyUnit() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            ADD_FAILURE() << "no pseudo-terminal, errno " << errno;
            return;
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        const QByteArray variable = "ZARVEX_COM" + QByteArray::number(kCom);
        hadVariable_ = qEnvironmentVariableIsSet(variable.constData());
        saved_ = qgetenv(variable.constData());
        qputenv(variable.constData(), name);
    }
    ~PtyUnit() {
        const QByteArray variable = "ZARVEX_COM" + QByteArray::number(kCom);
        if (hadVariable_)
            qputenv(variable.constData(), saved_);
        else
            qunsetenv(variable.constData());
        if (master_ >= 0)
            ::close(master_);
    }
    void send(std::string_view bytes) {
        EXPECT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::string take() {
        std::string out;
        char buf[256];
        for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;)
            out.append(buf, std::size_t(n));
        return out;
    }

private:
    int master_ = -1;
    bool hadVariable_ = false;
    QByteArray saved_;
};

struct RealRig {
    TRirovUzodAdiruvForm window;
    LoaderState state;
    QtClock clock;
    QtSerialPort port{clock};
    QtClientSocket socket;
    ScriptedOperator op;
    RecordingProgress progressDisplay;
    Progress progress{clock, progressDisplay};
    Context ctx{state, progress, clock, op, window, port, socket};
    Link link{ctx};

    RealRig() { window.connectLogic({state, port, socket, link.keepAliveTimer(), op}); }
    bool pumpUntil(const std::function<bool()>& done) {
        for (int ms = 0; ms < 5000 && !done(); ++ms) {
            clock.processMessages();
            clock.sleep(1);
        }
        return done();
    }
    std::string shown() { return window.terminal().screenText().toStdString(); }
};

TEST(RealLinks, SerialPortOnAPseudoTerminal) {
    PtyUnit unit;
    RealRig rig;
    rig.port.setComNumber(kCom);
    std::string error;
    ASSERT_TRUE(rig.port.open(&error)) << error;
    rig.window.setLightsMonitoring(true);

    // The lights flash for a moment only: note whether they lit while the bytes went by.
    auto light = [&](const char* name) { return rig.window.findChild<TApdStatusLight*>(name); };
    bool rxdLit = false, txdLit = false;
    unit.send("Boot v2.06\r\n\x1b[2J#");
    EXPECT_TRUE(rig.pumpUntil([&] {
        rxdLit = rxdLit || light("ApdStatusLight3")->lit();
        return rig.shown() == "Boot v2.06\n^[[2J#";
    })) << rig.shown();
    EXPECT_TRUE(rxdLit) << "RXD";

    QTest::keyClick(&rig.window.terminal(), Qt::Key_V);
    QTest::keyClick(&rig.window.terminal(), Qt::Key_Backspace);
    QTest::keyClick(&rig.window.terminal(), Qt::Key_Return);
    std::string received;
    EXPECT_TRUE(rig.pumpUntil([&] {
        txdLit = txdLit || light("ApdStatusLight4")->lit();
        received += unit.take();
        return received.size() >= 5;
    }));
    EXPECT_EQ(received, "v\b \b\r");
    EXPECT_TRUE(txdLit) << "TXD";
    // A pseudo-terminal has no modem lines: CTS and DCD stay unlit.
    EXPECT_FALSE(light("ApdStatusLight1")->lit()) << "CTS";
    EXPECT_FALSE(light("ApdStatusLight2")->lit()) << "DCD";
}

TEST(RealLinks, TcpClientAgainstALoopbackUnit) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    RealRig rig;
    rig.socket.setAddress("127.0.0.1");
    rig.socket.setPort(server.serverPort());
    std::string error;
    ASSERT_TRUE(rig.socket.open(&error)) << error;
    QTcpSocket* unit = nullptr;
    ASSERT_TRUE(rig.pumpUntil([&] {
        if (!unit && server.hasPendingConnections())
            unit = server.nextPendingConnection();
        return unit && rig.socket.active();
    }));

    unit->write("Boot v2.06\r\n>");
    unit->flush();
    EXPECT_TRUE(rig.pumpUntil([&] { return rig.shown() == "Boot v2.06\n>"; })) << rig.shown();

    rig.window.AdTerminal1DblClick();
    QTest::keyClick(&rig.window.terminal(), Qt::Key_A);
    QTest::keyClick(&rig.window.terminal(), Qt::Key_Return);
    QByteArray received;
    EXPECT_TRUE(rig.pumpUntil([&] {
        received += unit->readAll();
        return received.size() >= 2;
    }));
    EXPECT_EQ(received.toStdString(), "a\r");
    EXPECT_EQ(rig.window.terminal().screen().cursorRow(), 1) << "the local echo ended the line";
    EXPECT_EQ(rig.shown(), "a");
}

} // namespace
