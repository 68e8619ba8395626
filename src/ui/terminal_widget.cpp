#include "ui/terminal_widget.h"

#include "link/platform/serial_port.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace zarvex {

namespace {

constexpr int kMargin = 2;
constexpr char kCarriageReturn = 13;
constexpr char kBackspaceKey = 8;
constexpr char kEscapeKey = 27;
// Shown for bytes 0x80 to 0x9F, which have no glyph of their own.
constexpr char16_t kHighControlGlyph = 0x00B7;

bool isAscii(unsigned char byte) {
    return byte >= 0x20 && byte < 0x7F;
}

} // namespace

const QColor TAdTerminal::kDefaultText = QColor(192, 192, 192);
const QColor TAdTerminal::kDefaultBackground = QColor(0, 0, 0);

QFont TAdTerminal::defaultFont() {
    QFont font;
    font.setFamilies({"Courier New", "Liberation Mono", "DejaVu Sans Mono"});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

TAdTerminal::TAdTerminal(QWidget* parent) : QAbstractScrollArea(parent), font_(defaultFont()) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    blink_.setInterval(kCursorBlinkMs);
    connect(&blink_, &QTimer::timeout, this, [this] {
        cursorOn_ = !cursorOn_;
        viewport()->update();
    });
    blink_.start();
    updateScrollBars(true);
}

QChar TAdTerminal::glyph(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kHighControlGlyph);
    if (byte < 0x20 || byte == 0x7F)
        return QChar(kHighControlGlyph);       // the screen never stores these; be safe anyway
    return QChar(static_cast<char16_t>(byte)); // ASCII and Latin-1
}

void TAdTerminal::write(std::string_view bytes) {
    if (bytes.empty())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    // One beep for a block, however many BEL bytes it holds.
    if (screen_.write(bytes) > 0)
        QApplication::beep();
    // New output follows the bottom unless the operator is reading the scroll-back.
    updateScrollBars(atBottom);
    cursorOn_ = true;
    viewport()->update();
}

void TAdTerminal::clearAll() {
    screen_.clear();
    updateScrollBars(true);
    viewport()->update();
}

void TAdTerminal::setBackgroundColor(const QColor& color) {
    background_ = color;
    viewport()->update();
}

void TAdTerminal::setTextColor(const QColor& color) {
    text_ = color;
    viewport()->update();
}

void TAdTerminal::setTerminalFont(const QFont& font) {
    font_ = font;
    updateScrollBars(verticalScrollBar()->value() >= verticalScrollBar()->maximum());
    viewport()->update();
}

QString TAdTerminal::screenText() const {
    QStringList lines;
    for (int i = screen_.historySize(); i < screen_.lineCount(); ++i) {
        QString line;
        for (char c : screen_.lineBytes(i))
            line += glyph(static_cast<unsigned char>(c));
        lines << line;
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join('\n');
}

int TAdTerminal::lineHeight() const {
    return std::max(1, QFontMetrics(font_).height());
}

int TAdTerminal::charWidth() const {
    return std::max(1, QFontMetrics(font_).horizontalAdvance(QLatin1Char('M')));
}

void TAdTerminal::updateScrollBars(bool followBottom) {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, screen_.historySize());
    vertical->setPageStep(TerminalScreen::kRows);
    vertical->setSingleStep(1);
    if (followBottom)
        vertical->setValue(vertical->maximum());

    const int textWidth = TerminalScreen::kColumns * charWidth() + 2 * kMargin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, textWidth - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(charWidth());
}

void TAdTerminal::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars(verticalScrollBar()->value() >= verticalScrollBar()->maximum());
}

void TAdTerminal::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background_);
    painter.setFont(font_);
    painter.setPen(text_);
    const int first = verticalScrollBar()->value();
    const int last = std::min(screen_.lineCount(), first + TerminalScreen::kRows);
    for (int line = first; line < last; ++line)
        paintLine(painter, line, kMargin + (line - first) * lineHeight());
    paintCursor(painter, first);
}

void TAdTerminal::paintLine(QPainter& painter, int lineIndex, int y) const {
    const TerminalScreen::Row& row = screen_.line(lineIndex);
    const int width = charWidth();
    const int x0 = kMargin - horizontalScrollBar()->value();
    const int baseline = y + QFontMetrics(font_).ascent();
    // Runs of ASCII go out as one string; other glyphs are placed cell by cell so that
    // a glyph from a fallback font cannot shift the columns after it.
    int column = 0;
    while (column < TerminalScreen::kColumns) {
        const unsigned char byte = row[static_cast<std::size_t>(column)];
        if (!isAscii(byte)) {
            painter.drawText(x0 + column * width, baseline, QString(glyph(byte)));
            ++column;
            continue;
        }
        int end = column;
        QString run;
        while (end < TerminalScreen::kColumns && isAscii(row[static_cast<std::size_t>(end)]))
            run += QLatin1Char(static_cast<char>(row[static_cast<std::size_t>(end++)]));
        if (!run.trimmed().isEmpty())
            painter.drawText(x0 + column * width, baseline, run);
        column = end;
    }
}

void TAdTerminal::paintCursor(QPainter& painter, int firstLine) const {
    if (!cursorOn_ || !hasFocus())
        return;
    const int line = screen_.historySize() + screen_.cursorRow();
    if (line < firstLine || line >= firstLine + TerminalScreen::kRows)
        return;
    const int x = kMargin - horizontalScrollBar()->value() + screen_.cursorColumn() * charWidth();
    const int y = kMargin + (line - firstLine) * lineHeight();
    const int thickness = std::max(2, lineHeight() / 6);
    painter.fillRect(x, y + lineHeight() - thickness, charWidth(), thickness, text_);
}

bool TAdTerminal::keyByte(const QKeyEvent& event, char& byte) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        byte = kCarriageReturn;
        return true;
    case Qt::Key_Backspace:
        byte = kBackspaceKey;
        return true;
    case Qt::Key_Escape:
        byte = kEscapeKey;
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false; // navigation stays with the window
    default:
        break;
    }
    const QString text = event.text();
    if (text.size() != 1 || text.at(0).unicode() > 0xFF)
        return false; // the unit's command language is 8-bit text
    byte = static_cast<char>(text.at(0).unicode());
    return true;
}

void TAdTerminal::keyPressEvent(QKeyEvent* event) {
    char key = 0;
    if (!keyByte(*event, key)) {
        QAbstractScrollArea::keyPressEvent(event); // page keys scroll the scroll-back
        return;
    }
    event->accept();
    sendTyped(key);
}

void TAdTerminal::sendTyped(char key) {
    if (onKeyPress)
        onKeyPress(key);
    if (key == 0)
        return; // swallowed by the window's handler
    if (port_ && port_->isOpen())
        port_->putString(std::string_view(&key, 1));
}

void TAdTerminal::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (onDoubleClick)
        onDoubleClick();
    else
        clearAll();
}

} // namespace zarvex
