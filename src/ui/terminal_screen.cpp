#include "ui/terminal_screen.h"

#include <algorithm>

namespace zarvex {

namespace {

constexpr unsigned char kNul = 0;
constexpr unsigned char kBell = 7;
constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;

} // namespace

TerminalScreen::TerminalScreen() {
    clear();
}

TerminalScreen::Row TerminalScreen::blankRow() {
    Row row;
    row.fill(kBlank);
    return row;
}

void TerminalScreen::clear() {
    history_.clear();
    screen_.fill(blankRow());
    row_ = 0;
    column_ = 0;
}

const TerminalScreen::Row& TerminalScreen::line(int index) const {
    if (index < historySize())
        return history_[static_cast<std::size_t>(index)];
    return screen_.at(static_cast<std::size_t>(index - historySize()));
}

std::string TerminalScreen::lineBytes(int index) const {
    const Row& row = line(index);
    auto end = row.end();
    while (end != row.begin() && *(end - 1) == kBlank)
        --end;
    return std::string(row.begin(), end);
}

int TerminalScreen::write(std::string_view bytes) {
    int bells = 0;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case kNul: // a teletype's fill character: nothing to show
            break;
        case kBell:
            ++bells;
            break;
        case kBackspace:
            column_ = std::max(0, cursorColumn() - (column_ < kColumns ? 1 : 0));
            break;
        case kTab:
            column_ = std::min(kColumns - 1, (cursorColumn() / kTabStop + 1) * kTabStop);
            break;
        case kLineFeed:
            lineFeed();
            break;
        case kCarriageReturn:
            column_ = 0;
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                // Any other control byte is shown in caret form (ESC as "^[") and never acts.
                put('^');
                put(byte ^ 0x40);
            } else {
                put(byte);
            }
            break;
        }
    }
    return bells;
}

void TerminalScreen::put(unsigned char c) {
    if (column_ >= kColumns) {
        column_ = 0;
        lineFeed();
    }
    screen_[static_cast<std::size_t>(row_)][static_cast<std::size_t>(column_)] = c;
    ++column_;
}

void TerminalScreen::lineFeed() {
    if (row_ < kRows - 1) {
        ++row_;
        return;
    }
    history_.push_back(screen_[0]);
    if (history_.size() > static_cast<std::size_t>(kScrollbackRows))
        history_.pop_front();
    std::move(screen_.begin() + 1, screen_.end(), screen_.begin());
    screen_.back() = blankRow();
}

} // namespace zarvex
