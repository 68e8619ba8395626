// Whole uploads against zarvex-unit as a separate process, over a pseudo-terminal and
// over TCP, with the real serial port, socket and event loop: the unit's own log must
// show the exact header and an image identical to the file.

#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/real_rig.h"
#include "support/unit_process.h"
#include "upload_rig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// A fast line keeps the paced serial transfer of 1 MiB to seconds.
constexpr int kBaud = 3000000;

struct RealUploadRig : RealRig {
    Uploader uploader{ctx, link};
    LoadCommands loads{ctx, link, uploader};

    RealUploadRig() {
        state.set_prompt(state.loaderPrompt);
        state.keepAliveAllowed = false;
        state.postUploadPause = 0; // the pause is covered in virtual time
    }
    bool connect(int tcpPort) {
        socket.setAddress("127.0.0.1");
        socket.setPort(tcpPort);
        if (!socket.open(nullptr))
            return false;
        QElapsedTimer patience;
        patience.start();
        while (!socket.active() && patience.elapsed() < kProcessPatienceMs) {
            clock.processMessages();
            clock.sleep(1);
        }
        return socket.active();
    }
};

std::vector<QJsonObject> events(const std::string& log, const char* name) {
    QFile file(QString::fromStdString(log));
    std::vector<QJsonObject> found;
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.value("event").toString() == name)
            found.push_back(event);
    }
    return found;
}

// The unit logs an image before it answers; a bounded wait covers the file's flush.
std::vector<QJsonObject> waitForImages(const std::string& log, std::size_t count) {
    QElapsedTimer patience;
    patience.start();
    auto images = events(log, "image");
    while (images.size() < count && patience.elapsed() < kProcessPatienceMs) {
        QThread::msleep(10);
        images = events(log, "image");
    }
    return images;
}

std::string hex16(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

TEST(EndToEnd, ImagesArriveWholeWithTheirHeaderOverBothLinks) {
    const int sizes[] = {0, 1, 2000, 4500, 1 << 20};
    for (const bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "tcp" : "pty");
        ImageFiles files;
        const std::string log = files.path("unit.log");
        QStringList args = {"--loader-mode", "--log", QString::fromStdString(log)};
        if (tcp)
            args << "--tcp"
                 << "0";
        UnitProcess unit(args);
        ASSERT_TRUE(unit.started());
        ComMapping map(tcp ? std::map<int, std::string>{} : std::map<int, std::string>{{1, unit.where()}});
        RealUploadRig rig;
        if (tcp) {
            ASSERT_TRUE(rig.connect(std::stoi(unit.where())));
        } else {
            rig.port.setComNumber(1);
            rig.port.setBaud(kBaud);
            ASSERT_TRUE(rig.port.open(nullptr));
        }

        std::vector<std::string> images;
        for (int size : sizes) {
            const std::string bytes = patternBytes(std::size_t(size));
            const std::string image = files.write("image" + std::to_string(size) + ".bin", bytes);
            images.push_back(bytes);
            runLoadLines(rig.state, rig.progress, rig.loads,
                         {"_LF " + image, "_LA 8000", "_LV v" + std::to_string(size), "_LD"});
            ASSERT_EQ(rig.progress.cancelRequested, 0)
                << size << ": " << testing::PrintToString(rig.op.messages);
        }
        EXPECT_TRUE(rig.op.messages.empty());

        const auto headers = events(log, "header");
        const auto received = waitForImages(log, images.size());
        ASSERT_EQ(headers.size(), images.size());
        ASSERT_EQ(received.size(), images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            const std::string& bytes = images[i];
            std::uint32_t sum = 0;
            for (unsigned char c : bytes)
                sum += c;
            char checksum[8];
            std::snprintf(checksum, sizeof checksum, "%x", unsigned(sum & 0xFFFF));
            EXPECT_EQ(headers[i].value("word").toString(), "LF");
            EXPECT_EQ(headers[i].value("address").toString(), "8000");
            EXPECT_EQ(headers[i].value("size").toInteger(), qint64(bytes.size()));
            EXPECT_EQ(headers[i].value("checksum").toString().toStdString(), checksum);
            EXPECT_EQ(headers[i].value("version").toString().toStdString(),
                      "V" + std::to_string(bytes.size()));
            EXPECT_EQ(received[i].value("verdict").toString(), "ok") << bytes.size();
            EXPECT_EQ(received[i].value("fnv1a64").toString().toStdString(), hex16(unit::fnv1a64(bytes)))
                << bytes.size();
        }
        if (HasFailure()) {
            QFile file(QString::fromStdString(log));
            file.open(QIODevice::ReadOnly);
            ADD_FAILURE() << "the unit's log:\n" << file.readAll().toStdString();
        }
    }
}

} // namespace
