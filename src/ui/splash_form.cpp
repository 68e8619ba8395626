#include "ui/splash_form.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace zarvex {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashForm");
    resize(kDesignWidth, kDesignHeight);
    KavrinImage = addPicture("KavrinImage", kKavrinPath);
    KavrinImage->installEventFilter(this);
    TressikImage = addPicture("TressikImage", kTressikPath);
}

// A picture that cannot be loaded leaves its label empty: the splash is decoration and
// must never keep the program from starting.
QLabel* TSplashForm::addPicture(const char* name, const char* path) {
    auto* picture = new QLabel(this);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(QString::fromLatin1(path)));
    picture->setGeometry(rect());
    return picture;
}

void TSplashForm::applyBrand(const Brand& brand, Clock& clock) {
    if (brand.splash == SplashPicture::None)
        return;
    const bool kavrin = brand.splash == SplashPicture::Kavrin;
    KavrinImage->setVisible(kavrin);
    TressikImage->setVisible(!kavrin);
    resize(brand.splashWidth, brand.splashHeight);
    KavrinImage->setGeometry(rect());
    TressikImage->setGeometry(rect());
    centreOnScreen();
    show();
    clock.processMessages();
    clock.sleep(kSplashMinimumMs);
    clock.processMessages();
}

void TSplashForm::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == KavrinImage && event->type() == QEvent::MouseButtonRelease)
        KavrinImageClick();
    return QWidget::eventFilter(watched, event);
}

void applyBrandCaption(QWidget* window, const std::optional<std::string>& caption) {
    if (window && caption)
        window->setWindowTitle(QString::fromStdString(*caption));
}

} // namespace zarvex
