// Keys typed into the terminal: what reaches the unit on each link, the local echo over
// Ethernet, the keep-alive that the first keystroke silences, and the keys that stay
// with the window.

#include "window_rig.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

enum class LinkUp { None, Serial, Ethernet };

struct KeyRig : WindowRig {
    explicit KeyRig(LinkUp up) {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        if (up == LinkUp::Serial)
            openSerial(1, nullptr);
        if (up == LinkUp::Ethernet)
            connectEthernet(3000, nullptr);
        window.terminalFocus();
    }
    void type(Qt::Key key) { QTest::keyClick(&terminal(), key); }
    std::string sent() const { return port.written + socket.written; }
};

TEST(Keys, BackspaceAndEnterOnEachLink) {
    struct Case {
        const char* name;
        LinkUp up;
        std::string serial;   // bytes at the unit on the serial line
        std::string ethernet; // bytes at the unit over TCP
        std::string echo;     // what the terminal shows before the unit says anything
    };
    const std::vector<Case> cases = {
        {"serial: the terminal sends keys, Backspace as 8 32 8", LinkUp::Serial, "a\b \b\r", "", ""},
        {"ethernet: sent one by one and echoed, CR as CR LF", LinkUp::Ethernet, "", "a\b\r", "a"},
        {"no link: nothing goes anywhere", LinkUp::None, "", "", ""},
    };
    for (const Case& c : cases) {
        KeyRig rig(c.up);
        rig.type(Qt::Key_A);
        rig.type(Qt::Key_Backspace);
        rig.type(Qt::Key_Return);
        EXPECT_EQ(rig.port.written, c.serial) << c.name;
        EXPECT_EQ(rig.socket.written, c.ethernet) << c.name;
        EXPECT_EQ(rig.terminalText(), c.echo) << c.name;
        if (c.up == LinkUp::Ethernet) {
            EXPECT_EQ(rig.terminal().screen().cursorRow(), 1) << "CR echoed as CR LF";
            EXPECT_EQ(rig.terminal().screen().cursorColumn(), 0);
        }
    }
}

TEST(Keys, UnitAnswersTypedLinesInTheTerminal) {
    KeyRig rig(LinkUp::Serial);
    unit::UnitModel unitModel = rig.unitModel(); // echoes on the serial line
    rig.port.peers[1] = WindowRig::peerOf(unitModel);
    QTest::keyClicks(&rig.terminal(), "VER");
    rig.type(Qt::Key_Return);
    rig.clock.processMessages();
    ASSERT_FALSE(unitModel.lines().empty());
    EXPECT_EQ(unitModel.lines().back().text, "VER");
    const std::string shown = rig.terminalText();
    EXPECT_EQ(shown.rfind("VER", 0), 0u) << shown;
    EXPECT_NE(shown.find("2.06"), std::string::npos) << shown;
    EXPECT_EQ(shown.back(), '#') << shown;
}

TEST(Keys, EthernetSendIsRetriedOnceAndEchoedAnyway) {
    struct Case {
        int refusals;
        std::string sent;
    };
    for (const Case& c : {Case{0, "x"}, Case{1, "x"}, Case{2, ""}}) {
        KeyRig rig(LinkUp::Ethernet);
        rig.socket.wouldBlockCalls = c.refusals;
        rig.type(Qt::Key_X);
        EXPECT_EQ(rig.socket.written, c.sent) << c.refusals << " refusals";
        EXPECT_EQ(rig.socket.wouldBlockCalls, 0) << "at most two tries";
        EXPECT_EQ(rig.terminalText(), "x") << c.refusals << " refusals";
    }
}

TEST(Keys, FirstKeystrokeSilencesTheKeepAliveOnAnyLink) {
    for (LinkUp up : {LinkUp::None, LinkUp::Serial, LinkUp::Ethernet}) {
        KeyRig rig(up);
        ASSERT_TRUE(rig.link.keepAliveTimer().enabled());
        ASSERT_TRUE(rig.state.keepAliveAllowed);
        rig.type(Qt::Key_Z);
        EXPECT_FALSE(rig.link.keepAliveTimer().enabled());
        EXPECT_FALSE(rig.state.keepAliveAllowed);
    }
}

TEST(Keys, KeepAliveGoesSilentOverEthernet) {
    for (bool typed : {false, true}) {
        KeyRig rig(LinkUp::Ethernet);
        if (typed)
            rig.type(Qt::Key_Z);
        rig.socket.written.clear();
        for (int ms = 0; ms < 13000; ms += 10) {
            rig.clock.advance(10);
            rig.clock.processMessages();
        }
        EXPECT_EQ(rig.socket.written, typed ? "" : "\r\n\r\n") << (typed ? "after a keystroke" : "untouched");
    }
}

TEST(Keys, NavigationStaysWithTheWindow) {
    KeyRig rig(LinkUp::Serial);
    ASSERT_TRUE(rig.terminal().hasFocus());
    rig.type(Qt::Key_Tab);
    EXPECT_EQ(rig.port.written, "");
    EXPECT_FALSE(rig.terminal().hasFocus()) << "Tab moves the focus on";
}

TEST(Keys, OtherKeysOnTheSerialLine) {
    struct Case {
        Qt::Key key;
        QString text;
        std::string sent;
    };
    const std::vector<Case> cases = {
        {Qt::Key_Escape, "\x1b", "\x1b"},              // no run under way: Esc is a key for the unit
        {Qt::Key_Left, "", ""},                        // no character: nothing to send
        {Qt::Key_unknown, QString(QChar(0x20AC)), ""}, // outside 8-bit text
        {Qt::Key_C, "\x03", "\x03"},                   // Ctrl-C as the character it makes
    };
    for (const Case& c : cases) {
        KeyRig rig(LinkUp::Serial);
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
        QApplication::sendEvent(&rig.terminal(), &press);
        EXPECT_EQ(rig.port.written, c.sent) << int(c.key);
    }
}

} // namespace
