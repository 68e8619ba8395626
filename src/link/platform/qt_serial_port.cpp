#include "link/platform/qt_serial_port.h"

#include "link/platform/com_map.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <optional>
#include <sys/ioctl.h>

namespace zarvex {

namespace {

// What the device cannot take, in words for the operator; nullopt when all is well.
std::optional<std::string> settingsProblem(const LineSettings& s) {
    if (s.baud <= 0)
        return "unsupported baud rate " + std::to_string(s.baud);
    if (s.dataBits < 5 || s.dataBits > 8)
        return "unsupported data bits " + std::to_string(s.dataBits) + " (5 to 8)";
    if (s.parity < 0 || s.parity > 4)
        return "unsupported parity " + std::to_string(s.parity) + " (0 none, 1 odd, 2 even, 3 mark, 4 space)";
    if (s.stopBits != 1 && s.stopBits != 2)
        return "unsupported stop bits " + std::to_string(s.stopBits) + " (1 or 2)";
    return std::nullopt;
}

QSerialPort::Parity toQtParity(int parity) {
    switch (parity) {
    case 1:
        return QSerialPort::OddParity;
    case 2:
        return QSerialPort::EvenParity;
    case 3:
        return QSerialPort::MarkParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

// Hands valid settings to the port; false when the device refused one of them.
bool configure(QSerialPort& port, const LineSettings& s) {
    bool ok = port.setBaudRate(s.baud);
    ok = port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) && ok;
    ok = port.setParity(toQtParity(s.parity)) && ok;
    ok = port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) && ok;
    // RTS used, CTS required. A pseudo-terminal accepts this and ignores it.
    ok = port.setFlowControl(QSerialPort::HardwareControl) && ok;
    return ok;
}

} // namespace

QtSerialPort::QtSerialPort(Clock& clock) : SerialPort(clock) {
    ctsForcedLow_ = qEnvironmentVariable("ZARVEX_FORCE_CTS_LOW") == QLatin1String("1");
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
        const QByteArray data = port_.readAll();
        deliver(std::string_view(data.constData(), std::size_t(data.size())));
    });
    QObject::connect(&port_, &QSerialPort::bytesWritten, &port_, [this](qint64) { account(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { handleError(e); });
}

QtSerialPort::~QtSerialPort() {
    // No handler may run on a half-destroyed object while the port closes.
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    port_.close();
}

std::string QtSerialPort::devicePath(int n) const {
    return comDevicePath(n);
}

std::string QtSerialPort::describe(int n) const {
    const std::string path = devicePath(n);
    return "COM" + std::to_string(n) + (path.empty() ? std::string() : " (" + path + ")");
}

bool QtSerialPort::fail(std::string* error, QSerialPort::SerialPortError code, const std::string& text) {
    lastOpenError_ = code;
    if (error)
        *error = text;
    return false;
}

bool QtSerialPort::open(std::string* error) {
    if (isOpen())
        return true;
    lastOpenError_ = QSerialPort::NoError;
    const int n = comNumber_;
    const std::string path = devicePath(n);
    if (path.empty())
        return fail(error, QSerialPort::DeviceNotFoundError,
                    "COM" + std::to_string(n) + " has no device on this computer");
    // The lock file is named after the path, so two names of one port must become one.
    const std::string device = canonicalDevicePath(path);
    if (device.empty())
        return fail(error, QSerialPort::DeviceNotFoundError, describe(n) + ": no such device");
    if (const auto problem = settingsProblem(settings_))
        return fail(error, QSerialPort::UnsupportedOperationError, describe(n) + ": " + *problem);

    port_.setPortName(QString::fromStdString(device));
    if (!configure(port_, settings_))
        return fail(error, QSerialPort::UnsupportedOperationError,
                    describe(n) + ": line settings refused (" + port_.errorString().toStdString() + ")");
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError code = port_.error();
        const std::string why = port_.errorString().toStdString();
        port_.clearError();
        if (code == QSerialPort::PermissionError)
            return fail(error, code,
                        describe(n) + " is in use by another program or not accessible (" + why + ")");
        if (code == QSerialPort::DeviceNotFoundError)
            return fail(error, code, describe(n) + ": no such device");
        return fail(error, code, describe(n) + " cannot be opened (" + why + ")");
    }
    openDevice_ = device;
    applied_ = settings_;
    lineBaud_ = settings_.baud;
    qtPending_ = 0;
    lineBytes_ = 0;
    lineStamp_ = SteadyClock::now();
    held_.clear();
    noModemLines_ = false;
    return true;
}

