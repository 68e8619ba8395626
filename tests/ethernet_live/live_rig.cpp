#include "live_rig.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <gtest/gtest.h>

namespace zarvex::test {

namespace {
constexpr int kStartBoundMs = 10000; // a bound against hangs, never a measurement
}

UnitProcess::UnitProcess(const QStringList& faults) {
    QStringList args{"--tcp", "0", "--log", dir_.filePath("unit.log"), "--timeout", "300"};
    process_.start(ZARVEX_UNIT_PATH, args + faults);
    if (!process_.waitForStarted(kStartBoundMs)) {
        ADD_FAILURE() << "zarvex-unit did not start: " << process_.errorString().toStdString();
        return;
    }
    while (!process_.canReadLine() && process_.waitForReadyRead(kStartBoundMs)) {
    }
    const QByteArray line = process_.readLine().trimmed();
    if (!line.startsWith("TCP ")) {
        ADD_FAILURE() << "zarvex-unit said \"" << line.toStdString() << "\" instead of its port";
        return;
    }
    port_ = line.mid(4).toInt();
}

UnitProcess::~UnitProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(kStartBoundMs)) {
        process_.kill();
        process_.waitForFinished(kStartBoundMs);
    }
}

std::vector<QJsonObject> UnitProcess::events(const QString& kind) const {
    std::vector<QJsonObject> out;
    QFile log(dir_.filePath("unit.log"));
    if (!log.open(QIODevice::ReadOnly))
        return out;
    while (!log.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(log.readLine()).object();
        if (event.value("event").toString() == kind)
            out.push_back(event);
    }
    return out;
}

int refusingPort() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const int port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace zarvex::test
