// The teletype: what the unit's bytes do to the screen, what they can never do, the
// scroll-back bound, clearing, and the unit's output arriving on either link.

#include "window_rig.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

std::string screenLines(const TerminalScreen& screen) {
    std::vector<std::string> rows;
    for (int i = screen.historySize(); i < screen.lineCount(); ++i)
        rows.push_back(screen.lineBytes(i));
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    std::string out;
    for (const std::string& row : rows)
        out += row + "|";
    return out;
}

TEST(TerminalScreen, TakesBytesAsATeletype) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string lines; // screen rows, each ended by "|", trailing empty rows dropped
        int row, column;
    };
    const std::vector<Case> cases = {
        {"plain text", "abc", "abc|", 0, 3},
        {"CR returns, LF only moves down", "ab\ncd\rX", "ab|X cd|", 1, 1},
        {"CR LF", "one\r\ntwo", "one|two|", 1, 3},
        {"BS moves back without erasing", "abc\b", "abc|", 0, 2},
        {"echoed backspace erases", "abc\b \b", "ab|", 0, 2},
        {"BS stops at the left edge", "\b\ba", "a|", 0, 1},
        {"TAB to the next stop of 8", "a\tb", "a       b|", 0, 9},
        {"BEL shows nothing", "a\ab", "ab|", 0, 2},
        {"NUL is dropped", std::string("a\0b", 3), "ab|", 0, 2},
        {"ESC sequence is shown, not obeyed", "\x1b[2J\x1b[H", "^[[2J^[[H|", 0, 9},
        {"other control bytes in caret form", "\x01\x0b\x0c\x7f", "^A^K^L^?|", 0, 8},
        {"80 characters then CR LF make one line", std::string(80, 'x') + "\r\ny",
         std::string(80, 'x') + "|y|", 1, 1},
        {"the 81st character wraps", std::string(81, 'x'), std::string(80, 'x') + "|x|", 1, 1},
        {"TAB never passes the last column", std::string(78, 'x') + "\t\tz", std::string(78, 'x') + " z|", 0,
         79},
    };
    for (const Case& c : cases) {
        TerminalScreen screen;
        const int bells = screen.write(c.bytes);
        EXPECT_EQ(screenLines(screen), c.lines) << c.name;
        EXPECT_EQ(screen.cursorRow(), c.row) << c.name;
        EXPECT_EQ(screen.cursorColumn(), c.column) << c.name;
        EXPECT_EQ(bells, c.bytes.find('\a') != std::string::npos ? 1 : 0) << c.name;
    }
}

TEST(TerminalScreen, ScrollBackKeepsTheLast100RowsOffTheScreen) {
    TerminalScreen screen;
    for (int i = 0; i < 500; ++i)
        screen.write("line " + std::to_string(i) + "\r\n");
    EXPECT_EQ(screen.historySize(), TerminalScreen::kScrollbackRows);
    // The screen holds lines 485 to 499 and the empty row after them; line 385 is the oldest kept.
    EXPECT_EQ(screen.lineBytes(0), "line 385");
    EXPECT_EQ(screen.lineBytes(screen.lineCount() - 2), "line 499");
    EXPECT_EQ(screen.cursorRow(), TerminalScreen::kRows - 1);
    screen.clear();
    EXPECT_EQ(screen.historySize(), 0);
    EXPECT_EQ(screenLines(screen), "");
}

std::string hostileBytes(std::size_t size) {
    std::string bytes;
    const std::string escapes[] = {"\x1b[2J",
                                   "\x1b[?1049h",
                                   "\x1b]0;title\x07",
                                   "\x1b[999;999H",
                                   "\x1b"
                                   "c",
                                   "\x9b"
                                   "31m",
                                   "\x1bP+q\x1b\\"};
    std::uint32_t x = 12345;
    while (bytes.size() < size) {
        x = x * 1103515245u + 12345u;
        if ((x >> 24) % 16 == 0)
            bytes += escapes[(x >> 8) % std::size(escapes)];
        else
            bytes += char(x >> 16);
    }
    return bytes;
}

