// The main window's menus and controls as the operator finds them at start, and the
// small handlers behind them: Visible, the colours, the font dialog, the version label.

#include "window_rig.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// The captions of a menu's entries in order; "-" for a separator, hidden entries included.
std::vector<std::string> captions(const QList<QAction*>& actions) {
    std::vector<std::string> out;
    for (const QAction* a : actions)
        out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return out;
}

TEST(MenuTree, EveryMenuHoldsItsEntriesInOrder) {
    WindowRig rig;
    struct Case {
        const char* menu; // nullptr: the menu bar
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {nullptr, {"Exit", "Communication", "Terminal"}},
        {"Communication1", {"RS232 Config", "Ethernet", "Send File"}},
        {"ConfigMenu", {"COM Port", "Baud"}},
        {"ComPortMenu",
         {"None", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10", "COM11",
          "COM12", "COM13", "COM14", "COM15", "COM16", "-", "Search"}},
        {"BaudMenu", {"1200", "2400", "9600", "19200", "38400", "57600", "115200"}},
        {"Ethernet1", {"Disconnect", "Connect"}},
        {"Terminal1", {"Visible", "Background Color", "Text Color", "Terminal Fonts...", "Clear"}},
        {"BackgroundColor1", {"Black", "Red", "Green", "Blue", "White", "-", "Default"}},
        {"ForegroundColor1", {"Black", "Red", "Green", "Blue", "White", "-", "Default"}},
    };
    for (const Case& c : cases) {
        const QList<QAction*> actions =
            c.menu ? rig.window.findChild<QMenu*>(c.menu)->actions() : rig.window.menuBar()->actions();
        EXPECT_EQ(captions(actions), c.entries) << (c.menu ? c.menu : "menu bar");
    }
}

TEST(MenuTree, EntriesStartVisibleEnabledAndCheckedAsDesigned) {
    WindowRig rig;
    struct Case {
        const char* name;
        bool visible;
        bool checkable;
        bool checked;
        bool radio; // one of a group of which only one shows its mark
    };
    const std::vector<Case> cases = {
        {"ExitMenu", true, false, false, false},
        {"ConfigMenu", true, false, false, false},
        {"NoneMenu", true, false, false, false},
        {"COM1Menu", true, false, false, false},
        {"COM36", true, false, false, false},
        {"COM161", true, false, false, false},
        {"SearchAllMenu", true, false, false, false},
        {"N12001", true, false, false, false},
        {"N24001", true, false, false, false},
        {"N96001", true, true, false, true},
        {"N192001", true, true, false, true},
        {"N384001", true, true, true, true},
        {"N576001", true, true, false, true},
        {"N1152001", true, false, false, false},
        {"Ethernet1", true, false, false, false},
        {"EnetDisconnect1", true, false, false, false},
        {"EnetConnect1", true, false, false, false},
        {"SendFile1", false, false, false, false},
        {"VisibleMenu", true, true, true, false},
        {"BackgroundColor1", true, false, false, false},
        {"ForegroundColor1", false, false, false, false},
        {"TextRedMenu", true, false, false, false},
        {"TerminalFonts1", true, false, false, false},
        {"Clear1", true, false, false, false},
    };
    for (const Case& c : cases) {
        QAction* item = rig.item(c.name);
        ASSERT_NE(item, nullptr) << c.name;
        EXPECT_EQ(item->isVisible(), c.visible) << c.name;
        EXPECT_EQ(item->isEnabled(), c.visible) << c.name << ": Qt reports hidden entries as disabled";
        EXPECT_EQ(item->isCheckable(), c.checkable) << c.name;
        EXPECT_EQ(item->isChecked(), c.checked) << c.name;
        EXPECT_EQ(item->actionGroup() != nullptr, c.radio) << c.name;
    }
    EXPECT_EQ(rig.item("SearchAllMenu")->statusTip(),
              "Look for prompt defined in INI file on COM 1 and COM 2");
}

