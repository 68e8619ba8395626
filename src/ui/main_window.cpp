// The main window's controls, its MainView side and its show and close handlers.

#include "ui/main_window.h"

#include "ui/line_lights.h"
#include "ui/terminal_widget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>

namespace zarvex {

namespace {

const char* const kDesignCaption = "Velmora Research Inc. :- Zarvex";
// The row of lights and port labels inside the RS-232 group.
constexpr int kGroupRowY = 19;
constexpr int kRs232GroupWidth = 337;

// The window's fonts name families of another system first; the later names are the
// close equivalents this system has.
QFont formFont() {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Liberation Sans", "DejaVu Sans Condensed", "DejaVu Sans"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFont headingFont() {
    QFont font;
    font.setFamilies({"Comic Sans MS", "Comic Neue", "DejaVu Sans"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(15);
    return font;
}

QString localText(std::string_view text) {
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

// A label that reports a click (press and release on it), as the version label needs.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
            onClick();
        QLabel::mouseReleaseEvent(event);
    }
};

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* placedLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = named(new QLabel(text, parent), name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The design's widths suit the design font; the family that stands in for it may be
// wider, and a control must never cut its caption.
void fitCaption(QWidget* control) {
    const int needed = control->sizeHint().width();
    if (needed > control->width())
        control->resize(needed, control->height());
}

int rightOf(const QWidget* w, int gap) {
    return w->geometry().right() + 1 + gap;
}

} // namespace

TRirovUzodAdiruvForm::TRirovUzodAdiruvForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TRirovUzodAdiruvForm");
    setWindowTitle(kDesignCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(formFont());
    buildControls();
    buildMenus();
    markBaud(ComBaudLabel->text());
    setClientHeight(kDesignClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TRirovUzodAdiruvForm::~TRirovUzodAdiruvForm() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void TRirovUzodAdiruvForm::buildControls() {
    client_ = named(new QWidget(this), "ClientArea");
    client_->setAutoFillBackground(true);
    client_->setBackgroundRole(QPalette::Button); // the face colour of buttons
    setCentralWidget(client_);

    buildHeading();
    buildScriptButtons();
    buildRs232Group();

    EthernetCheckBox = named(new QCheckBox("Ethernet", client_), "EthernetCheckBox");
    EthernetCheckBox->setGeometry(424, 86, 65, 17);
    fitCaption(EthernetCheckBox);
    layoutPortLabels();
    EthernetCheckBox->setEnabled(false);
    EthernetCheckBox->setFocusPolicy(Qt::NoFocus);

    AdTerminal1 = named(new TAdTerminal(client_), "AdTerminal1");
    AdTerminal1->setGeometry(8, 120, 513, 281);
    AdTerminal1->onKeyPress = [this](char& key) { AdTerminal1KeyPress(key); };
    AdTerminal1->onDoubleClick = [this] { AdTerminal1DblClick(); };

    buildHiddenControls();

    buildStatusBar();
}

void TRirovUzodAdiruvForm::buildHeading() {
    Label1 = named(new QLabel("ZARVEX", client_), "Label1");
    Label1->setGeometry(208, 8, 122, 20);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(headingFont());
    QPalette black = Label1->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(black);

    auto* version = named(new ClickLabel("Version : ", client_), "VersionLabel");
    version->move(431, 10);
    version->adjustSize();
    version->onClick = [this] { VersionLabelClick(); };
    VersionLabel = version;
}

void TRirovUzodAdiruvForm::buildScriptButtons() {
    PickButton = named(new QPushButton("Open script file to read and upload", client_), "PickButton");
    PickButton->setGeometry(16, 38, 176, 25);
    fitCaption(PickButton);
    connect(PickButton, &QPushButton::clicked, this, [this] {
        if (hooks.pickScript)
            hooks.pickScript();
    });

    // Esc acts at once through an action of the window: a button's own shortcut clicks
    // only after a delay, and a run that blocks in its own waits would never see it.
    StopAction = named(new QAction("Stop", this), "StopAction");
    StopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    StopAction->setShortcutContext(Qt::WindowShortcut);
    StopAction->setEnabled(false);
    addAction(StopAction);
    connect(StopAction, &QAction::triggered, this, [this] {
        if (hooks.stop)
            hooks.stop();
    });
    StopButton = named(new QPushButton("Stop", client_), "StopButton");
    StopButton->setGeometry(rightOf(PickButton, 8), 38, 60, 25);
    StopButton->setToolTip("Stop the running script or file transfer (Esc)");
    StopButton->setFocusPolicy(Qt::NoFocus);
    StopButton->setVisible(false);
    connect(StopButton, &QPushButton::clicked, StopAction, &QAction::trigger);
}

void TRirovUzodAdiruvForm::buildStatusBar() {
    InfoStatusBar = named(new QStatusBar(this), "InfoStatusBar");
    InfoStatusBar->setSizeGripEnabled(false);
    InfoStatusBar->setFixedHeight(kStatusBarHeight);
    // The status line lives in a label of its own, so that a menu hint shown for a
    // moment never wipes it.
    statusLine_ = named(new QLabel(InfoStatusBar), "StatusLine");
    InfoStatusBar->addWidget(statusLine_, 1);
    setStatusBar(InfoStatusBar);
}

void TRirovUzodAdiruvForm::buildRs232Group() {
    RS232GroupBox = named(new QGroupBox("RS-232", client_), "RS232GroupBox");
    RS232GroupBox->setGeometry(72, 72, kRs232GroupWidth, 42);

    struct LightPlace {
        TApdStatusLight** light;
        const char* name;
        const char* caption;
        const char* labelName;
        int x;
    };
    const LightPlace places[] = {
        {&ApdStatusLight4, "ApdStatusLight4", "TXD", "TxdLabel", 17},
        {&ApdStatusLight3, "ApdStatusLight3", "RXD", "RxdLabel", 71},
        {&ApdStatusLight2, "ApdStatusLight2", "DCD", "DcdLabel", 121},
        {&ApdStatusLight1, "ApdStatusLight1", "CTS", "CtsLabel", 178},
    };
    QLabel* lastLightLabel = nullptr;
    for (const LightPlace& p : places) {
        *p.light = named(new TApdStatusLight(RS232GroupBox), p.name);
        (*p.light)->move(p.x, kGroupRowY + 1);
        lastLightLabel = placedLabel(RS232GroupBox, p.labelName, p.caption, p.x + 16, kGroupRowY);
    }
    ApdSLController1 = named(
        new TApdSLController(*ApdStatusLight1, *ApdStatusLight2, *ApdStatusLight3, *ApdStatusLight4, this),
        "ApdSLController1");

    portLabelsStart_ = rightOf(lastLightLabel, 8);
    ComLabel = placedLabel(RS232GroupBox, "ComLabel", "COM:", 0, kGroupRowY);
    ComNumberLabel = placedLabel(RS232GroupBox, "ComNumberLabel", "None", 0, kGroupRowY);
    BaudLabel = placedLabel(RS232GroupBox, "BaudLabel", "Baud:", 0, kGroupRowY);
    ComBaudLabel = placedLabel(RS232GroupBox, "ComBaudLabel", "38400", 0, kGroupRowY);
    layoutPortLabels();

    ComCheckBox = named(new QCheckBox("Use COM", RS232GroupBox), "ComCheckBox");
    ComCheckBox->setGeometry(250, 2, 80, 17);
    ComCheckBox->setFocusPolicy(Qt::NoFocus);
    ComCheckBox->setVisible(false);
    connect(ComCheckBox, &QCheckBox::toggled, this, [this](bool checked) {
        if (hooks.comCheckBox)
            hooks.comCheckBox(checked);
    });
}

void TRirovUzodAdiruvForm::buildHiddenControls() {
    UploadButton = named(new QPushButton("Upload", client_), "UploadButton");
    UploadButton->setGeometry(368, 48, 65, 16);
    UploadButton->setFocusPolicy(Qt::NoFocus);
    UploadButton->setVisible(false);
    connect(UploadButton, &QPushButton::clicked, this, [this] {
        if (hooks.upload)
            hooks.upload();
    });

    // The timing test sits right of the client area's edge: only the Tab key reaches it.
    Edit1 = named(new QLineEdit("OTPM? 1", client_), "Edit1");
    Edit1->setGeometry(552, 16, 57, 21);
    Edit2 = named(new QLineEdit("100", client_), "Edit2");
    Edit2->setGeometry(552, 40, 57, 21);
    Button1 = named(new QPushButton("Button1", client_), "Button1");
    Button1->setGeometry(552, 64, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] {
        if (hooks.timingTest)
            hooks.timingTest();
    });
    Label8 = placedLabel(client_, "Label8", "Label8", 552, 96);
    Label9 = placedLabel(client_, "Label9", "Label9", 552, 112);
}

void TRirovUzodAdiruvForm::layoutPortLabels() {
    // Each label follows the one before, so that a stand-in font wider than the design's
    // pushes them along instead of stacking them on each other; the group grows as far
    // as the Ethernet box if they need it.
    int x = portLabelsStart_;
    for (QLabel* label : {ComLabel, ComNumberLabel, BaudLabel, ComBaudLabel}) {
        label->adjustSize();
        label->move(x, kGroupRowY);
        x = rightOf(label, label == ComNumberLabel ? 8 : 2);
    }
    const int widest = EthernetCheckBox ? EthernetCheckBox->x() - 6 - RS232GroupBox->x() : kRs232GroupWidth;
    RS232GroupBox->resize(std::clamp(x + 6, kRs232GroupWidth, std::max(widest, kRs232GroupWidth)),
                          RS232GroupBox->height());
}

void TRirovUzodAdiruvForm::setClientHeight(int height) {
    clientHeight_ = height;
    client_->setFixedSize(kClientWidth, height - kStatusBarHeight);
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(kClientWidth, menuHeight + height);
}

void TRirovUzodAdiruvForm::connectLogic(const MainWindowParts& parts) {
    parts_ = std::make_unique<MainWindowParts>(parts);
    AdTerminal1->bindSerialPort(&parts.port);
    ApdSLController1->attach(&parts.port);
    watchSerialPort();
}

void TRirovUzodAdiruvForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_ || event->spontaneous())
        return;
    shownOnce_ = true;
    if (hooks.formShow)
        hooks.formShow();
}

void TRirovUzodAdiruvForm::closeEvent(QCloseEvent* event) {
    if (hooks.formCloseQuery && !hooks.formCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

// --- MainView ---

void TRirovUzodAdiruvForm::showStatus(const std::string& text) {
    statusLine_->setText(localText(text));
}

QString TRirovUzodAdiruvForm::statusText() const {
    return statusLine_->text();
}

void TRirovUzodAdiruvForm::setScriptButtonsEnabled(bool on) {
    buttonsOn_ = on;
    UploadButton->setEnabled(on);
    PickButton->setEnabled(on);
    if (on)
        terminalFocus();
}

void TRirovUzodAdiruvForm::terminalWrite(std::string_view bytes) {
    AdTerminal1->write(bytes);
}

void TRirovUzodAdiruvForm::terminalSetEnabled(bool on) {
    AdTerminal1->setEnabled(on);
}

void TRirovUzodAdiruvForm::terminalFocus() {
    // A disabled or hidden terminal cannot take the focus; that is not an error.
    if (AdTerminal1->isEnabled() && AdTerminal1->isVisibleTo(this))
        AdTerminal1->setFocus(Qt::OtherFocusReason);
}

void TRirovUzodAdiruvForm::setConfigMenuVisible(bool on) {
    ConfigMenu->menuAction()->setVisible(on);
}

void TRirovUzodAdiruvForm::setEthernetMenuVisible(bool on) {
    Ethernet1->menuAction()->setVisible(on);
}

void TRirovUzodAdiruvForm::setConfigMenuEnabled(bool on) {
    ConfigMenu->menuAction()->setEnabled(on);
}

void TRirovUzodAdiruvForm::setEthernetMenuEnabled(bool on) {
    Ethernet1->menuAction()->setEnabled(on);
}

void TRirovUzodAdiruvForm::setEnetConnectEnabled(bool on) {
    EnetConnect1->setEnabled(on);
}

bool TRirovUzodAdiruvForm::enetConnectEnabled() const {
    return EnetConnect1->isEnabled();
}

void TRirovUzodAdiruvForm::setEthernetChecked(bool on) {
    EthernetCheckBox->setChecked(on);
}

void TRirovUzodAdiruvForm::setComNumberLabel(const std::string& text) {
    ComNumberLabel->setText(localText(text));
    layoutPortLabels();
}

std::string TRirovUzodAdiruvForm::comNumberLabel() const {
    return ComNumberLabel->text().toStdString();
}

void TRirovUzodAdiruvForm::setComBaudLabel(const std::string& text) {
    ComBaudLabel->setText(localText(text));
    layoutPortLabels();
    markBaud(ComBaudLabel->text());
}

void TRirovUzodAdiruvForm::setComCheckBoxEnabled(bool on) {
    ComCheckBox->setEnabled(on);
}

void TRirovUzodAdiruvForm::setLightsMonitoring(bool on) {
    ApdSLController1->setMonitoring(on);
}

void TRirovUzodAdiruvForm::setBusyCursor(bool busy) {
    // One cursor for the whole application, not a stack: setting it twice is harmless.
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// --- small handlers ---

void TRirovUzodAdiruvForm::VersionLabelClick() {
    SendFile1->setVisible(!SendFile1->isVisible());
}

void TRirovUzodAdiruvForm::setVersionText(const QString& text) {
    VersionLabel->setText(text);
    VersionLabel->adjustSize();
}

void TRirovUzodAdiruvForm::setStopVisible(bool on) {
    StopButton->setVisible(on);
    StopAction->setEnabled(on); // otherwise Esc is a key for the unit
}

QString TRirovUzodAdiruvForm::timingCountText() const {
    return Edit2->text();
}

void TRirovUzodAdiruvForm::setTimingTimes(const QString& start, const QString& end) {
    Label8->setText(start);
    Label8->adjustSize();
    Label9->setText(end);
    Label9->adjustSize();
}

} // namespace zarvex
