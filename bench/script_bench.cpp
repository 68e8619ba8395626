// Runs a script of _SC lines (1000 unless given) against zarvex-unit on a pseudo-terminal
// and prints the elapsed time divided by the waits the commands prescribe: 100 ms after
// each _SC and the dispatcher's own 1 ms. Goal: 1.02 or less.

#include "engine/load_commands.h"
#include "engine/script_engine.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/fake_views.h"
#include "unit_process.h"
#include "upload/uploader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <iostream>

using namespace zarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::UnitProcess unit({"--pty", "--baud", "115200", "--timeout", "600"});
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
    Uploader uploader(ctx, link);
    LoadCommands loads(ctx, link, uploader);
    ScriptEngine engine(ctx, link, loads);
    port.setComNumber(1);
    port.setBaud(115200);
    std::string error;
    if (!port.open(&error)) {
        std::cerr << "cannot open the unit's pty: " << error << "\n";
        return 1;
    }
    QTemporaryDir dir;
    // The table holds 300 lines: run the script in slices of 300 lines.
    QElapsedTimer elapsed;
    elapsed.start();
    int done = 0;
    while (done < lines) {
        const int slice = std::min(LoaderState::kScriptRows, lines - done);
        state.scriptPath = dir.filePath("slice.sld").toStdString();
        {
            std::ofstream script(state.scriptPath);
            for (int i = done; i < done + slice; ++i)
                script << "_SC \"SET " << i << "\"\n";
        }
        state.clearScriptTable();
        if (engine.read_ini() != 1 || !op.messages.empty()) {
            std::cerr << "the script stopped: " << (op.messages.empty() ? "" : op.messages.back()) << "\n";
            return 1;
        }
        done += slice;
    }
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    const double prescribed = lines * 0.101;
    std::printf("script: %d _SC lines in %.2f s, prescribed waits %.2f s, ratio %.4f (goal <= 1.02)\n", lines,
                seconds, prescribed, seconds / prescribed);
    return 0;
}