TEST(MenuTree, EntriesCallTheirHooksWithPortAndRate) {
    WindowRig rig;
    std::vector<std::string> calls;
    auto& h = rig.window.hooks;
    h.noneMenu = [&] { calls.push_back("none"); };
    h.selectCom = [&](int n) { calls.push_back("com " + std::to_string(n)); };
    h.searchAll = [&] { calls.push_back("search"); };
    h.selectBaud = [&](int b) { calls.push_back("baud " + std::to_string(b)); };
    h.enetConnect = [&] { calls.push_back("connect"); };
    h.enetDisconnect = [&] { calls.push_back("disconnect"); };
    h.sendFile = [&] { calls.push_back("send file"); };
    struct Case {
        const char* name;
        std::string call;
    };
    const std::vector<Case> cases = {
        {"NoneMenu", "none"},        {"COM1Menu", "com 1"},       {"COM2Menu", "com 2"},
        {"COM31", "com 3"},          {"COM36", "com 8"},          {"COM91", "com 9"},
        {"COM101", "com 10"},        {"COM111", "com 11"},        {"COM161", "com 16"},
        {"SearchAllMenu", "search"}, {"N12001", "baud 1200"},     {"N576001", "baud 57600"},
        {"N1152001", "baud 115200"}, {"EnetConnect1", "connect"}, {"EnetDisconnect1", "disconnect"},
        {"SendFile1", "send file"},
    };
    for (const Case& c : cases) {
        calls.clear();
        rig.item(c.name)->trigger();
        EXPECT_EQ(calls, std::vector<std::string>{c.call}) << c.name;
    }
}

TEST(MenuTree, BaudMarkFollowsTheRateInUse) {
    WindowRig rig;
    // 57600 stands for a rate the port refuses: the label, and so the rate, stay as they were.
    rig.window.hooks.selectBaud = [&](int b) {
        if (b != 57600)
            rig.window.setComBaudLabel(std::to_string(b));
    };
    rig.item("N576001")->trigger();
    EXPECT_FALSE(rig.item("N576001")->isChecked());
    EXPECT_TRUE(rig.item("N384001")->isChecked());
    rig.item("N96001")->trigger();
    EXPECT_TRUE(rig.item("N96001")->isChecked());
    EXPECT_FALSE(rig.item("N384001")->isChecked());
    rig.item("N96001")->trigger(); // the same rate again: the mark stays
    EXPECT_TRUE(rig.item("N96001")->isChecked());
    // 115200 is no radio item: no radio item may claim to be the rate any more.
    rig.item("N1152001")->trigger();
    for (const char* name : {"N96001", "N192001", "N384001", "N576001"})
        EXPECT_FALSE(rig.item(name)->isChecked()) << name;
    rig.window.setComBaudLabel("19200"); // as the configuration file sets it
    EXPECT_TRUE(rig.item("N192001")->isChecked());
}

