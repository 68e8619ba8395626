#pragma once
// TRirovUzodAdiruvForm, the operator's console: the script button, the RS-232 group
// with its line lights and port labels, the terminal, the status line and the menus.
// The window holds no loader logic: its menu entries and buttons call the logic parts
// through the hooks that the composition root fills in, and the logic reaches the
// window through MainView.

#include "engine/views.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;

namespace zarvex {

class ClientSocket;
class Operator;
class SerialPort;
class TAdTerminal;
class TApdSLController;
class TApdStatusLight;
class Timer;
struct LoaderState;

// The logic objects the window's own handlers work on.
struct MainWindowParts {
    LoaderState& state;
    SerialPort& port;     // ApdComPort1: the terminal sends keys to it and shows what it receives
    ClientSocket& socket; // ClientSocket1: typed keys go out here while it is active
    Timer& keepAlive;     // CCHECKTimer1, switched off by the first keystroke
    Operator& op;         // the font dialog
};

// What the menu entries and buttons run; an empty hook does nothing.
struct MainWindowHooks {
    std::function<void()> formShow;                // FormShow: the start-up sequence, on the first show
    std::function<bool()> formCloseQuery;          // FormCloseQuery: true lets the window close
    std::function<void()> pickScript;              // PickButtonClick
    std::function<void()> sendFile;                // SendFile1Click
    std::function<void()> upload;                  // UploadButtonClick
    std::function<void()> noneMenu;                // NoneMenuClick
    std::function<void(int port)> selectCom;       // COM1MenuClick ... COM161Click: select_com(port)
    std::function<void()> searchAll;               // SearchAllMenuClick
    std::function<void(int baud)> selectBaud;      // N12001Click ... N1152001Click
    std::function<void()> enetConnect;             // EnetConnect1Click
    std::function<void()> enetDisconnect;          // EnetDisconnect1Click
    std::function<void(bool checked)> comCheckBox; // ComCheckBoxClick
    std::function<void()> timingTest;              // Button1Click
    std::function<void()> stop;                    // the Stop button and Esc: Progress::CancelButtonClick
};

class TRirovUzodAdiruvForm : public QMainWindow, public MainView {
public:
    static constexpr int kClientWidth = 526;
    static constexpr int kDesignClientHeight = 425;
    static constexpr int kHiddenTerminalClientHeight = 139;
    static constexpr int kShownTerminalClientHeight = 420;
    static constexpr int kStatusBarHeight = 19;

    explicit TRirovUzodAdiruvForm(QWidget* parent = nullptr);
    ~TRirovUzodAdiruvForm() override;

    // Hands in the logic objects; the terminal and the lights start following the port.
    void connectLogic(const MainWindowParts& parts);
    MainWindowHooks hooks;

    // --- MainView ---
    void showStatus(const std::string& text) override;
    void setScriptButtonsEnabled(bool on) override;
    bool scriptButtonsEnabled() const override { return buttonsOn_; }
    void terminalWrite(std::string_view bytes) override;
    void terminalClear() override { AdTerminal1DblClick(); }
    void terminalSetEnabled(bool on) override;
    void terminalFocus() override;
    void setConfigMenuVisible(bool on) override;
    void setEthernetMenuVisible(bool on) override;
    void setConfigMenuEnabled(bool on) override;
    void setEthernetMenuEnabled(bool on) override;
    void setEnetConnectEnabled(bool on) override;
    bool enetConnectEnabled() const override;
    void setEthernetChecked(bool on) override;
    void setComNumberLabel(const std::string& text) override;
    std::string comNumberLabel() const override;
    void setComBaudLabel(const std::string& text) override;
    void setComCheckBoxEnabled(bool on) override;
    void setLightsMonitoring(bool on) override;
    void setBusyCursor(bool busy) override;
    void setWindowEnabled(bool on) override { setEnabled(on); }
    void hideWindow() override { hide(); }
    void toggleTerminalVisible() override { VisibleMenuClick(); }
    void setTerminalBackground(int item) override;
    void setTerminalTextColor(int item) override;
    void setScriptDialogDir(const std::string& dir) override { scriptDialogDir_ = dir; }

