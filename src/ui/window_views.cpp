#include "ui/window_views.h"

#include "app/branding.h"
#include "link/ethernet_link.h"
#include "upload/script_selection.h"

#include <QTimer>

namespace zarvex {

WindowViewSet::WindowViewSet() = default;
WindowViewSet::~WindowViewSet() = default;

void WindowViewSet::start(LoaderApp& app) {
    applyBrand(app.ctx.clock);
    ethernet_.attach(app.ethernet);
    progress_.connectCancel(app.progress);
    wireMainWindow(app);
    wireMenus(app);
    // The event loop shows the main window; its first show runs FormShow.
    QTimer::singleShot(0, &main_, [this] { main_.show(); });
}

void WindowViewSet::applyBrand(Clock& clock) {
    const Brand brand = readBrand();
    applyBrandCaption(&main_, brand.mainCaption);
    applyBrandCaption(&progress_, brand.progressCaption);
    applyBrandCaption(&ethernet_, brand.ethernetCaption);
    applyBrandCaption(&info_, brand.infoCaption);
    splash_.applyBrand(brand, clock);
}

void WindowViewSet::wireMainWindow(LoaderApp& app) {
    main_.connectLogic({app.state, app.ctx.port, app.ctx.socket, app.link.keepAliveTimer(), op_});
    MainWindowHooks& h = main_.hooks;
    h.formShow = [&app] { app.startup.FormShow(); };
    h.formCloseQuery = [&app] { return app.startup.FormCloseQuery(); };
    h.upload = [&app] { app.uploader.UploadButtonClick(); };
    h.stop = [&app] { app.progress.CancelButtonClick(); };
    h.pickScript = [&app] { app.selection.PickButtonClick(); };
    h.sendFile = [&app] { app.selection.SendFile1Click(); };
    app.selection.onRunningChanged = [this](bool running) { main_.setStopVisible(running); };
    app.startup.setVersionLabel = [this](const std::string& text) {
        main_.setVersionText(QString::fromStdString(text));
    };
    app.startup.hideSplash = [this] { splash_.hide(); };
}

void WindowViewSet::wireMenus(LoaderApp& app) {
    MainWindowHooks& h = main_.hooks;
    PortDiscovery& discovery = app.discovery;
    h.noneMenu = [&discovery] { discovery.NoneMenuClick(); };
    h.selectCom = [&discovery](int port) { discovery.select_com(port); };
    h.searchAll = [&discovery] { discovery.SearchAllMenuClick(); };
    h.selectBaud = [&discovery](int baud) { discovery.BaudMenuClick(baud); };
    h.comCheckBox = [&discovery](bool checked) { discovery.setComChecked(checked); };
    h.timingTest = [this, &discovery] {
        const auto times = discovery.Button1Click(main_.timingCountText().toStdString());
        main_.setTimingTimes(QString::fromStdString(times.start), QString::fromStdString(times.end));
    };
    h.enetConnect = [&app] { app.ethernet.EnetConnect1Click(); };
    h.enetDisconnect = [&app] { app.ethernet.EnetDisconnect1Click(); };
}

} // namespace zarvex
