#pragma once
// What the loader's logic needs of its windows. The Qt windows implement these; the
// headless run and the tests have their own. Nothing here includes a window header.

#include "engine/loader_state.h"

#include <string>
#include <string_view>

namespace zarvex {

// The main window as the logic sees it.
class MainView {
public:
    virtual ~MainView() = default;
    // The status line; a single blank clears it.
    virtual void showStatus(const std::string& text) = 0;
    // disable_btns / enable_btns: the Upload and script-open buttons; enabling also
    // gives the terminal the keyboard focus.
    virtual void setScriptButtonsEnabled(bool on) = 0;
    virtual bool scriptButtonsEnabled() const = 0;

    // The terminal.
    virtual void terminalWrite(std::string_view bytes) = 0;
    virtual void terminalClear() = 0;
    virtual void terminalSetEnabled(bool on) = 0;
    virtual void terminalFocus() = 0;

    // Menus and indicators that the link, the upload and start-up switch.
    virtual void setConfigMenuVisible(bool on) = 0;   // "RS232 Config"
    virtual void setEthernetMenuVisible(bool on) = 0; // "Ethernet"
    virtual void setConfigMenuEnabled(bool on) = 0;
    virtual void setEthernetMenuEnabled(bool on) = 0;
    virtual void setEnetConnectEnabled(bool on) = 0;
    virtual bool enetConnectEnabled() const = 0;
    virtual void setEthernetChecked(bool on) = 0;
    virtual void setComNumberLabel(const std::string& text) = 0;
    virtual std::string comNumberLabel() const = 0;
    virtual void setComBaudLabel(const std::string& text) = 0;
    virtual void setComCheckBoxEnabled(bool on) = 0;
    virtual void setLightsMonitoring(bool on) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void setWindowEnabled(bool on) = 0;
    virtual void hideWindow() = 0;

    // Terminal look and dialog folder, set from the configuration file.
    virtual void toggleTerminalVisible() = 0;         // the Terminal > Visible menu action
    virtual void setTerminalBackground(int item) = 0; // 0 Default, 1 Black, 2 Red, 3 Green, 4 Blue, 5 White
    virtual void setTerminalTextColor(int item) = 0;  // same numbering
    virtual void setScriptDialogDir(const std::string& dir) = 0;
};

// The progress window's display; the logic and the stop flag live in Progress.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void showFacts(const ImageRecord& image, int maximum) = 0;
    virtual void step() = 0;
    virtual void resetAndHide() = 0;
    virtual bool isVisible() const = 0;
};

// The information window shown during a port check.
class InfoView {
public:
    virtual ~InfoView() = default;
    virtual void showNotice(const std::string& text) = 0;
    virtual void hideNotice() = 0;
};

// The Ethernet dialog's boxes and controls.
class EthernetDialogView {
public:
    virtual ~EthernetDialogView() = default;
    virtual std::string addressBox(int i) const = 0; // i = 0..3
    virtual void setAddressBox(int i, const std::string& text) = 0;
    virtual std::string portBox() const = 0;
    virtual void setPortBox(const std::string& text) = 0;
    virtual void setControlsEnabled(bool on) = 0; // Connect button, port and address boxes
    virtual void focusPortBox() = 0;
    virtual void focusAddressBox(int i) = 0;
    virtual bool isDialogVisible() const = 0;
    virtual void showDialog() = 0;
    virtual void hideDialog() = 0;
    virtual void setDialogStatus(const std::string& text) = 0;
};

} // namespace zarvex
