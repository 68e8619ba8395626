#pragma once
// The RS-232 line lights: four small lamps for CTS, DCD, RXD and TXD and the controller
// (ApdSLController1) that drives them from the serial port while its monitoring is on.
// CTS and DCD follow the modem lines; on a device without modem lines they stay unlit.
// RXD and TXD flash briefly whenever bytes arrive or leave.

#include <QColor>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace zarvex {

class SerialPort;

class TApdStatusLight : public QWidget {
public:
    static constexpr int kSize = 13;
    static const QColor kLitColor;
    static const QColor kNotLitColor;

    explicit TApdStatusLight(QWidget* parent = nullptr);
    void setLit(bool lit);
    bool lit() const { return lit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool lit_ = false;
};

class TApdSLController : public QObject {
public:
    static constexpr int kPollMs = 100;
    static constexpr int kFlashMs = 100;

    TApdSLController(TApdStatusLight& cts, TApdStatusLight& dcd, TApdStatusLight& rxd, TApdStatusLight& txd,
                     QObject* parent = nullptr);

    void attach(SerialPort* port) { port_ = port; }
    void setMonitoring(bool on);
    bool monitoring() const { return monitoring_; }

    // Traffic on the port, as it happens.
    void noteReceived() { flash(rxd_, rxdOff_); }
    void noteSent() { flash(txd_, txdOff_); }
    // Reads CTS and DCD now (the poll timer does this while monitoring is on).
    void refresh();

private:
    void flash(TApdStatusLight& light, QTimer& off);

    TApdStatusLight& cts_;
    TApdStatusLight& dcd_;
    TApdStatusLight& rxd_;
    TApdStatusLight& txd_;
    SerialPort* port_ = nullptr;
    bool monitoring_ = false;
    QTimer poll_;
    QTimer rxdOff_;
    QTimer txdOff_;
};

} // namespace zarvex
