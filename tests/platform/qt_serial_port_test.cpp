// The real serial port on a pseudo-terminal made by the test and put on a COM number
// through ZARVEX_COM<n>. Every wait is bounded.

#include "link/platform/com_map.h"
#include "link/platform/qt_serial_port.h"
#include "platform_helpers.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <termios.h>

namespace zarvex::test {
namespace {

constexpr int kCom = 7; // inside the fixed table: the variable must win over /dev/ttyUSB2

std::string allByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(char(i));
    return bytes;
}

class SerialPortTest : public ::testing::Test {
protected:
    bool openPort(int baud = 38400) {
        port.setComNumber(kCom);
        port.setBaud(baud);
        std::string error;
        const bool ok = port.open(&error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    termios lineOnMaster() {
        // The master of a pty reports the termios of its slave.
        termios t{};
        EXPECT_EQ(::tcgetattr(pty.masterFd(), &t), 0);
        return t;
    }

    QtClock clock;
    Pty pty;
    ScopedEnv env{"ZARVEX_COM7", pty.slavePath()};
    ScopedEnv noForcedCts{"ZARVEX_FORCE_CTS_LOW", std::nullopt};
    QtSerialPort port{clock};
};

TEST_F(SerialPortTest, CarriesEveryByteValueBothWays) {
    int sent = 0;
    std::string received;
    int lastAvail = 0;
    port.onSent = [&](int n) { sent += n; };
    port.onReceived = [&](std::string_view b) { received.append(b); };
    port.onTriggerAvail = [&](int n) { lastAvail = n; };
    ASSERT_TRUE(openPort());
    EXPECT_EQ(port.openDevice(), canonicalDevicePath(pty.slavePath()));

    const std::string out = "LOADR\r\n" + allByteValues();
    ASSERT_TRUE(port.putString("LOADR\r\n"));
    ASSERT_TRUE(port.putBlock(out.data() + 7, int(out.size()) - 7));
    EXPECT_EQ(pty.read(clock, out.size()), out);
    EXPECT_TRUE(pumpUntil(clock, [&] { return sent == int(out.size()); })) << sent;

    const std::string in = allByteValues();
    pty.write(in);
    ASSERT_TRUE(pumpUntil(clock, [&] { return port.inBuffUsed() == int(in.size()); }));
    EXPECT_EQ(received, in);
    EXPECT_EQ(lastAvail, int(in.size()));
    std::string got(in.size(), '\0');
    EXPECT_EQ(port.getBlock(got.data(), int(got.size())), int(in.size()));
    EXPECT_EQ(got, in);
}

TEST_F(SerialPortTest, WaitForStringPumpsUntilTextOrTicksRunOut) {
    ASSERT_TRUE(openPort());
    // The prompt arrives in two pieces while the wait is running.
    pty.write("VER 2.");
    QTimer::singleShot(30, [&] { pty.write("06\r\n>"); });
    EXPECT_TRUE(port.waitForString("\r\n>", 40));

    const std::int64_t start = clock.nowMs();
    EXPECT_FALSE(port.waitForString("#", 3));
    EXPECT_GE(clock.nowMs() - start, 3 * SerialPort::kTickMs) << "the wait is counted in 55 ms ticks";
}

TEST_F(SerialPortTest, ProcessCommunicationsMovesInputWithoutThePump) {
    ASSERT_TRUE(openPort());
    pty.write("abc#");
    const std::int64_t deadline = clock.nowMs() + 5000;
    while (port.inBuffUsed() < 4 && clock.nowMs() < deadline) {
        port.processCommunications();
        clock.sleep(1);
    }
    EXPECT_EQ(port.inBuffUsed(), 4);
}

TEST_F(SerialPortTest, LineSettingsReachTheDevice) {
    // A Linux pty forces CS8 and clears PARENB whatever is asked, so data bits and
    // parity enable cannot be seen here; the parity flavour bits (PARODD, CMSPAR),
    // the speed, the stop bits and flow control can.
    const struct {
        LineSettings s;
        speed_t speed;
        tcflag_t parityFlavour;
        bool twoStop;
    } cases[] = {
        {{38400, 8, 0, 1}, B38400, 0, false},     {{9600, 7, 1, 1}, B9600, PARODD, false},
        {{115200, 8, 2, 2}, B115200, 0, true},    {{1200, 6, 3, 1}, B1200, PARODD | CMSPAR, false},
        {{57600, 5, 4, 2}, B57600, CMSPAR, true},
    };
    port.setComNumber(kCom);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s.baud);
        port.setBaud(c.s.baud);
        port.setDataBits(c.s.dataBits);
        port.setParity(c.s.parity);
        port.setStopBits(c.s.stopBits);
        std::string error;
        ASSERT_TRUE(port.open(&error)) << error;
        const termios t = lineOnMaster();
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityFlavour);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_NE(t.c_cflag & CRTSCTS, 0u) << "hardware flow control";
        port.close();
    }

