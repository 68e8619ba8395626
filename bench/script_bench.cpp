// Runs a script of _SC lines (1000 unless given) against zarvex-unit on a pseudo-terminal
// and prints the elapsed time divided by the waits the commands prescribe: 100 ms after
// each _SC and the dispatcher's own 1 ms. Goal: 1.02 or less.

#include "engine/load_commands.h"
#include "engine/script_engine.h"
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::UnitProcess unit({"--pty", "--baud", "115200", "--timeout", "600"});
    qputenv("ZARVEX_COM1", QByteArray::fromStdString(unit.where()));

    test::RealRig rig;
    Uploader uploader(rig.ctx, rig.link);
    LoadCommands loads(rig.ctx, rig.link, uploader);
    ScriptEngine engine(rig.ctx, rig.link, loads);
    rig.port.setComNumber(1);
    rig.port.setBaud(115200);
    std::string error;
    if (!rig.port.open(&error)) {
        std::cerr << "cannot open the unit's pty: " << error << "\n";
        return 1;
    }
    // The table holds 300 lines: the script runs in slices of 300 lines, written beforehand
    // so that only the runs are timed.
    QTemporaryDir dir;
    std::vector<std::string> slices;
    for (int done = 0; done < lines; done += LoaderState::kScriptRows) {
        slices.push_back(dir.filePath(QString("slice%1.sld").arg(slices.size())).toStdString());
        std::ofstream script(slices.back());
        for (int i = done; i < std::min(lines, done + LoaderState::kScriptRows); ++i)
            script << "_SC \"SET " << i << "\"\n";
    }
    QElapsedTimer elapsed;
    elapsed.start();
    for (const std::string& slice : slices) {
        rig.state.scriptPath = slice;
        rig.state.clearScriptTable();
        if (engine.read_ini() != 1 || !rig.op.messages.empty()) {
            std::cerr << "the script stopped: " << (rig.op.messages.empty() ? "" : rig.op.messages.back())
                      << "\n";
            return 1;
        }
    }
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    const double prescribed = lines * 0.101;
    std::printf("script: %d _SC lines in %.2f s, prescribed waits %.2f s, ratio %.4f (goal <= 1.02)\n", lines,
                seconds, prescribed, seconds / prescribed);
    return 0;
}
