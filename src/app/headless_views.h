#pragma once
// A run without a window: message boxes, questions, status texts and the information
// window print on stderr, what the unit sends goes to stdout, and the questions take the
// answer preset with --answer. The logic runs exactly as it does behind the windows.

#include "app/interrupt_stop.h"
#include "app/stderr_progress.h"
#include "app/view_set.h"
#include "link/ethernet_link.h"

#include <array>
#include <iosfwd>
#include <memory>
#include <optional>

namespace zarvex {

// Message-box texts use CR between lines; the log shows them as line ends.
std::string printableText(std::string_view text);

class HeadlessOperator : public Operator {
public:
    // answerOk: the --answer option (true ok, false cancel); nullopt when not given.
    HeadlessOperator(std::optional<bool> answerOk, std::ostream& err);

    void showMessage(const std::string& text) override;
    // OK only with --answer ok; the question and the answer taken are printed.
    bool askOkCancel(const std::string& title, const std::string& text) override;
    // Yes only with --answer ok.
    bool askYesNo(const std::string& title, const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& initialDir,
                                              const std::string& filter) override;
    std::optional<FontChoice> chooseFont(const FontChoice& current) override;

private:
    void printQuestion(const std::string& title, const std::string& text, const char* answer);
    std::string whyAnswered() const;

    std::optional<bool> answerOk_;
    std::ostream& err_;
};

// The main window's state without a window: labels and switches are kept so that the
// logic reads back what it set; status texts print on stderr, the terminal on stdout.
class HeadlessMainView : public MainView {
public:
    HeadlessMainView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void showStatus(const std::string& text) override;
    void setScriptButtonsEnabled(bool on) override { buttons_ = on; }
    bool scriptButtonsEnabled() const override { return buttons_; }
    void terminalWrite(std::string_view bytes) override;
    void terminalClear() override {}
    void terminalSetEnabled(bool) override {}
    void terminalFocus() override {}
    void setConfigMenuVisible(bool) override {}
    void setEthernetMenuVisible(bool) override {}
    void setConfigMenuEnabled(bool) override {}
    void setEthernetMenuEnabled(bool) override {}
    void setEnetConnectEnabled(bool on) override { enetConnect_ = on; }
    bool enetConnectEnabled() const override { return enetConnect_; }
    void setEthernetChecked(bool) override {}
    void setComNumberLabel(const std::string& text) override { comLabel_ = text; }
    std::string comNumberLabel() const override { return comLabel_; }
    void setComBaudLabel(const std::string&) override {}
    void setComCheckBoxEnabled(bool) override {}
    void setLightsMonitoring(bool) override {}
    void setBusyCursor(bool) override {}
    void setWindowEnabled(bool) override {}
    void hideWindow() override {}
    void toggleTerminalVisible() override {}
    void setTerminalBackground(int) override {}
    void setTerminalTextColor(int) override {}
    void setScriptDialogDir(const std::string&) override {}

private:
    std::ostream& out_;
    std::ostream& err_;
    std::string comLabel_ = "None";
    bool buttons_ = true;
    bool enetConnect_ = true;
};

class HeadlessInfo : public InfoView {
public:
    explicit HeadlessInfo(std::ostream& err) : err_(err) {}
    void showNotice(const std::string& text) override;
    void hideNotice() override {}

private:
    std::ostream& err_;
};

// The Ethernet dialog's boxes with their designed defaults.
class HeadlessEthernetDialog : public EthernetDialogView {
public:
    explicit HeadlessEthernetDialog(std::ostream& err) : err_(err) {}
    std::string addressBox(int i) const override { return boxes_[std::size_t(i & 3)]; }
    void setAddressBox(int i, const std::string& text) override { boxes_[std::size_t(i & 3)] = text; }
    std::string portBox() const override { return port_; }
    void setPortBox(const std::string& text) override { port_ = text; }
    void setControlsEnabled(bool) override {}
    void focusPortBox() override {}
    void focusAddressBox(int) override {}
    bool isDialogVisible() const override { return false; }
    void showDialog() override;
    void hideDialog() override {}
    void setDialogStatus(const std::string& text) override;

private:
    std::ostream& err_;
    std::array<std::string, 4> boxes_{kDefaultUnitAddress[0], kDefaultUnitAddress[1], kDefaultUnitAddress[2],
                                      kDefaultUnitAddress[3]};
    std::string port_ = kDefaultUnitPort;
};

class HeadlessViewSet : public ViewSet {
public:
    HeadlessViewSet(std::optional<bool> answerOk, std::ostream& out, std::ostream& err);
    ~HeadlessViewSet() override;

    ViewParts parts() override { return {main_, progress_, ethernet_, info_}; }
    Operator& op() override { return op_; }
    // Shows the unit's output, lets Ctrl-C stop the running script, queues FormShow.
    void start(LoaderApp& app) override;

private:
    std::ostream& err_;
    HeadlessOperator op_;
    HeadlessMainView main_;
    StderrProgress progress_;
    HeadlessEthernetDialog ethernet_;
    HeadlessInfo info_;
    std::unique_ptr<InterruptStop> interrupt_;
};

} // namespace zarvex