    // On an open port a new baud rate applies at once; settings the device cannot
    // take are refused and the port keeps running with the old ones.
    port.setBaud(38400);
    port.setDataBits(8);
    port.setParity(0);
    port.setStopBits(1);
    ASSERT_TRUE(openPort(9600));
    port.setBaud(19200);
    const termios faster = lineOnMaster();
    EXPECT_EQ(cfgetospeed(&faster), speed_t(B19200));
    port.setBaud(-5);
    port.setDataBits(9);
    port.setParity(7);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.settings().baud, 19200);
    EXPECT_EQ(port.settings().dataBits, 8);
    EXPECT_EQ(port.settings().parity, 0);
    const termios kept = lineOnMaster();
    EXPECT_EQ(cfgetospeed(&kept), speed_t(B19200));
}

TEST_F(SerialPortTest, LineModelPacesABlockAtTheBaudRate) {
    ASSERT_TRUE(openPort(9600));
    const std::string block(2000, 'x');
    ASSERT_TRUE(port.putBlock(block.data(), int(block.size())));
    // A pty takes the block at once and reports nothing queued; the model must.
    const int used = port.outBuffUsed();
    EXPECT_GT(used, 0);
    EXPECT_LE(used, 2000) << "queued bytes counted twice";
    EXPECT_EQ(port.outBuffFree(), SerialPort::kOutBufferSize - port.outBuffUsed());

    std::string arrived;
    EXPECT_TRUE(pumpUntil(
        clock,
        [&] {
            arrived += pty.readAvailable();
            return port.outBuffUsed() == 0;
        },
        15000));
    arrived += pty.read(clock, block.size() - arrived.size());
    EXPECT_EQ(arrived, block);
}

TEST_F(SerialPortTest, FlushAndBaudChangeActOnTheQueuedLine) {
    const std::string block(1000, 'y');
    ASSERT_TRUE(openPort(300));
    ASSERT_TRUE(port.putBlock(block.data(), int(block.size())));
    ASSERT_GT(port.outBuffUsed(), 0);
    port.flushOutBuffer();
    EXPECT_EQ(port.outBuffUsed(), 0);

    // At 300 baud the block would need 33 s; the faster rate must apply to it at once.
    ASSERT_TRUE(port.putBlock(block.data(), int(block.size())));
    ASSERT_GT(port.outBuffUsed(), 0);
    port.setBaud(115200);
    EXPECT_TRUE(pumpUntil(
        clock,
        [&] {
            pty.readAvailable();
            return port.outBuffUsed() == 0;
        },
        10000));
}

TEST_F(SerialPortTest, CtsIsSetOnAPtyAndCanBeHeldLow) {
    ASSERT_TRUE(openPort());
    ModemLines lines = port.modemLines();
    EXPECT_FALSE(lines.known) << "a pty has no modem lines";
    EXPECT_TRUE(lines.cts);
    EXPECT_TRUE(port.cts());

    port.forceCtsLow(true);
    EXPECT_FALSE(port.cts());
    ASSERT_TRUE(port.putString("held"));
    // With CTS low nothing leaves the port and the bytes count as used.
    pumpUntil(
        clock, [] { return false; }, 100);
    EXPECT_EQ(pty.readAvailable(), "");
    EXPECT_GE(port.outBuffUsed(), 4);

    port.forceCtsLow(false);
    EXPECT_TRUE(port.cts());
    EXPECT_EQ(pty.read(clock, 4), "held");

    ScopedEnv forced("ZARVEX_FORCE_CTS_LOW", "1");
    QtSerialPort second(clock);
    EXPECT_TRUE(second.ctsForcedLow());
    second.setComNumber(kCom);
    port.close();
    ASSERT_TRUE(second.open(nullptr));
    EXPECT_FALSE(second.cts());
}

TEST_F(SerialPortTest, IsPortAvailableOpensAndClosesAgain) {
    ScopedEnv unmapped("ZARVEX_COM41", std::nullopt);
    ScopedEnv missing("ZARVEX_COM42", "/nonexistent/ttyZ0");
    ScopedEnv notATty("ZARVEX_COM43", "/dev/null");
    ScopedEnv removed("ZARVEX_COM1", "");
    const struct {
        int n;
        bool available;
    } cases[] = {{0, false}, {41, false}, {42, false}, {43, false}, {1, false}, {kCom, true}};
    for (const auto& c : cases)
        EXPECT_EQ(port.isPortAvailable(c.n), c.available) << "COM" << c.n;

    EXPECT_FALSE(port.isOpen());
    // The probe left nothing behind: another port object can open the device now.
    QtSerialPort other(clock);
    other.setComNumber(kCom);
    std::string error;
    EXPECT_TRUE(other.open(&error)) << error;
}