TEST(MainWindow, ControlsAsDesigned) {
    WindowRig rig;
    EXPECT_EQ(rig.window.objectName(), "TRirovUzodAdiruvForm");
    EXPECT_EQ(rig.window.windowTitle(), "Velmora Research Inc. :- Zarvex");
    EXPECT_EQ(rig.window.minimumSize(), rig.window.maximumSize()) << "fixed size";
    EXPECT_FALSE(rig.window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(rig.window.clientHeight(), 425);
    EXPECT_EQ(rig.window.width(), 526);
    rig.window.show(); // the menu bar takes its real height now: the client area keeps its own
    EXPECT_EQ(rig.control<QWidget>("ClientArea")->height() +
                  rig.control<QStatusBar>("InfoStatusBar")->height(),
              425);
    EXPECT_EQ(rig.control<QWidget>("AdTerminal1")->geometry(), QRect(8, 120, 513, 281));

    struct Case {
        const char* name;
        const char* text;
        bool visible;
        bool enabled;
    };
    const std::vector<Case> labels = {
        {"Label1", "ZARVEX", true, true},       {"VersionLabel", "Version : ", true, true},
        {"ComNumberLabel", "None", true, true}, {"ComBaudLabel", "38400", true, true},
        {"TxdLabel", "TXD", true, true},        {"RxdLabel", "RXD", true, true},
        {"DcdLabel", "DCD", true, true},        {"CtsLabel", "CTS", true, true},
    };
    for (const Case& c : labels) {
        auto* label = rig.control<QLabel>(c.name);
        ASSERT_NE(label, nullptr) << c.name;
        EXPECT_EQ(label->text(), c.text) << c.name;
    }
    const std::vector<Case> buttons = {
        {"PickButton", "Open script file to read and upload", true, true},
        {"UploadButton", "Upload", false, true},
        {"StopButton", "Stop", false, true},
        {"Button1", "Button1", true, true},
    };
    for (const Case& c : buttons) {
        auto* button = rig.control<QPushButton>(c.name);
        ASSERT_NE(button, nullptr) << c.name;
        EXPECT_EQ(button->text(), c.text) << c.name;
        EXPECT_EQ(button->isVisibleTo(&rig.window), c.visible) << c.name;
    }
    auto* ethernet = rig.control<QCheckBox>("EthernetCheckBox");
    EXPECT_EQ(ethernet->text(), "Ethernet");
    EXPECT_FALSE(ethernet->isEnabled()) << "the operator cannot change it";
    EXPECT_EQ(ethernet->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(rig.control<QCheckBox>("ComCheckBox")->isVisibleTo(&rig.window));
    EXPECT_EQ(rig.control<QLineEdit>("Edit2")->text(), "100");
    // The timing test lies beyond the right edge: no mouse reaches it, the Tab key does.
    for (const char* name : {"Edit2", "Button1", "Label8", "Label9"})
        EXPECT_GE(rig.control<QWidget>(name)->x(), 552) << name;
    EXPECT_NE(rig.control<QWidget>("Edit2")->focusPolicy() & Qt::TabFocus, 0);
}

TEST(MainWindow, VisibleEntryShrinksAndRestoresTheClientArea) {
    WindowRig rig;
    rig.window.show();
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    rig.window.terminalFocus();
    const int menuHeight = rig.window.height() - 425;

    rig.item("VisibleMenu")->trigger();
    EXPECT_FALSE(rig.item("VisibleMenu")->isChecked());
    EXPECT_EQ(rig.window.clientHeight(), 139);
    EXPECT_EQ(rig.window.height(), menuHeight + 139);
    // The terminal stays where it was, below the edge, and keeps receiving and the focus.
    EXPECT_EQ(rig.terminal().geometry().top(), 120);
    EXPECT_TRUE(rig.terminal().isVisible());
    EXPECT_TRUE(rig.terminal().hasFocus());
    rig.window.terminalWrite("still here");
    EXPECT_EQ(rig.terminalText(), "still here");

    rig.item("VisibleMenu")->trigger();
    EXPECT_TRUE(rig.item("VisibleMenu")->isChecked());
    EXPECT_EQ(rig.window.clientHeight(), 420) << "not the design height of 425";
    EXPECT_EQ(rig.window.height(), menuHeight + 420);

    // The configuration file runs the same action.
    rig.window.toggleTerminalVisible();
    EXPECT_EQ(rig.window.clientHeight(), 139);
}

TEST(MainWindow, ColourItemsSetTheTerminalsColours) {
    const QColor silver(192, 192, 192), black(0, 0, 0);
    struct Case {
        const char* item;
        QColor background;
        QColor text;
    };
    const std::vector<Case> cases = {
        {"BackBlackMenu", black, silver},
        {"BackRedMenu", QColor(255, 0, 0), silver},
        {"BackGreenMenu", QColor(0, 128, 0), silver},
        {"BackBlueMenu", QColor(0, 0, 255), silver},
        {"BackWhiteMenu", QColor(255, 255, 255), silver},
        {"TextBlackMenu", black, black},
        {"TextRedMenu", black, QColor(255, 0, 0)},
        {"TextGreenMenu", black, QColor(0, 128, 0)},
        {"TextBlueMenu", black, QColor(0, 0, 255)},
        {"TextWhiteMenu", black, QColor(255, 255, 255)},
    };
    for (const Case& c : cases) {
        WindowRig rig;
        EXPECT_EQ(rig.terminal().backgroundColor(), black) << "design";
        EXPECT_EQ(rig.terminal().textColor(), silver) << "design";
        rig.item(c.item)->trigger();
        EXPECT_EQ(rig.terminal().backgroundColor(), c.background) << c.item;
        EXPECT_EQ(rig.terminal().textColor(), c.text) << c.item;
        // Default brings back the design colours.
        rig.item("BackDefaultMenu")->trigger();
        rig.item("TextDefaultMenu")->trigger();
        EXPECT_EQ(rig.terminal().backgroundColor(), black) << c.item;
        EXPECT_EQ(rig.terminal().textColor(), silver) << c.item;
    }
}

TEST(MainWindow, ConfigurationNumbersPickTheSameColours) {
    WindowRig rig;
    rig.window.setTerminalBackground(4);
    rig.window.setTerminalTextColor(5);
    EXPECT_EQ(rig.terminal().backgroundColor(), QColor(0, 0, 255));
    EXPECT_EQ(rig.terminal().textColor(), QColor(255, 255, 255));
    rig.window.setTerminalBackground(6); // out of range: nothing
    rig.window.setTerminalTextColor(-1);
    EXPECT_EQ(rig.terminal().backgroundColor(), QColor(0, 0, 255));
    EXPECT_EQ(rig.terminal().textColor(), QColor(255, 255, 255));
}

TEST(MainWindow, FontDialogChangesTheTerminalFontOnlyWhenConfirmed) {
    WindowRig rig;
    const QFont before = rig.terminal().terminalFont();
    EXPECT_EQ(before.pixelSize(), 12);
    EXPECT_TRUE(QFontInfo(before).fixedPitch())
        << "a Courier-like family: " << QFontInfo(before).family().toStdString();

    rig.op.font = std::nullopt; // Cancel
    rig.item("TerminalFonts1")->trigger();
    EXPECT_EQ(rig.terminal().terminalFont(), before);
    EXPECT_EQ(rig.terminal().textColor(), QColor(192, 192, 192));

    rig.op.font = FontChoice{"DejaVu Sans Mono", 16, true, true, 0x00FF00};
    rig.item("TerminalFonts1")->trigger();
    const QFont after = rig.terminal().terminalFont();
    EXPECT_EQ(after.family(), "DejaVu Sans Mono");
    EXPECT_EQ(after.pixelSize(), 16);
    EXPECT_TRUE(after.bold());
    EXPECT_TRUE(after.italic());
    EXPECT_EQ(rig.terminal().textColor(), QColor(0, 255, 0));
}

TEST(MainWindow, VersionLabelClickTogglesSendFile) {
    WindowRig rig;
    rig.window.show();
    auto* version = rig.control<QLabel>("VersionLabel");
    QTest::mouseClick(version, Qt::LeftButton);
    EXPECT_TRUE(rig.item("SendFile1")->isVisible());
    QTest::mouseClick(version, Qt::LeftButton);
    EXPECT_FALSE(rig.item("SendFile1")->isVisible());
    rig.window.setVersionText("Version : 2.06");
    EXPECT_EQ(version->text(), "Version : 2.06");
}

TEST(MainWindow, MenuHintDoesNotWipeTheStatusLine) {
    WindowRig rig;
    rig.window.show();
    rig.window.showStatus("Established communication on COM 3");
    QStatusTipEvent hint(rig.item("SearchAllMenu")->statusTip());
    QApplication::sendEvent(&rig.window, &hint);
    QStatusTipEvent gone{QString()};
    QApplication::sendEvent(&rig.window, &gone);
    EXPECT_EQ(rig.window.statusText(), "Established communication on COM 3");
    EXPECT_TRUE(rig.control<QLabel>("StatusLine")->isVisible());
}

TEST(MainWindow, ExitAndCloseAskFormCloseQuery) {
    for (bool allow : {false, true}) {
        WindowRig rig;
        rig.allowClose = allow;
        rig.window.show();
        rig.item("ExitMenu")->trigger();
        EXPECT_EQ(rig.closeQueries, 1);
        EXPECT_EQ(rig.window.isVisible(), !allow);
    }
}

TEST(MainWindow, ScriptButtonsAndMenusFollowTheLogic) {
    WindowRig rig;
    rig.window.setScriptButtonsEnabled(false);
    EXPECT_FALSE(rig.control<QPushButton>("PickButton")->isEnabled());
    EXPECT_FALSE(rig.control<QPushButton>("UploadButton")->isEnabled());
    EXPECT_FALSE(rig.window.scriptButtonsEnabled());
    rig.window.setConfigMenuVisible(false);
    rig.window.setEthernetMenuEnabled(false);
    rig.window.setEnetConnectEnabled(false);
    rig.window.setEthernetChecked(true);
    EXPECT_FALSE(rig.item("ConfigMenu")->isVisible());
    EXPECT_FALSE(rig.item("Ethernet1")->isEnabled());
    EXPECT_FALSE(rig.window.enetConnectEnabled());
    EXPECT_TRUE(rig.control<QCheckBox>("EthernetCheckBox")->isChecked());
    rig.window.setComNumberLabel("3");
    EXPECT_EQ(rig.window.comNumberLabel(), "3");
}

} // namespace
