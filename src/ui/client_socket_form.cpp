#include "ui/client_socket_form.h"

#include "app/branding.h"
#include "link/ethernet_link.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

namespace zarvex {

namespace {

constexpr int kRowY = 14;
constexpr int kEditHeight = 21;

} // namespace

TClientSocketForm::TClientSocketForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("ClientSocketForm");
    setWindowTitle(kDesignEthernetCaption);
    setFont(QFont("MS Sans Serif", 8));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(false);

    auto* addressLabel = new QLabel("IP Address", this);
    addressLabel->setObjectName("Label6");
    addressLabel->setGeometry(8, kRowY + 3, 60, 16);
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "IPEdit" + QByteArray::number(i + 1);
        IPEdit[std::size_t(i)] = addEdit(name.constData(), 72 + 40 * i, 33, 3);
        IPEdit[std::size_t(i)]->setText(kDefaultUnitAddress[std::size_t(i)]);
        IPEdit[std::size_t(i)]->installEventFilter(this);
    }
    auto* portLabel = new QLabel("Port ", this);
    portLabel->setObjectName("Label7");
    portLabel->setGeometry(238, kRowY + 3, 30, 16);
    PortNumberTxEdit = addEdit("PortNumberTxEdit", 270, 49, 5);
    PortNumberTxEdit->setText(kDefaultUnitPort);

    ConnectButton = new QPushButton("Connect ", this);
    ConnectButton->setObjectName("ConnectButton");
    ConnectButton->setGeometry(326, kRowY - 2, 64, 25);
    DisconnectButton = new QPushButton("Disconnect ", this);
    DisconnectButton->setObjectName("DisconnectButton");
    DisconnectButton->setGeometry(326, kRowY + 26, 64, 25);
    DisconnectButton->setFocusPolicy(Qt::NoFocus);
    DisconnectButton->setVisible(false);

    for (int i = 0; i < 3; ++i)
        setTabOrder(IPEdit[std::size_t(i)], IPEdit[std::size_t(i + 1)]);
    setTabOrder(IPEdit[3], PortNumberTxEdit);
    setTabOrder(PortNumberTxEdit, ConnectButton);

    EnetStatusBar = new QStatusBar(this);
    EnetStatusBar->setObjectName("EnetStatusBar");
    EnetStatusBar->setSizeGripEnabled(false);
    EnetStatusBar->setGeometry(0, kClientHeight - 19, kClientWidth, 19);
    statusPanel = new QLabel(EnetStatusBar);
    EnetStatusBar->addWidget(statusPanel, 1);
}

QLineEdit* TClientSocketForm::addEdit(const char* name, int x, int width, int maxLength) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(x, kRowY, width, kEditHeight);
    edit->setMaxLength(maxLength);
    return edit;
}

void TClientSocketForm::attach(EthernetLink& link) {
    link_ = &link;
    connect(ConnectButton, &QPushButton::clicked, this, [this] { link_->ConnectButtonClick(); });
    connect(DisconnectButton, &QPushButton::clicked, this, [this] { link_->DisconnectButtonClick(); });
}

QString TClientSocketForm::statusText() const {
    return statusPanel->text();
}

std::string TClientSocketForm::addressBox(int i) const {
    return IPEdit[std::size_t(i & 3)]->text().toStdString();
}

void TClientSocketForm::setAddressBox(int i, const std::string& text) {
    IPEdit[std::size_t(i & 3)]->setText(QString::fromStdString(text));
}

std::string TClientSocketForm::portBox() const {
    return PortNumberTxEdit->text().toStdString();
}

void TClientSocketForm::setPortBox(const std::string& text) {
    PortNumberTxEdit->setText(QString::fromStdString(text));
}

void TClientSocketForm::setControlsEnabled(bool on) {
    ConnectButton->setEnabled(on);
    PortNumberTxEdit->setEnabled(on);
    for (QLineEdit* edit : IPEdit)
        edit->setEnabled(on);
}

void TClientSocketForm::focusPortBox() {
    PortNumberTxEdit->setFocus(Qt::OtherFocusReason);
}

void TClientSocketForm::focusAddressBox(int i) {
    IPEdit[std::size_t(i & 3)]->setFocus(Qt::OtherFocusReason);
}

void TClientSocketForm::showDialog() {
    show();
    raise();
    activateWindow();
}

void TClientSocketForm::setDialogStatus(const std::string& text) {
    statusPanel->setText(QString::fromStdString(text));
}

void TClientSocketForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen();
    if (link_)
        link_->FormShow();
}

void TClientSocketForm::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TClientSocketForm::mayClose() const {
    return !link_ || link_->canCloseDialog();
}

void TClientSocketForm::closeEvent(QCloseEvent* event) {
    if (mayClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TClientSocketForm::reject() {
    if (mayClose())
        QDialog::reject();
}

// Leaving an address box for another control checks it. The focus also goes when the
// window loses activation, for instance to the check's own message box; that is not
// leaving the box, and checking then would stack one message on the other.
bool TClientSocketForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && link_ && !checkingBox_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool leftTheBox = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        for (int i = 0; i < 4 && leftTheBox; ++i) {
            if (watched == IPEdit[std::size_t(i)]) {
                checkingBox_ = true;
                link_->IPEditExit(i);
                checkingBox_ = false;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zarvex
