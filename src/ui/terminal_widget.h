#pragma once
// AdTerminal1: the teletype pane of the main window. It shows what the unit sends on
// either link, keeps 100 rows of scroll-back, and passes the operator's keys on: first
// to the window's key handler (which may swallow a key), then, when a serial port is
// bound and open, to that port by itself. Navigation keys (Tab) stay with the window.

#include "ui/terminal_screen.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QTimer>

#include <functional>
#include <string_view>

namespace zarvex {

class SerialPort;

class TAdTerminal : public QAbstractScrollArea {
public:
    static constexpr int kCursorBlinkMs = 250;
    static const QColor kDefaultText;       // silver
    static const QColor kDefaultBackground; // black

    explicit TAdTerminal(QWidget* parent = nullptr);

    void write(std::string_view bytes);
    void clearAll();

    // The port that typed keys go to by themselves while it is open; nullptr for none.
    void bindSerialPort(SerialPort* port) { port_ = port; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setTextColor(const QColor& color);
    QColor textColor() const { return text_; }
    void setTerminalFont(const QFont& font);
    QFont terminalFont() const { return font_; }
    // "Courier New" at 12 pixels, or the closest fixed-pitch family this system has.
    static QFont defaultFont();

    // What the screen shows (16 rows, trailing blanks dropped, placeholders for control
    // bytes) and how many rows of scroll-back it holds.
    QString screenText() const;
    int scrollbackRows() const { return screen_.historySize(); }
    const TerminalScreen& screen() const { return screen_; }

    // The character shown for a stored byte: control bytes get a visible stand-in.
    static QChar glyph(unsigned char byte);

    // The window's key handler: it may change the key or set it to 0 to swallow it.
    std::function<void(char& key)> onKeyPress;
    std::function<void()> onDoubleClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The byte a key stands for; false for keys that are not characters.
    static bool keyByte(const QKeyEvent& event, char& byte);
    void sendTyped(char key);
    void updateScrollBars(bool followBottom);
    int lineHeight() const;
    int charWidth() const;
    void paintLine(QPainter& painter, int lineIndex, int y) const;
    void paintCursor(QPainter& painter, int firstLine) const;

    TerminalScreen screen_;
    SerialPort* port_ = nullptr;
    QColor background_ = kDefaultBackground;
    QColor text_ = kDefaultText;
    QFont font_;
    QTimer blink_;
    bool cursorOn_ = true;
};

} // namespace zarvex
