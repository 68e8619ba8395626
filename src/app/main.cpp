// zarvex: the loader program. With a display it shows its windows; without one, or
// with --headless, it runs the same logic headless. Either way the exit status is 0.

#include "app/headless_views.h"
#include "app/loader_app.h"
#include "app/options.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "ui/window_views.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>

namespace {

using namespace zarvex;

constexpr const char* kTitle = "Zarvex";

bool displayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

// The windows of a windowed run, created in the order main window, progress window,
// Ethernet dialog, splash window, information window.
std::unique_ptr<ViewSet> makeWindowViews() {
    return std::make_unique<WindowViewSet>();
}

// Ends the process at once, also from inside a running script or upload, as closing
// the main window does. The loader has closed its links already.
[[noreturn]] void exitNow(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool windowed) {
    std::unique_ptr<QCoreApplication> app;
    if (windowed) {
        auto gui = std::make_unique<QApplication>(argc, argv);
        gui->setApplicationDisplayName(kTitle);
        app = std::move(gui);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    app->setApplicationName(kTitle);
    return app;
}

int run(int& argc, char** argv, const RunOptions& options) {
    const bool windowed = !options.headless && displayAvailable();
    const auto app = makeApplication(argc, argv, windowed);
    std::unique_ptr<ViewSet> views;
    try {
        views = windowed ? makeWindowViews() : nullptr;
        if (!views) {
            if (windowed)
                std::cerr << "zarvex: note: the main window is not available yet; running headless"
                          << std::endl;
            views = std::make_unique<HeadlessViewSet>(options.answerOk, std::cout, std::cerr);
        }
        QtClock clock;
        QtSerialPort port(clock);
        QtClientSocket socket;
        LoaderApp loader({clock, port, socket, views->op()}, views->parts(), exitNow);
        views->start(loader);
        app->exec();
    } catch (const std::exception& e) {
        if (views)
            views->op().showMessage(e.what());
        else
            std::cerr << "zarvex: " << e.what() << std::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "zarvex: " << parsed.error << "\n\n" << kUsageText;
        return 2;
    }
    if (parsed.options.help) {
        std::cout << kUsageText;
        return 0;
    }
    return run(argc, argv, parsed.options);
}
