#include "link/platform/com_map.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

namespace zarvex {

std::string comDevicePath(int n) {
    if (n < kFirstComPort)
        return {};
    const QByteArray name = "ZARVEX_COM" + QByteArray::number(n);
    if (qEnvironmentVariableIsSet(name.constData()))
        return qEnvironmentVariable(name.constData()).toStdString();
    if (n <= 4)
        return "/dev/ttyS" + std::to_string(n - 1);
    if (n <= 10)
        return "/dev/ttyUSB" + std::to_string(n - 5);
    if (n <= kLastComPort)
        return "/dev/ttyACM" + std::to_string(n - 11);
    return {};
}

std::string canonicalDevicePath(const std::string& path) {
    if (path.empty())
        return {};
    return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
}

} // namespace zarvex
