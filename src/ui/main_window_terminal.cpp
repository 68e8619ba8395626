// The main window's terminal handlers: its look, the Visible entry, clearing, and the
// keys typed into it.

#include "ui/main_window.h"

#include "engine/loader_state.h"
#include "link/platform/client_socket.h"
#include "link/platform/clock.h"
#include "link/platform/operator.h"
#include "link/platform/serial_port.h"
#include "ui/line_lights.h"
#include "ui/terminal_widget.h"

#include <QAction>

namespace zarvex {

namespace {

constexpr char kBackspace = 8;
constexpr char kCarriageReturn = 13;

// The colour items, in the numbering of the configuration file: 0 Default, 1 Black,
// 2 Red, 3 Green, 4 Blue, 5 White.
const QColor kItemColors[] = {QColor(),          QColor(0, 0, 0),   QColor(255, 0, 0),
                              QColor(0, 128, 0), QColor(0, 0, 255), QColor(255, 255, 255)};

QColor itemColor(int item, const QColor& defaultColor) {
    return item == 0 ? defaultColor : kItemColors[item];
}

bool validItem(int item) {
    return item >= 0 && item <= 5;
}

} // namespace

void TRirovUzodAdiruvForm::VisibleMenuClick() {
    // The terminal keeps its place: at 139 it lies below the edge, behind the status
    // bar, and still receives and keeps the focus.
    if (VisibleMenu->isChecked()) {
        VisibleMenu->setChecked(false);
        setClientHeight(kHiddenTerminalClientHeight);
    } else {
        VisibleMenu->setChecked(true);
        setClientHeight(kShownTerminalClientHeight);
    }
}

void TRirovUzodAdiruvForm::setTerminalBackground(int item) {
    if (validItem(item))
        AdTerminal1->setBackgroundColor(itemColor(item, TAdTerminal::kDefaultBackground));
}

void TRirovUzodAdiruvForm::setTerminalTextColor(int item) {
    if (!validItem(item))
        return;
    AdTerminal1->setTextColor(itemColor(item, TAdTerminal::kDefaultText));
    AdTerminal1->setTerminalFont(AdTerminal1->terminalFont()); // redraw with the new colour
}

void TRirovUzodAdiruvForm::BackDefaultMenuClick() {
    setTerminalBackground(0);
}
void TRirovUzodAdiruvForm::BackBlackMenuClick() {
    setTerminalBackground(1);
}
void TRirovUzodAdiruvForm::BackRedMenuClick() {
    setTerminalBackground(2);
}
void TRirovUzodAdiruvForm::BackGreenMenuClick() {
    setTerminalBackground(3);
}
void TRirovUzodAdiruvForm::BackBlueMenuClick() {
    setTerminalBackground(4);
}
void TRirovUzodAdiruvForm::BackWhiteMenuClick() {
    setTerminalBackground(5);
}
void TRirovUzodAdiruvForm::TextDefaultMenuClick() {
    setTerminalTextColor(0);
}
void TRirovUzodAdiruvForm::TextBlackMenuClick() {
    setTerminalTextColor(1);
}
void TRirovUzodAdiruvForm::TextRedMenuClick() {
    setTerminalTextColor(2);
}
void TRirovUzodAdiruvForm::TextGreenMenuClick() {
    setTerminalTextColor(3);
}
void TRirovUzodAdiruvForm::TextBlueMenuClick() {
    setTerminalTextColor(4);
}
void TRirovUzodAdiruvForm::TextWhiteMenuClick() {
    setTerminalTextColor(5);
}

void TRirovUzodAdiruvForm::TerminalFonts1Click() {
    if (!parts_)
        return;
    const QFont font = AdTerminal1->terminalFont();
    FontChoice current;
    current.family = font.family().toStdString();
    current.pixelSize = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    current.bold = font.bold();
    current.italic = font.italic();
    current.rgb = AdTerminal1->textColor().rgb() & 0xFFFFFFu;
    const std::optional<FontChoice> chosen = parts_->op.chooseFont(current);
    if (!chosen)
        return; // Cancel changes nothing
    QFont next = font;
    next.setFamilies({QString::fromStdString(chosen->family)});
    if (chosen->pixelSize > 0)
        next.setPixelSize(chosen->pixelSize);
    next.setBold(chosen->bold);
    next.setItalic(chosen->italic);
    AdTerminal1->setTextColor(QColor::fromRgb(chosen->rgb | 0xFF000000u));
    AdTerminal1->setTerminalFont(next);
}

void TRirovUzodAdiruvForm::AdTerminal1DblClick() {
    AdTerminal1->clearAll();
}

void TRirovUzodAdiruvForm::keepAliveOff() {
    parts_->keepAlive.setEnabled(false);
    parts_->state.keepAliveAllowed = false;
}

void TRirovUzodAdiruvForm::AdTerminal1KeyPress(char& key) {
    if (!parts_)
        return;
    keepAliveOff(); // from the first keystroke on, until a script run or file send
    if (key == kBackspace && parts_->port.isOpen()) {
        key = 0; // the terminal must not send it as well
        parts_->port.putString("\b \b");
        return;
    }
    if (parts_->socket.active())
        sendKeyOverEthernet(key);
    // Otherwise the terminal sends the key to the serial port itself and the unit echoes it.
}

void TRirovUzodAdiruvForm::sendKeyOverEthernet(char key) {
    ClientSocket& socket = parts_->socket;
    if (socket.sendBuf(&key, 1) != 1)
        socket.sendBuf(&key, 1); // one more try, then let it go
    AdTerminal1->write(std::string_view(&key, 1));
    if (key == kCarriageReturn)
        AdTerminal1->write("\n");
}

void TRirovUzodAdiruvForm::watchSerialPort() {
    SerialPort& port = parts_->port;
    // Others may watch the port too: keep their handlers running.
    port.onReceived = [this, previous = std::move(port.onReceived)](std::string_view bytes) {
        if (previous)
            previous(bytes);
        AdTerminal1->write(bytes);
        ApdSLController1->noteReceived();
    };
    port.onSent = [this, previous = std::move(port.onSent)](int count) {
        if (previous)
            previous(count);
        if (count > 0)
            ApdSLController1->noteSent();
    };
}

} // namespace zarvex
