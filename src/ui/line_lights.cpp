#include "ui/line_lights.h"

#include "link/platform/serial_port.h"

#include <QPainter>

namespace zarvex {

const QColor TApdStatusLight::kLitColor = QColor(0, 255, 0);
const QColor TApdStatusLight::kNotLitColor = QColor(0, 72, 0);

TApdStatusLight::TApdStatusLight(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize, kSize);
}

void TApdStatusLight::setLit(bool lit) {
    if (lit == lit_)
        return;
    lit_ = lit;
    update();
}

void TApdStatusLight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(lit_ ? kLitColor : kNotLitColor);
    painter.drawEllipse(QRectF(0.5, 0.5, kSize - 1.0, kSize - 1.0));
}

TApdSLController::TApdSLController(TApdStatusLight& cts, TApdStatusLight& dcd, TApdStatusLight& rxd,
                                   TApdStatusLight& txd, QObject* parent)
    : QObject(parent), cts_(cts), dcd_(dcd), rxd_(rxd), txd_(txd) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] { refresh(); });
    for (QTimer* off : {&rxdOff_, &txdOff_}) {
        off->setSingleShot(true);
        off->setInterval(kFlashMs);
    }
    connect(&rxdOff_, &QTimer::timeout, this, [this] { rxd_.setLit(false); });
    connect(&txdOff_, &QTimer::timeout, this, [this] { txd_.setLit(false); });
}

void TApdSLController::setMonitoring(bool on) {
    monitoring_ = on;
    if (on) {
        poll_.start();
    } else {
        poll_.stop();
        rxdOff_.stop();
        txdOff_.stop();
        rxd_.setLit(false);
        txd_.setLit(false);
    }
    refresh();
}

void TApdSLController::refresh() {
    const bool watching = monitoring_ && port_ && port_->isOpen();
    const ModemLines lines = watching ? port_->modemLines() : ModemLines{};
    cts_.setLit(lines.known && lines.cts);
    dcd_.setLit(lines.known && lines.dcd);
}

void TApdSLController::flash(TApdStatusLight& light, QTimer& off) {
    if (!monitoring_)
        return;
    light.setLit(true);
    off.start();
}

} // namespace zarvex
