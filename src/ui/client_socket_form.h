#pragma once
// The Ethernet dialog: four address boxes, a port box, Connect, and a status bar with
// the computer's own address. Its logic lives in EthernetLink; this window only forwards
// the operator's clicks, the focus leaving an address box, its showing and its closing.

#include "engine/views.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace zarvex {

class EthernetLink;

class TClientSocketForm : public QDialog, public EthernetDialogView {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 398;
    static constexpr int kClientHeight = 102;

    explicit TClientSocketForm(QWidget* parent = nullptr);

    // From here on the buttons, the box checks, the show handler and the close refusal
    // run the link's operations.
    void attach(EthernetLink& link);
    // The brand of the configuration replaces the designed caption.
    void setCaption(const QString& caption) { setWindowTitle(caption); }
    QString statusText() const;

    // EthernetDialogView
    std::string addressBox(int i) const override;
    void setAddressBox(int i, const std::string& text) override;
    std::string portBox() const override;
    void setPortBox(const std::string& text) override;
    void setControlsEnabled(bool on) override;
    void focusPortBox() override;
    void focusAddressBox(int i) override;
    bool isDialogVisible() const override { return isVisible(); }
    void showDialog() override;
    void hideDialog() override { hide(); }
    void setDialogStatus(const std::string& text) override;

public slots:
    // Escape closes a dialog without a close event; it is refused in the same way.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addEdit(const char* name, int x, int width, int maxLength);
    void centreOnScreen();
    bool mayClose() const;

    std::array<QLineEdit*, 4> IPEdit{};
    QLineEdit* PortNumberTxEdit = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    QStatusBar* EnetStatusBar = nullptr;
    QLabel* statusPanel = nullptr;
    EthernetLink* link_ = nullptr;
    bool checkingBox_ = false;
};

} // namespace zarvex
