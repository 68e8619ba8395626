#pragma once
// The windows of a windowed run: created in the order main window, progress window,
// Ethernet dialog, splash window, information window, with the message boxes and dialogs
// of the Qt operator. start() joins them to the loader's logic and lets the event loop
// show the main window, whose first show runs the start-up sequence.

#include "app/view_set.h"
#include "ui/client_socket_form.h"
#include "ui/info_form.h"
#include "ui/main_window.h"
#include "ui/progress_form.h"
#include "ui/qt_operator.h"
#include "ui/splash_form.h"

#include <memory>

namespace zarvex {

class EthernetLink;
class ScriptSelection;

class WindowViewSet : public ViewSet {
public:
    WindowViewSet();
    ~WindowViewSet() override;

    ViewParts parts() override { return {main_, progress_, ethernet_, info_}; }
    Operator& op() override { return op_; }
    void start(LoaderApp& app) override;

private:
    void applyBrand(Clock& clock);
    void wireMainWindow(LoaderApp& app);
    void wireMenus(LoaderApp& app);

    QtOperator op_;
    TRirovUzodAdiruvForm main_;
    TProgressForm progress_;
    TClientSocketForm ethernet_;
    TSplashForm splash_;
    TInfoForm info_;
    // The operator's script and file choice and the Ethernet link: logic the loader does
    // not own itself yet, kept here for the life of the run.
};

} // namespace zarvex
