// The Ethernet dialog as a window: its design, the check when the focus leaves an address
// box, the refusal to close during an attempt, and its buttons and show handler reaching
// the link. The link runs on virtual time against the in-process socket.

#include "link/ethernet_link.h"
#include "support/rig.h"
#include "ui/client_socket_form.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct FormRig {
    Rig rig;
    TClientSocketForm form;
    EthernetLink eth{rig.ctx, rig.link, form};

    FormRig() {
        eth.wire();
        eth.localAddress = [] { return std::optional<std::string>("127.0.0.1"); };
        form.attach(eth);
    }
    template <class T> T* child(const char* name) { return form.findChild<T*>(name); }
    QLineEdit* box(int i) { return child<QLineEdit>(("IPEdit" + std::to_string(i + 1)).c_str()); }
    void showActive() {
        form.showDialog();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

// The widget that Tab moves to: the next one in the focus chain that takes Tab focus.
QWidget* nextTabStop(QWidget* from) {
    QWidget* w = from->nextInFocusChain();
    while (w != from && !(w->focusPolicy() & Qt::TabFocus))
        w = w->nextInFocusChain();
    return w;
}

TEST(EthernetDialog, IsBuiltAsDesigned) {
    FormRig r;
    TClientSocketForm& f = r.form;
    EXPECT_EQ(f.size(), QSize(398, 102));
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(f.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(f.windowTitle(), "Velmora Research Inc. :- Zarvex - Ethernet");
    EXPECT_EQ(r.child<QLabel>("Label6")->text(), "IP Address");
    EXPECT_EQ(r.child<QLabel>("Label7")->text(), "Port ");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.box(i)->maxLength(), 3) << i;
    EXPECT_EQ(f.addressBox(0) + "." + f.addressBox(1) + "." + f.addressBox(2) + "." + f.addressBox(3),
              "127.0.0.1");
    auto* port = r.child<QLineEdit>("PortNumberTxEdit");
    EXPECT_EQ(port->maxLength(), 5);
    EXPECT_EQ(f.portBox(), "3000");
    EXPECT_EQ(r.child<QPushButton>("ConnectButton")->text(), "Connect ");
    auto* disconnect = r.child<QPushButton>("DisconnectButton");
    EXPECT_EQ(disconnect->text(), "Disconnect ");
    EXPECT_TRUE(disconnect->isHidden());
    EXPECT_EQ(disconnect->focusPolicy(), Qt::NoFocus);
    EXPECT_NE(r.child<QStatusBar>("EnetStatusBar"), nullptr);
    // Tab order: the four boxes left to right, then the port.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nextTabStop(r.box(i)), r.box(i + 1)) << i;
    EXPECT_EQ(nextTabStop(r.box(3)), port);

    f.setCaption("Tressik :- Ethernet Connection");
    EXPECT_EQ(f.windowTitle(), "Tressik :- Ethernet Connection");
}

TEST(EthernetDialog, ShowingItPutsTheComputersAddressInTheStatusBar) {
    FormRig r;
    r.showActive();
    EXPECT_EQ(r.form.statusText(), "Note: Computer's IP Addr = 127.0.0.1");
    EXPECT_EQ(QApplication::focusWidget(), r.box(0));
    EXPECT_TRUE(r.rig.op.messages.empty());
}

struct LeaveCase {
    const char* text;
    const char* message; // nullptr: the focus moves on
};

TEST(EthernetDialog, LeavingAnAddressBoxWithABadNumberBringsTheFocusBack) {
    const LeaveCase cases[] = {
        {"256", "Error! Number must be between 0 - 255"},
        {"-1", "Error! Number must be between 0 - 255"},
        {"", "Error! Invalid IP Address"},
        {"10", nullptr},
    };
    for (const LeaveCase& c : cases) {
        FormRig r;
        r.showActive();
        r.box(1)->setFocus(Qt::MouseFocusReason);
        r.box(1)->setText(c.text);
        QTest::keyClick(r.box(1), Qt::Key_Tab);
        if (c.message) {
            EXPECT_EQ(r.rig.op.messages, std::vector<std::string>{c.message}) << c.text;
            EXPECT_EQ(QApplication::focusWidget(), r.box(1)) << c.text;
        } else {
            EXPECT_TRUE(r.rig.op.messages.empty()) << c.text;
            EXPECT_EQ(QApplication::focusWidget(), r.box(2)) << c.text;
        }
    }
}

TEST(EthernetDialog, LosingTheWindowIsNotLeavingTheBox) {
    FormRig r;
    r.showActive();
    r.box(0)->setFocus(Qt::MouseFocusReason);
    r.box(0)->setText("");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(r.rig.op.messages.empty());
}

TEST(EthernetDialog, RefusesToCloseWhileAnAttemptRuns) {
    FormRig r;
    r.showActive();
    r.rig.socket.tag = 1; // as the Connect operation sets it while it waits
    EXPECT_FALSE(r.form.close());
    QTest::keyClick(&r.form, Qt::Key_Escape);
    EXPECT_TRUE(r.form.isVisible());

    r.rig.socket.tag = 0;
    EXPECT_TRUE(r.form.close());
    EXPECT_FALSE(r.form.isVisible());
}

TEST(EthernetDialog, ConnectButtonRunsTheConnectOperation) {
    FormRig r;
    r.showActive();
    r.rig.socket.servers[3000] = [](std::string_view) { return std::string("#"); };
    r.rig.state.awaitedPrompt = '#';
    bool disabledDuringAttempt = false;
    r.rig.clock.onPump.push_back([&] {
        if (r.eth.connectInProgress() && !r.child<QPushButton>("ConnectButton")->isEnabled() &&
            !r.child<QLineEdit>("PortNumberTxEdit")->isEnabled() && !r.box(3)->isEnabled())
            disabledDuringAttempt = true;
    });
    QTest::mouseClick(r.child<QPushButton>("ConnectButton"), Qt::LeftButton);
    EXPECT_TRUE(disabledDuringAttempt);
    EXPECT_TRUE(r.rig.socket.active());
    EXPECT_EQ(r.rig.socket.address(), "127.0.0.1");
    EXPECT_FALSE(r.form.isVisible()) << "a Connect that ends with the link up hides the dialog";
    EXPECT_TRUE(r.rig.op.messages.empty());

    r.eth.EnetDisconnect1Click();
    EXPECT_TRUE(r.child<QPushButton>("ConnectButton")->isEnabled());
    EXPECT_TRUE(r.box(0)->isEnabled());
}

} // namespace