TEST(Terminal, OneMegabyteOfBinaryAndEscapesLeavesAWorkingBoundedTerminal) {
    struct Case {
        const char* link;
        bool ethernet;
    };
    for (const Case& c : {Case{"serial", false}, Case{"ethernet", true}}) {
        WindowRig rig;
        rig.window.show();
        if (c.ethernet)
            rig.connectEthernet(3000, nullptr);
        else
            rig.openSerial(1, nullptr);
        const QSize size = rig.window.size();
        const std::string bytes = hostileBytes(1 << 20);
        // In pieces, as the link delivers them.
        for (std::size_t at = 0; at < bytes.size(); at += 4096) {
            const std::string_view piece = std::string_view(bytes).substr(at, 4096);
            if (c.ethernet)
                rig.socket.unitSends(piece);
            else
                rig.port.unitSends(piece);
            rig.clock.processMessages();
        }
        rig.window.repaint(); // drawing the result must not fail either

        EXPECT_LE(rig.terminal().scrollbackRows(), TerminalScreen::kScrollbackRows) << c.link;
        EXPECT_EQ(rig.terminal().verticalScrollBar()->maximum(), rig.terminal().scrollbackRows()) << c.link;
        for (QChar ch : rig.terminal().screenText())
            EXPECT_TRUE(ch == '\n' || ch.unicode() >= 0x20)
                << c.link << ": control character " << int(ch.unicode());
        EXPECT_EQ(rig.window.size(), size) << c.link;
        EXPECT_EQ(rig.window.windowTitle(), "Velmora Research Inc. :- Zarvex") << c.link;
        // Still a terminal afterwards.
        rig.window.AdTerminal1DblClick();
        rig.window.terminalWrite("OK\r\n#");
        EXPECT_EQ(rig.terminalText(), "OK\n#") << c.link;
    }
}

TEST(Terminal, ShowsWhatTheUnitSendsOnEitherLink) {
    {
        WindowRig rig;
        rig.openSerial(1, nullptr);
        rig.port.unitSends("Boot v2.06\r\n#");
        rig.clock.processMessages();
        EXPECT_EQ(rig.terminalText(), "Boot v2.06\n#");
    }
    {
        WindowRig rig;
        rig.connectEthernet(3000, nullptr);
        rig.socket.unitSends("Boot v2.06\r\n>");
        rig.clock.processMessages();
        EXPECT_EQ(rig.terminalText(), "Boot v2.06\n>");
    }
}

TEST(Terminal, ClearAndDoubleClickEmptyScreenAndScrollBack) {
    using Clear = std::function<void(WindowRig&)>;
    const std::vector<std::pair<const char*, Clear>> ways = {
        {"Terminal > Clear", [](WindowRig& rig) { rig.item("Clear1")->trigger(); }},
        {"double click",
         [](WindowRig& rig) {
             QTest::mouseDClick(rig.terminal().viewport(), Qt::LeftButton, {}, QPoint(40, 200));
         }},
        {"the logic's clear", [](WindowRig& rig) { rig.window.terminalClear(); }},
    };
    for (const auto& [name, clear] : ways) {
        WindowRig rig;
        rig.window.show();
        for (int i = 0; i < 40; ++i)
            rig.window.terminalWrite("row " + std::to_string(i) + "\r\n");
        ASSERT_GT(rig.terminal().scrollbackRows(), 0);
        clear(rig);
        EXPECT_EQ(rig.terminalText(), "") << name;
        EXPECT_EQ(rig.terminal().scrollbackRows(), 0) << name;
        EXPECT_EQ(rig.terminal().screen().cursorRow(), 0) << name;
    }
}

TEST(Terminal, ReadingTheScrollBackIsNotDisturbedByNewOutput) {
    WindowRig rig;
    rig.window.show();
    for (int i = 0; i < 40; ++i)
        rig.window.terminalWrite("row " + std::to_string(i) + "\r\n");
    QScrollBar* bar = rig.terminal().verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum()) << "output follows the bottom";
    bar->setValue(3);
    rig.window.terminalWrite("more\r\n");
    EXPECT_EQ(bar->value(), 3);
}

} // namespace
