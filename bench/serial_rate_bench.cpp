// Serial throughput at an emulated 115200 baud 8N1 (11520 B/s): zarvex-unit on a
// pseudo-terminal takes bytes no faster than the line would. Two images of 256 KiB go
// out, the first through SendByte in 2000-byte blocks, the second through the upload with
// its progress and pacing. For each, the rate the unit measured with its own clock is
// divided by the line rate. Goal: 0.98 or more for both.

#include "link/link.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/real_rig.h"
#include "unit_process.h"
#include "upload/image_facts.h"
#include "upload/uploader.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <iostream>

using namespace zarvex;

namespace {

constexpr int kBaud = 115200;
constexpr int kSize = 256 * 1024;
constexpr double kLineRate = kBaud / 10.0;

// Waits for the unit to log its n-th image (1-based) and returns that log line.
std::string waitForImage(const std::string& log, int n, Clock& clock) {
    for (int i = 0; i < 30000; ++i) {
        clock.processMessages();
        clock.sleep(1);
        std::ifstream in(log);
        std::string line;
        int seen = 0;
        while (std::getline(in, line))
            if (line.find("\"event\":\"image\"") != std::string::npos && ++seen == n)
                return line;
    }
    return {};
}

void report(const char* what, const std::string& line) {
    const double rate = bench::jsonNumber(line, "bytes_per_second");
    const bool ok = line.find("\"verdict\":\"ok\"") != std::string::npos;
    std::printf(
        "%s: %d bytes, unit measured %.1f B/s over line rate %.0f B/s = ratio %.3f (goal >= 0.98), %s\n",
        what, kSize, rate, kLineRate, rate / kLineRate, ok ? "image intact" : "IMAGE BAD");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string log = dir.filePath("unit.log").toStdString();
    bench::UnitProcess unit({"--pty", "--baud", QString::number(kBaud), "--echo", "off", "--log",
                             QString::fromStdString(log), "--timeout", "300"});
    qputenv("ZARVEX_COM1", QByteArray::fromStdString(unit.where()));

    test::RealRig rig;
    Uploader uploader(rig.ctx, rig.link);
    rig.port.setComNumber(1);
    rig.port.setBaud(kBaud);
    std::string error;
    if (!rig.port.open(&error)) {
        std::cerr << "cannot open the unit's pty: " << error << "\n";
        return 1;
    }
    rig.state.awaitedPrompt = '>';
    rig.state.promptWaitLimit = 100;
    if (!rig.link.SendCOMCmd_GetPrompt("LOADR\r")) {
        std::cerr << "the unit did not enter loader mode\n";
        return 1;
    }

    std::string image(kSize, '\0');
    for (int i = 0; i < kSize; ++i)
        image[i] = char((i * 37 + 11) & 0xFF);
    const std::string path = dir.filePath("image.bin").toStdString();
    std::ofstream(path, std::ios::binary) << image;
    rig.state.image.fileName.assign(path);
    get_file_checksum(rig.ctx);
    char header[96];
    std::snprintf(header, sizeof header, "LF 8000 %d %x BENCH\r", int(rig.state.image.size),
                  unsigned(rig.state.image.checksum));

    rig.link.SendString(header);
    rig.clock.sleep(300);
    for (int offset = 0; offset < kSize && rig.progress.cancelRequested == 0; offset += 2000)
        rig.link.SendByte(std::min(2000, kSize - offset), image.data() + offset);
    const std::string first = waitForImage(log, 1, rig.clock);

    rig.link.SendString(header);
    rig.clock.sleep(300);
    rig.state.scriptUpload = false; // the transfer phase only: no prompt wait afterwards
    rig.state.postUploadPause = 0;
    uploader.UploadButtonClick();
    const std::string second = waitForImage(log, 2, rig.clock);

    if (first.empty() || second.empty() || !rig.op.messages.empty()) {
        std::cerr << "the unit did not log both images"
                  << (rig.op.messages.empty() ? "" : ": " + rig.op.messages.back()) << "\n";
        return 1;
    }
    report("SendByte", first);
    report("upload", second);
    return 0;
}
