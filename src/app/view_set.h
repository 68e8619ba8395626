#pragma once
// Everything a run shows the operator and asks of them: the main window, the progress
// window, the Ethernet dialog, the information window and the message boxes. The
// windowed run has its Qt windows here, the headless run prints.

#include "app/loader_app.h"

namespace zarvex {

class ViewSet {
public:
    virtual ~ViewSet() = default;
    virtual ViewParts parts() = 0;
    virtual Operator& op() = 0;
    // Connects the views to the logic and sets the run going inside the event loop:
    // the main window's first show, or headless a queued call, runs FormShow.
    virtual void start(LoaderApp& app) = 0;
};

} // namespace zarvex
