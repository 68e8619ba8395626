// ControllerMainMenu: the main window's menu tree. Entries that belong to the link and
// to script selection only call the hooks; the terminal entries are this window's own.

#include "ui/main_window.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace zarvex {

namespace {

QMenu* namedMenu(QWidget* parent, const char* name, const QString& caption) {
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(QString(name) + "Item");
    return menu;
}

template <typename F> QAction* namedItem(QMenu* menu, const char* name, const QString& caption, F&& onClick) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    QObject::connect(item, &QAction::triggered, menu, std::forward<F>(onClick));
    return item;
}

void namedSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(name);
}

// Runs a hook if the composition root filled it in.
template <typename Hook, typename... Args> void call(const Hook& hook, Args... args) {
    if (hook)
        hook(args...);
}

} // namespace

void TRirovUzodAdiruvForm::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("ControllerMainMenu");

    QAction* exit = bar->addAction("Exit");
    exit->setObjectName("ExitMenu");
    connect(exit, &QAction::triggered, this, [this] { ExitMenuClick(); });

    QMenu* communication = namedMenu(bar, "Communication1", "Communication");
    bar->addMenu(communication);
    buildCommunicationMenu(communication);

    QMenu* terminal = namedMenu(bar, "Terminal1", "Terminal");
    bar->addMenu(terminal);
    buildTerminalMenu(terminal);
}

void TRirovUzodAdiruvForm::buildCommunicationMenu(QMenu* communication) {
    ConfigMenu = namedMenu(communication, "ConfigMenu", "RS232 Config");
    communication->addMenu(ConfigMenu);
    QMenu* comPort = namedMenu(ConfigMenu, "ComPortMenu", "COM Port");
    ConfigMenu->addMenu(comPort);
    buildComPortMenu(comPort);
    QMenu* baud = namedMenu(ConfigMenu, "BaudMenu", "Baud");
    ConfigMenu->addMenu(baud);
    buildBaudMenu(baud);

    Ethernet1 = namedMenu(communication, "Ethernet1", "Ethernet");
    communication->addMenu(Ethernet1);
    namedItem(Ethernet1, "EnetDisconnect1", "Disconnect", [this] { call(hooks.enetDisconnect); });
    EnetConnect1 = namedItem(Ethernet1, "EnetConnect1", "Connect", [this] { call(hooks.enetConnect); });

    SendFile1 = namedItem(communication, "SendFile1", "Send File", [this] { call(hooks.sendFile); });
    SendFile1->setVisible(false);
}

void TRirovUzodAdiruvForm::buildComPortMenu(QMenu* comPort) {
    namedItem(comPort, "NoneMenu", "None", [this] { call(hooks.noneMenu); });
    struct ComEntry {
        const char* name;
        int port;
    };
    static constexpr ComEntry kEntries[] = {
        {"COM1Menu", 1}, {"COM2Menu", 2}, {"COM31", 3},   {"COM32", 4},   {"COM33", 5},   {"COM34", 6},
        {"COM35", 7},    {"COM36", 8},    {"COM91", 9},   {"COM101", 10}, {"COM111", 11}, {"COM121", 12},
        {"COM131", 13},  {"COM141", 14},  {"COM151", 15}, {"COM161", 16},
    };
    for (const ComEntry& entry : kEntries) {
        const int port = entry.port;
        namedItem(comPort, entry.name, QString("COM%1").arg(port),
                  [this, port] { call(hooks.selectCom, port); });
    }
    namedSeparator(comPort, "N1");
    QAction* search = namedItem(comPort, "SearchAllMenu", "Search", [this] { call(hooks.searchAll); });
    search->setStatusTip("Look for prompt defined in INI file on COM 1 and COM 2");
}

void TRirovUzodAdiruvForm::buildBaudMenu(QMenu* baud) {
    struct BaudEntry {
        const char* name;
        int rate;
        bool radio;
    };
    static constexpr BaudEntry kEntries[] = {
        {"N12001", 1200, false},     {"N24001", 2400, false},  {"N96001", 9600, true},
        {"N192001", 19200, true},    {"N384001", 38400, true}, {"N576001", 57600, true},
        {"N1152001", 115200, false},
    };
    baudRadioItems_ = new QActionGroup(baud);
    baudRadioItems_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const BaudEntry& entry : kEntries) {
        const int rate = entry.rate;
        QAction* item = namedItem(baud, entry.name, QString::number(rate), [this, rate] {
            call(hooks.selectBaud, rate);
            markBaud(ComBaudLabel->text()); // the mark shows the rate in use, whatever the click did
        });
        if (entry.radio) {
            item->setCheckable(true);
            baudRadioItems_->addAction(item);
        }
    }
}

void TRirovUzodAdiruvForm::markBaud(const QString& baud) {
    for (QAction* item : baudRadioItems_->actions())
        item->setChecked(item->text() == baud);
}

void TRirovUzodAdiruvForm::buildTerminalMenu(QMenu* terminal) {
    VisibleMenu = namedItem(terminal, "VisibleMenu", "Visible", [this] {
        // Qt has already flipped the mark; the handler decides from the state before the click.
        VisibleMenu->setChecked(!VisibleMenu->isChecked());
        VisibleMenuClick();
    });
    VisibleMenu->setCheckable(true);
    VisibleMenu->setChecked(true);

    QMenu* background = namedMenu(terminal, "BackgroundColor1", "Background Color");
    terminal->addMenu(background);
    buildColorMenu(background, "Back", true);

    QMenu* text = namedMenu(terminal, "ForegroundColor1", "Text Color");
    terminal->addMenu(text);
    buildColorMenu(text, "Text", false);
    text->menuAction()->setVisible(false);

    namedItem(terminal, "TerminalFonts1", "Terminal Fonts...", [this] { TerminalFonts1Click(); });
    namedItem(terminal, "Clear1", "Clear", [this] { Clear1Click(); });
}

void TRirovUzodAdiruvForm::buildColorMenu(QMenu* menu, const char* prefix, bool background) {
    using Handler = void (TRirovUzodAdiruvForm::*)();
    struct ColorEntry {
        const char* colour;
        Handler back;
        Handler text;
    };
    static const ColorEntry kEntries[] = {
        {"Black", &TRirovUzodAdiruvForm::BackBlackMenuClick, &TRirovUzodAdiruvForm::TextBlackMenuClick},
        {"Red", &TRirovUzodAdiruvForm::BackRedMenuClick, &TRirovUzodAdiruvForm::TextRedMenuClick},
        {"Green", &TRirovUzodAdiruvForm::BackGreenMenuClick, &TRirovUzodAdiruvForm::TextGreenMenuClick},
        {"Blue", &TRirovUzodAdiruvForm::BackBlueMenuClick, &TRirovUzodAdiruvForm::TextBlueMenuClick},
        {"White", &TRirovUzodAdiruvForm::BackWhiteMenuClick, &TRirovUzodAdiruvForm::TextWhiteMenuClick},
        {nullptr, nullptr, nullptr},
        {"Default", &TRirovUzodAdiruvForm::BackDefaultMenuClick, &TRirovUzodAdiruvForm::TextDefaultMenuClick},
    };
    for (const ColorEntry& entry : kEntries) {
        if (!entry.colour) {
            namedSeparator(menu, background ? "N2" : "N3");
            continue;
        }
        const Handler handler = background ? entry.back : entry.text;
        const QByteArray name = QByteArray(prefix) + entry.colour + "Menu";
        namedItem(menu, name.constData(), entry.colour, [this, handler] { (this->*handler)(); });
    }
}

} // namespace zarvex