void QtSerialPort::close() {
    port_.close();
    port_.clearError();
    openDevice_.clear();
    qtPending_ = 0;
    lineBytes_ = 0;
    held_.clear();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

bool QtSerialPort::isPortAvailable(int n) {
    if (n < kFirstComPort)
        return false;
    const std::string device = canonicalDevicePath(devicePath(n));
    if (device.empty())
        return false;
    // The port this object holds exists and is ours to use; probing it would fail
    // only on our own lock.
    if (isOpen() && device == openDevice_)
        return true;
    QSerialPort probe;
    probe.setPortName(QString::fromStdString(device));
    if (!probe.open(QIODevice::ReadWrite))
        return false;
    probe.close();
    return true;
}

void QtSerialPort::applySettings() {
    if (!isOpen())
        return; // taken up by the next open()
    if (const auto problem = settingsProblem(settings_)) {
        qWarning("zarvex: %s: %s; the port keeps its previous settings", describe(comNumber_).c_str(),
                 problem->c_str());
        settings_ = applied_;
        return;
    }
    // Bytes already on the line went out at the old rate up to now.
    account();
    lineBaud_ = settings_.baud;
    if (!configure(port_, settings_))
        qWarning("zarvex: %s: line settings refused (%s)", describe(comNumber_).c_str(),
                 qPrintable(port_.errorString()));
    applied_ = settings_;
}

void QtSerialPort::advanceLine() {
    const SteadyClock::time_point now = SteadyClock::now();
    if (lineBytes_ > 0 && lineBaud_ > 0) {
        // A character is ten bits on the line: start, eight data bits, stop.
        const double seconds = std::chrono::duration<double>(now - lineStamp_).count();
        lineBytes_ = std::max(0.0, lineBytes_ - seconds * lineBaud_ / 10.0);
    }
    lineStamp_ = now;
}

void QtSerialPort::account() {
    if (!isOpen())
        return;
    advanceLine();
    const qint64 inQt = port_.bytesToWrite();
    const qint64 handed = qtPending_ - inQt;
    qtPending_ = inQt;
    if (handed <= 0)
        return;
    lineBytes_ += double(handed);
    if (onSent)
        onSent(int(std::min<qint64>(handed, INT_MAX)));
}

int QtSerialPort::kernelQueued() const {
    int queued = 0;
    if (::ioctl(port_.handle(), TIOCOUTQ, &queued) != 0)
        return 0;
    return std::max(queued, 0);
}

int QtSerialPort::outBuffUsed() {
    if (!isOpen())
        return 0;
    account();
    if (!isOpen())
        return 0; // onSent may have closed it
    // The kernel's own count, where it has one, already includes what the model counts.
    const double onLine = std::max(double(kernelQueued()), std::ceil(lineBytes_));
    const double used = double(held_.size()) + double(port_.bytesToWrite()) + onLine;
    return int(std::min(used, double(INT_MAX)));
}

void QtSerialPort::writeToPort(const char* data, qint64 count) {
    account();
    const qint64 written = port_.write(data, count);
    if (written > 0)
        qtPending_ += written;
    // Push as much as the kernel takes now; flush() does not wait for the line.
    port_.flush();
    account();
}

bool QtSerialPort::putString(std::string_view text) {
    return putBlock(text.data(), static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)));
}

bool QtSerialPort::putBlock(const char* data, int count) {
    if (!isOpen() || count < 0 || (count > 0 && data == nullptr))
        return false;
    if (count == 0)
        return true;
    if (ctsForcedLow_) {
        held_.append(data, std::size_t(count));
        return true;
    }
    writeToPort(data, count);
    return true;
}

void QtSerialPort::flushOutBuffer() {
    held_.clear();
    if (!isOpen())
        return;
    account();
    // With nothing counted as used there is nothing to discard. Clearing anyway would
    // flush the kernel's queue, which on a pseudo-terminal can still hold bytes the unit
    // has not read although the line counts them as sent: a drained block would lose its tail.
    if (outBuffUsed() == 0)
        return;
    port_.clear(QSerialPort::Output);
    qtPending_ = port_.bytesToWrite();
    lineBytes_ = 0;
}

void QtSerialPort::flushInBuffer() {
    SerialPort::flushInBuffer();
    if (!isOpen())
        return;
    // What the device has received but not yet delivered goes too: the unit's echo of a
    // command arrives while the loader sleeps without pumping, and must not count as reply.
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

void QtSerialPort::forceCtsLow(bool low) {
    ctsForcedLow_ = low;
    if (low || held_.empty() || !isOpen())
        return;
    const std::string pending = std::move(held_);
    held_.clear();
    writeToPort(pending.data(), qint64(pending.size()));
}

ModemLines QtSerialPort::modemLines() {
    ModemLines lines;
    if (!isOpen())
        return lines;
    if (!noModemLines_) {
        int bits = 0;
        if (::ioctl(port_.handle(), TIOCMGET, &bits) == 0) {
            lines.known = true;
            lines.cts = (bits & TIOCM_CTS) != 0;
            lines.dcd = (bits & TIOCM_CAR) != 0;
        } else if (errno == ENOTTY || errno == EINVAL) {
            noModemLines_ = true;
            qInfo("zarvex: %s has no modem lines; CTS is taken as set", openDevice_.c_str());
        }
        // Any other failure leaves CTS unknown and low: the device is in trouble.
    }
    if (noModemLines_)
        lines.cts = true;
    if (ctsForcedLow_)
        lines.cts = false;
    return lines;
}

bool QtSerialPort::cts() {
    return modemLines().cts;
}

void QtSerialPort::processCommunications() {
    if (!isOpen())
        return;
    if (port_.bytesToWrite() > 0)
        port_.flush();
    // Reads what has arrived (raising readyRead) without waiting for more.
    if (isOpen() && !port_.waitForReadyRead(0) && port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    account();
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error) {
    // A vanished device keeps raising ReadError on every pump while QSerialPort stays
    // "open"; closing at once ends that and tells the loader the link is gone.
    if ((error != QSerialPort::ReadError && error != QSerialPort::ResourceError) || !isOpen())
        return;
    const std::string reason =
        describe(comNumber_) + ": the device went away (" + port_.errorString().toStdString() + ")";
    close();
    if (onLost)
        onLost(reason);
}

} // namespace zarvex
