#include "app/loader_app.h"

namespace zarvex {

LoaderApp::LoaderApp(const PlatformParts& platform, const ViewParts& views, ExitProcess exitProcess)
    : progress(platform.clock, views.progress), ctx{state,      progress,      platform.clock, platform.op,
                                                    views.main, platform.port, platform.socket},
      link(ctx), ethernet(ctx, link, views.ethernet), uploader(ctx, link), loads(ctx, link, uploader),
      engine(ctx, link, loads), selection(ctx, link, engine, uploader),
      discovery(ctx, link, views.info, views.ethernet), startup(ctx, discovery, engine, views.ethernet),
      exitProcess_(std::move(exitProcess)) {
    ethernet.wire();
    // The reconnect after a sending command goes through the menus' own entries.
    engine.reconnect.closeEthernet = [this] { ethernet.EnetDisconnect1Click(); };
    engine.reconnect.closeSerial = [this] { discovery.NoneMenuClick(); };
    engine.reconnect.openSerial = [this](int port) { discovery.select_com(port); };
    engine.reconnect.showEthernetDialog = [&ethernet = views.ethernet] { ethernet.showDialog(); };
    startup.endProcess = [this](int status) { endProcess(status); };
}

void LoaderApp::endProcess(int status) {
    ctx.port.close();
    ctx.socket.close();
    if (exitProcess_)
        exitProcess_(status);
}

} // namespace zarvex