    // --- handlers of this window ---
    void ExitMenuClick() { close(); }
    void VisibleMenuClick();
    void BackBlackMenuClick();
    void BackRedMenuClick();
    void BackGreenMenuClick();
    void BackBlueMenuClick();
    void BackWhiteMenuClick();
    void BackDefaultMenuClick();
    void TextBlackMenuClick();
    void TextRedMenuClick();
    void TextGreenMenuClick();
    void TextBlueMenuClick();
    void TextWhiteMenuClick();
    void TextDefaultMenuClick();
    void TerminalFonts1Click();
    void Clear1Click() { AdTerminal1DblClick(); }
    void AdTerminal1DblClick();
    void AdTerminal1KeyPress(char& key);
    void VersionLabelClick();

    // --- for start-up, the logic parts and the tests ---
    void setVersionText(const QString& text);
    // The Stop button (and Esc) is on view while a script or a file send runs.
    void setStopVisible(bool on);
    int clientHeight() const { return clientHeight_; }
    const std::string& scriptDialogDir() const { return scriptDialogDir_; }
    QString statusText() const;
    // The hidden timing test's count box and its two time labels.
    QString timingCountText() const;
    void setTimingTimes(const QString& start, const QString& end);
    TAdTerminal& terminal() { return *AdTerminal1; }
    TApdSLController& lineLights() { return *ApdSLController1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildHeading();
    void buildScriptButtons();
    void buildStatusBar();
    void buildRs232Group();
    void buildHiddenControls();
    void buildMenus();
    void buildCommunicationMenu(QMenu* communication);
    void buildComPortMenu(QMenu* comPort);
    void buildBaudMenu(QMenu* baud);
    void buildTerminalMenu(QMenu* terminal);
    void buildColorMenu(QMenu* menu, const char* prefix, bool background);
    void setClientHeight(int height);
    void layoutPortLabels();
    void markBaud(const QString& baud);
    void keepAliveOff();
    void sendKeyOverEthernet(char key);
    void watchSerialPort();

    std::unique_ptr<MainWindowParts> parts_;
    int clientHeight_ = kDesignClientHeight;
    bool buttonsOn_ = true;
    bool busy_ = false;
    bool shownOnce_ = false;
    std::string scriptDialogDir_ = "..";
    int portLabelsStart_ = 0;

    QWidget* client_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* VersionLabel = nullptr;
    QPushButton* PickButton = nullptr;
    QPushButton* StopButton = nullptr;
    QAction* StopAction = nullptr;
    QGroupBox* RS232GroupBox = nullptr;
    TApdStatusLight* ApdStatusLight1 = nullptr; // CTS
    TApdStatusLight* ApdStatusLight2 = nullptr; // DCD
    TApdStatusLight* ApdStatusLight3 = nullptr; // RXD
    TApdStatusLight* ApdStatusLight4 = nullptr; // TXD
    TApdSLController* ApdSLController1 = nullptr;
    QLabel* ComLabel = nullptr;
    QLabel* ComNumberLabel = nullptr;
    QLabel* BaudLabel = nullptr;
    QLabel* ComBaudLabel = nullptr;
    QCheckBox* ComCheckBox = nullptr;
    QCheckBox* EthernetCheckBox = nullptr;
    TAdTerminal* AdTerminal1 = nullptr;
    QStatusBar* InfoStatusBar = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* UploadButton = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;

    QMenu* ConfigMenu = nullptr;
    QMenu* Ethernet1 = nullptr;
    QAction* EnetConnect1 = nullptr;
    QAction* SendFile1 = nullptr;
    QAction* VisibleMenu = nullptr;
    QActionGroup* baudRadioItems_ = nullptr;
};

} // namespace zarvex
