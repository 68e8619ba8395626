#pragma once
// The serial port over QSerialPort. Beyond what QSerialPort offers it models the line:
// the kernel takes many kilobytes behind bytesToWrite() and a pseudo-terminal reports
// none of them, so "used" also counts the bytes handed to the kernel that the line
// cannot have sent yet at the current baud rate. That paces an upload at the line rate.

#include "link/platform/serial_port.h"

#include <QSerialPort>

#include <chrono>
#include <string>

namespace zarvex {

class QtSerialPort : public SerialPort {
public:
    // Reads ZARVEX_FORCE_CTS_LOW: "1" holds CTS low from the start (see forceCtsLow).
    explicit QtSerialPort(Clock& clock);
    ~QtSerialPort() override;

    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    bool isPortAvailable(int n) override;
    std::string devicePath(int n) const override;

    int outBuffUsed() override;
    bool cts() override;
    ModemLines modemLines() override;
    bool putString(std::string_view text) override;
    bool putBlock(const char* data, int count) override;
    void flushOutBuffer() override;
    void flushInBuffer() override;
    void processCommunications() override;

    // Holds CTS low, as a unit that stops the flow would: cts() reads false and, since
    // flow control requires CTS, new output stays queued (and counted as used) until
    // the hold ends. For tests and demonstrations.
    void forceCtsLow(bool low);
    bool ctsForcedLow() const { return ctsForcedLow_; }

    // Why the last open failed: DeviceNotFoundError (unmapped or missing device),
    // PermissionError (in use, locked or not accessible), UnsupportedOperationError
    // (line settings the port cannot take), or another QSerialPort error.
    QSerialPort::SerialPortError lastOpenError() const { return lastOpenError_; }
    // The canonical device path of the open port; empty while closed.
    const std::string& openDevice() const { return openDevice_; }

protected:
    void applySettings() override;

private:
    using SteadyClock = std::chrono::steady_clock;

    bool fail(std::string* error, QSerialPort::SerialPortError code, const std::string& text);
    std::string describe(int n) const;
    // Notes the bytes that QSerialPort has handed to the kernel since the last look,
    // adds them to the line model and reports them through onSent.
    void account();
    // Lets the line model send what the elapsed time allowed at lineBaud_.
    void advanceLine();
    void writeToPort(const char* data, qint64 count);
    void handleError(QSerialPort::SerialPortError error);
    int kernelQueued() const;

    QSerialPort port_;
    std::string openDevice_;
    QSerialPort::SerialPortError lastOpenError_ = QSerialPort::NoError;
    LineSettings applied_; // what the open device runs with

    qint64 qtPending_ = 0; // bytesToWrite() as of the last account()
    double lineBytes_ = 0; // handed to the kernel and, by the model, still on the line
    // The line runs in real time, whatever clock the loader's waits are measured on.
    SteadyClock::time_point lineStamp_{};
    int lineBaud_ = 0; // the rate lineBytes_ drains at
    std::string held_; // output held back while CTS is forced low
    bool ctsForcedLow_ = false;
    bool noModemLines_ = false; // noted once per open
};

} // namespace zarvex
