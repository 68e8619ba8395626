// Peak resident memory of the loader while it uploads a large image (1 GiB unless a size
// in MiB is given) over TCP to zarvex-unit, minus the peak of the same process idle with
// the link up. The transfer streams the file block by block, so the growth should not
// depend on the image size. Goal: 8 MiB or less.
//
// The bench runs _LF, _LA, _LV, sends the header and the paced upload as _LD would, but
// without the wait for the prompt afterwards: for 1 GiB that wait alone is over an hour.
// Ethernet blocks are paced by two 1 ms sleeps each, so 1 GiB takes about 20 minutes.

#include "engine/load_commands.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/real_rig.h"
#include "unit_process.h"
#include "upload/uploader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

using namespace zarvex;

namespace {

// VmHWM of this process in KiB, the peak resident set since the last reset.
long peakRssKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Sets the peak back to the current resident set, so that a phase is measured alone.
bool resetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear);
}

bool writeImage(const std::string& path, long long bytes, unsigned& sum) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    sum = 0;
    for (long long done = 0; done < bytes && out; done += (long long)chunk.size()) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = static_cast<char>((done + (long long)i) * 131 % 251);
            sum += static_cast<unsigned char>(chunk[i]);
        }
        out.write(chunk.data(), std::streamsize(chunk.size()));
    }
    return bool(out);
}

std::string unitVerdict(const std::string& log, QtClock& clock, bench::UnitProcess& unit) {
    for (int i = 0; i < 30000 && !unit.waitForExit(0); ++i) {
        clock.processMessages();
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            if (line.find("\"event\":\"image\"") == std::string::npos)
                continue;
            const auto at = line.find("\"verdict\":\"");
            return at == std::string::npos ? "?" : line.substr(at + 11, line.find('"', at + 11) - at - 11);
        }
        clock.sleep(1);
    }
    return "none";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long long mib = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1024;
    const long long size = mib << 20;
    QTemporaryDir dir;
    const std::string image = dir.filePath("image.bin").toStdString();
    const std::string log = dir.filePath("unit.log").toStdString();
    unsigned sum = 0;
    if (!writeImage(image, size, sum)) {
        std::cerr << "upload memory: cannot write " << image << "\n";
        return 1;
    }
    bench::UnitProcess unit(
        {"--tcp", "0", "--loader-mode", "--log", QString::fromStdString(log), "--timeout", "7200"});

    test::RealRig rig;
    Uploader uploader(rig.ctx, rig.link);
    LoadCommands loads(rig.ctx, rig.link, uploader);
    rig.state.keepAliveAllowed = false;
    rig.state.postUploadPause = 0;

    rig.socket.setAddress("127.0.0.1");
    rig.socket.setPort(std::stoi(unit.where()));
    rig.socket.open(nullptr);
    for (int i = 0; i < 5000 && !rig.socket.active(); ++i) {
        rig.clock.processMessages();
        rig.clock.sleep(1);
    }
    if (!rig.socket.active()) {
        std::cerr << "upload memory: cannot connect to the unit\n";
        return 1;
    }

    if (!resetPeakRss()) {
        std::cerr << "upload memory: cannot reset the peak resident set\n";
        return 1;
    }
    for (int i = 0; i < 200; ++i) {
        rig.clock.processMessages();
        rig.clock.sleep(1);
    }
    const long idle = peakRssKiB();

    resetPeakRss();
    QElapsedTimer elapsed;
    elapsed.start();
    loads.LF("_LF " + image);
    loads.LA("_LA 8000");
    loads.LV("_LV BENCH");
    rig.state.commandText.assign("LF 8000 " + std::to_string(rig.state.image.size) + " " + [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", unsigned(rig.state.image.checksum));
        return std::string(hex);
    }() + " BENCH\r");
    rig.link.send_command();
    rig.clock.sleep(300);
    uploader.UploadButtonClick();
    const long upload = peakRssKiB();
    const double seconds = double(elapsed.elapsed()) / 1000.0;

    const std::string verdict = unitVerdict(log, rig.clock, unit);
    const double growthMiB = double(upload - idle) / 1024.0;
    std::printf("upload memory: %lld MiB over TCP in %.0f s, unit verdict %s\n", mib, seconds,
                verdict.c_str());
    std::printf(
        "upload memory: peak RSS idle %.1f MiB, during upload %.1f MiB, growth %.2f MiB (goal <= 8)\n",
        double(idle) / 1024.0, double(upload) / 1024.0, growthMiB);
    std::printf("upload memory: growth / goal %.3f (goal <= 1)\n", growthMiB / 8.0);
    return verdict == "ok" && rig.op.messages.empty() ? 0 : 1;
}
