// Sends 256 KiB with SendByte in 2000-byte blocks to zarvex-unit on a pseudo-terminal that
// takes bytes at 115200 baud 8N1 (11520 B/s), and prints the rate the unit measured with
// its own clock divided by the line rate. Goal: 0.98 or more.

#include "link/link.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/fake_views.h"
#include "unit_process.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <iostream>

using namespace zarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int kBaud = 115200;
    constexpr int kSize = 256 * 1024;
    constexpr double kLineRate = kBaud / 10.0;
    QTemporaryDir dir;
    const std::string log = dir.filePath("unit.log").toStdString();
    bench::UnitProcess unit({"--pty", "--baud", QString::number(kBaud), "--echo", "off", "--log",
                             QString::fromStdString(log), "--timeout", "120"});
    qputenv("ZARVEX_COM1", QByteArray::fromStdString(unit.where()));

    LoaderState state;
    QtClock clock;
    QtSerialPort port(clock);
    QtClientSocket socket;
    test::ScriptedOperator op;
    test::RecordingView view;
    test::RecordingProgress display;
    Progress progress(clock, display);
    Context ctx{state, progress, clock, op, view, port, socket};
    Link link(ctx);
    port.setComNumber(1);
    port.setBaud(kBaud);
    std::string error;
    if (!port.open(&error)) {
        std::cerr << "cannot open the unit's pty: " << error << "\n";
        return 1;
    }
    state.awaitedPrompt = '>';
    state.promptWaitLimit = 100;
    if (!link.SendCOMCmd_GetPrompt("LOADR\r")) {
        std::cerr << "the unit did not enter loader mode\n";
        return 1;
    }
    std::string image(kSize, '\0');
    unsigned sum = 0;
    for (int i = 0; i < kSize; ++i) {
        image[i] = char((i * 37 + 11) & 0xFF);
        sum += static_cast<unsigned char>(image[i]);
    }
    char header[96];
    std::snprintf(header, sizeof header, "LF 8000 %d %x BENCH\r", kSize, sum & 0xFFFF);
    link.SendString(header);
    clock.sleep(300);
    for (int offset = 0; offset < kSize && progress.cancelRequested == 0; offset += 2000)
        link.SendByte(std::min(2000, kSize - offset), image.data() + offset);
    for (int i = 0; i < 3000 && !unit.waitForExit(1); ++i) {
        clock.processMessages();
        std::ifstream in(log);
        std::string line;
        while (std::getline(in, line)) {
            if (line.find("\"event\":\"image\"") == std::string::npos)
                continue;
            const double rate = bench::jsonNumber(line, "bytes_per_second");
            std::printf("sendbyte: %d bytes, unit measured %.1f B/s, line rate %.0f B/s, ratio %.3f (goal >= 0.98)\n",
                        kSize, rate, kLineRate, rate / kLineRate);
            std::printf("sendbyte: verdict %s\n", line.find("\"verdict\":\"ok\"") != std::string::npos ? "ok" : "BAD");
            return 0;
        }
    }
    std::cerr << "the unit logged no image\n";
    return 1;
}
