#pragma once
// zarvex-unit as a separate process on a pseudo-terminal, and COM numbers pointed at
// devices through ZARVEX_COM<n>, for the tests that use the real serial layer.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <map>
#include <optional>
#include <string>

namespace zarvex::test {

// A bound against hangs, never a measurement.
inline constexpr int kProcessPatienceMs = 60000;

class UnitProcess {
public:
    // Starts the tool with `args` (a pseudo-terminal unless they say otherwise) and reads
    // the link from its first line: "PTY <path>" or "TCP <port>".
    explicit UnitProcess(QStringList args) {
        if (!args.contains("--timeout"))
            args << "--timeout"
                 << "300";
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(ZARVEX_UNIT_PATH, args);
        if (!process_.waitForStarted(5000))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QList<QByteArray> parts = process_.readLine().trimmed().split(' ');
        if (parts.size() == 2)
            where_ = parts[1].toStdString();
    }
    ~UnitProcess() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(1000);
    }
    UnitProcess(const UnitProcess&) = delete;
    UnitProcess& operator=(const UnitProcess&) = delete;

    bool started() const { return !where_.empty(); }
    // The pseudo-terminal's path or the TCP port.
    const std::string& where() const { return where_; }
    bool waitForExit(int ms) { return process_.waitForFinished(ms); }

private:
    QProcess process_;
    std::string where_;
};

// Points COM 1 to 16 at the given devices and takes every other one away, so that a
// test never touches the machine's own serial ports; restores the environment after.
class ComMapping {
public:
    explicit ComMapping(const std::map<int, std::string>& devices) {
        for (int n = 1; n <= 16; ++n) {
            const QByteArray name = "ZARVEX_COM" + QByteArray::number(n);
            if (qEnvironmentVariableIsSet(name.constData()))
                saved_[n] = qgetenv(name.constData());
            const auto device = devices.find(n);
            qputenv(name.constData(),
                    device == devices.end() ? QByteArray() : QByteArray::fromStdString(device->second));
        }
    }
    ~ComMapping() {
        for (int n = 1; n <= 16; ++n) {
            const QByteArray name = "ZARVEX_COM" + QByteArray::number(n);
            if (saved_.count(n))
                qputenv(name.constData(), saved_[n]);
            else
                qunsetenv(name.constData());
        }
    }
    ComMapping(const ComMapping&) = delete;
    ComMapping& operator=(const ComMapping&) = delete;

    // The mapping as environment entries for a child process.
    static QStringList environment(const std::map<int, std::string>& devices) {
        QStringList env;
        for (int n = 1; n <= 16; ++n) {
            const auto device = devices.find(n);
            env << QString("ZARVEX_COM%1=%2")
                       .arg(n)
                       .arg(device == devices.end() ? QString() : QString::fromStdString(device->second));
        }
        return env;
    }

private:
    std::map<int, QByteArray> saved_;
};

} // namespace zarvex::test
