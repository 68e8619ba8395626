#pragma once
// The character grid behind the terminal: a teletype of 80 columns and 16 rows with 100
// rows of scroll-back. Bytes from the unit are taken as a teletype takes them: CR, LF,
// BS, TAB and BEL act, NUL is dropped, and every other control byte is written in caret
// form ("^[" for ESC) so that it can never move the cursor or change the look of the
// window. Memory is fixed by the
// grid's size, whatever the unit sends.

#include <array>
#include <deque>
#include <string>
#include <string_view>

namespace zarvex {

class TerminalScreen {
public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 16;
    static constexpr int kScrollbackRows = 100;
    static constexpr int kTabStop = 8;
    static constexpr unsigned char kBlank = ' ';

    using Row = std::array<unsigned char, kColumns>;

    TerminalScreen();

    // Takes bytes from the unit or the local echo; returns how many BEL bytes were among them.
    int write(std::string_view bytes);
    // Erases the screen and the scroll-back and puts the cursor home.
    void clear();

    // Lines from the oldest scroll-back row (0) to the last screen row.
    int lineCount() const { return historySize() + kRows; }
    int historySize() const { return static_cast<int>(history_.size()); }
    const Row& line(int index) const;
    // A line's bytes without its trailing blanks.
    std::string lineBytes(int index) const;

    int cursorRow() const { return row_; } // on the screen, 0 to kRows - 1
    int cursorColumn() const { return column_ < kColumns ? column_ : kColumns - 1; }

private:
    void put(unsigned char c);
    void lineFeed();
    static Row blankRow();

    std::deque<Row> history_;
    std::array<Row, kRows> screen_;
    int row_ = 0;
    // kColumns after a character in the last column: the line wraps only when the next
    // printable character comes, so 80 characters and a CR LF make one line, not two.
    int column_ = 0;
};

} // namespace zarvex