TEST_F(SerialPortTest, ASecondOpenOfOnePortIsRefusedUnderAnyName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string link = dir.filePath("unit").toStdString();
    std::filesystem::create_symlink(pty.slavePath(), link);
    ScopedEnv alias("ZARVEX_COM8", link);

    ASSERT_TRUE(openPort());
    QtSerialPort other(clock);
    for (int n : {kCom, 8}) {
        other.setComNumber(n);
        std::string error;
        EXPECT_FALSE(other.open(&error)) << "COM" << n;
        EXPECT_EQ(other.lastOpenError(), QSerialPort::PermissionError);
        EXPECT_NE(error.find("COM" + std::to_string(n)), std::string::npos) << error;
        EXPECT_FALSE(other.isOpen());
        EXPECT_FALSE(other.isPortAvailable(n));
    }
    EXPECT_TRUE(port.isPortAvailable(8)) << "the port we hold is ours to use";

    port.close();
    std::string error;
    EXPECT_TRUE(other.open(&error)) << error;
}

TEST_F(SerialPortTest, OpenFailuresGiveAReason) {
    ScopedEnv unmapped("ZARVEX_COM44", std::nullopt);
    ScopedEnv missing("ZARVEX_COM45", "/nonexistent/ttyZ0");
    const struct {
        int n;
        LineSettings s;
        QSerialPort::SerialPortError code;
        const char* says;
    } cases[] = {
        {44, {}, QSerialPort::DeviceNotFoundError, "COM44"},
        {45, {}, QSerialPort::DeviceNotFoundError, "/nonexistent/ttyZ0"},
        {kCom, {0, 8, 0, 1}, QSerialPort::UnsupportedOperationError, "baud"},
        {kCom, {9600, 9, 0, 1}, QSerialPort::UnsupportedOperationError, "data bits"},
        {kCom, {9600, 8, 5, 1}, QSerialPort::UnsupportedOperationError, "parity"},
        {kCom, {9600, 8, 0, 3}, QSerialPort::UnsupportedOperationError, "stop bits"},
    };
    for (const auto& c : cases) {
        QtSerialPort p(clock);
        p.setComNumber(c.n);
        p.setBaud(c.s.baud);
        p.setDataBits(c.s.dataBits);
        p.setParity(c.s.parity);
        p.setStopBits(c.s.stopBits);
        std::string error;
        EXPECT_FALSE(p.open(&error)) << c.says;
        EXPECT_FALSE(p.isOpen());
        EXPECT_EQ(p.lastOpenError(), c.code) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

TEST_F(SerialPortTest, ClosedPortAndBadBlocksSendNothing) {
    EXPECT_FALSE(port.putString("x"));
    EXPECT_EQ(port.outBuffUsed(), 0);
    EXPECT_FALSE(port.cts());
    ASSERT_TRUE(openPort());
    EXPECT_FALSE(port.putBlock("abc", -1));
    EXPECT_FALSE(port.putBlock(nullptr, 3));
    EXPECT_TRUE(port.putBlock(nullptr, 0));
    EXPECT_TRUE(port.putString("ok"));
    EXPECT_EQ(pty.read(clock, 2), "ok");
}

TEST_F(SerialPortTest, ChangingTheNumberOfAnOpenPortMovesIt) {
    Pty second;
    ScopedEnv env9("ZARVEX_COM9", second.slavePath());
    ScopedEnv env46("ZARVEX_COM46", std::nullopt);
    ASSERT_TRUE(openPort());
    std::string error;
    ASSERT_TRUE(port.setComNumber(9, &error)) << error;
    ASSERT_TRUE(port.putString("moved"));
    EXPECT_EQ(second.read(clock, 5), "moved");
    EXPECT_EQ(pty.readAvailable(), "");

    EXPECT_FALSE(port.setComNumber(46, &error));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(error.empty());
}

TEST_F(SerialPortTest, TheOtherEndGoingAwayClosesThePort) {
    // The loss is seen whether the event loop runs or the port is asked to move data.
    const struct {
        const char* way;
        std::function<void(QtSerialPort&)> run;
    } ways[] = {
        {"pump", [&](QtSerialPort&) { clock.processMessages(); }},
        {"processCommunications", [](QtSerialPort& p) { p.processCommunications(); }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        Pty unit;
        ScopedEnv env12("ZARVEX_COM12", unit.slavePath());
        QtSerialPort p(clock);
        int lost = 0;
        std::string reason;
        p.onLost = [&](const std::string& r) {
            ++lost;
            reason = r;
            EXPECT_FALSE(p.isOpen()) << "closed before the loader hears of it";
        };
        p.setComNumber(12);
        ASSERT_TRUE(p.open(nullptr));
        unit.closeMaster();
        const std::int64_t deadline = clock.nowMs() + 5000;
        for (int extra = 20; clock.nowMs() < deadline && (p.isOpen() || extra-- > 0); clock.sleep(1))
            w.run(p); // a few more passes after the close must not report it again
        EXPECT_FALSE(p.isOpen());
        EXPECT_EQ(lost, 1);
        EXPECT_NE(reason.find("COM12"), std::string::npos) << reason;
        EXPECT_FALSE(p.putString("x"));
        EXPECT_EQ(p.outBuffUsed(), 0);
        EXPECT_FALSE(p.cts());
        EXPECT_FALSE(p.waitForString(">", 2));
    }
}

} // namespace
} // namespace zarvex::test
