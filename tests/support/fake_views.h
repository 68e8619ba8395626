#pragma once
// A scripted operator and recording windows for tests without a display.

#include "engine/views.h"
#include "link/platform/operator.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarvex::test {

class ScriptedOperator : public Operator {
public:
    std::vector<std::string> messages;            // every message box text, in order
    std::vector<std::string> questions;           // "title|text" of every question
    std::deque<bool> answers;                     // next OK/Cancel or Yes/No answers; Cancel/No when empty
    std::deque<std::optional<std::string>> files; // next open-dialog results
    std::vector<std::string> dialogDirs;
    std::optional<FontChoice> font;
    std::function<void(const std::string&)> onMessage; // runs while the "box" is open

    void showMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage)
            onMessage(text);
    }
    bool askOkCancel(const std::string& title, const std::string& text) override { return ask(title, text); }
    bool askYesNo(const std::string& title, const std::string& text) override { return ask(title, text); }
    std::optional<std::string> chooseOpenFile(const std::string& dir, const std::string&) override {
        dialogDirs.push_back(dir);
        if (files.empty())
            return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
    std::optional<FontChoice> chooseFont(const FontChoice&) override { return font; }

private:
    bool ask(const std::string& title, const std::string& text) {
        questions.push_back(title + "|" + text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingView : public MainView {
public:
    std::vector<std::string> statuses;
    std::string status;
    bool buttons = true;
    int buttonChanges = 0;
    std::string terminal;
    int terminalClears = 0;
    bool terminalEnabled = true;
    bool configVisible = true, ethernetVisible = true;
    bool configEnabled = true, ethernetEnabled = true, enetConnect = true, ethernetChecked = false;
    std::string comLabel = "None", baudLabel = "38400";
    bool comCheckEnabled = true, lights = false, busy = false, windowEnabled = true, hidden = false;
    bool terminalVisible = true;
    int background = 0, textColor = 0;
    std::string dialogDir = "..";

    void showStatus(const std::string& text) override {
        status = text;
        statuses.push_back(text);
    }
    void setScriptButtonsEnabled(bool on) override {
        buttons = on;
        ++buttonChanges;
    }
    bool scriptButtonsEnabled() const override { return buttons; }
    void terminalWrite(std::string_view bytes) override { terminal.append(bytes); }
    void terminalClear() override {
        terminal.clear();
        ++terminalClears;
    }
    void terminalSetEnabled(bool on) override { terminalEnabled = on; }
    void terminalFocus() override {}
    void setConfigMenuVisible(bool on) override { configVisible = on; }
    void setEthernetMenuVisible(bool on) override { ethernetVisible = on; }
    void setConfigMenuEnabled(bool on) override { configEnabled = on; }
    void setEthernetMenuEnabled(bool on) override { ethernetEnabled = on; }
    void setEnetConnectEnabled(bool on) override { enetConnect = on; }
    bool enetConnectEnabled() const override { return enetConnect; }
    void setEthernetChecked(bool on) override { ethernetChecked = on; }
    void setComNumberLabel(const std::string& text) override { comLabel = text; }
    std::string comNumberLabel() const override { return comLabel; }
    void setComBaudLabel(const std::string& text) override { baudLabel = text; }
    void setComCheckBoxEnabled(bool on) override { comCheckEnabled = on; }
    void setLightsMonitoring(bool on) override { lights = on; }
    void setBusyCursor(bool b) override { busy = b; }
    void setWindowEnabled(bool on) override { windowEnabled = on; }
    void hideWindow() override { hidden = true; }
    void toggleTerminalVisible() override { terminalVisible = !terminalVisible; }
    void setTerminalBackground(int item) override { background = item; }
    void setTerminalTextColor(int item) override { textColor = item; }
    void setScriptDialogDir(const std::string& dir) override { dialogDir = dir; }
};

class RecordingProgress : public ProgressDisplay {
public:
    bool visible = false;
    int maximum = 0, position = 0, shows = 0;
    std::vector<int> positionsAtHide;
    ImageRecord shown;
    void showFacts(const ImageRecord& image, int max) override {
        visible = true;
        maximum = max;
        shown = image;
        ++shows;
    }
    void step() override { ++position; }
    void resetAndHide() override {
        positionsAtHide.push_back(position);
        position = 0;
        visible = false;
    }
    bool isVisible() const override { return visible; }
};

class RecordingInfo : public InfoView {
public:
    std::vector<std::string> notices;
    bool visible = false;
    void showNotice(const std::string& text) override {
        notices.push_back(text);
        visible = true;
    }
    void hideNotice() override { visible = false; }
};

class RecordingEthernetDialog : public EthernetDialogView {
public:
    std::string boxes[4] = {"127", "0", "0", "1"};
    std::string portText = "3000";
    bool controlsEnabled = true, visible = false;
    std::string dialogStatus;
    int portFocus = 0;
    std::string addressBox(int i) const override { return boxes[i & 3]; }
    void setAddressBox(int i, const std::string& t) override { boxes[i & 3] = t; }
    std::string portBox() const override { return portText; }
    void setPortBox(const std::string& t) override { portText = t; }
    void setControlsEnabled(bool on) override { controlsEnabled = on; }
    void focusPortBox() override { ++portFocus; }
    void focusAddressBox(int) override {}
    bool isDialogVisible() const override { return visible; }
    void showDialog() override { visible = true; }
    void hideDialog() override { visible = false; }
    void setDialogStatus(const std::string& t) override { dialogStatus = t; }
};

} // namespace zarvex::test
