#include "ui/info_form.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QScreen>

namespace zarvex {

TInfoForm::TInfoForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("InfoForm");
    setWindowTitle(kDesignCaption);
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = new QLabel(kDesignText, this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 16, 457, 25);
    Label1->setAlignment(Qt::AlignCenter);
    QFont bold = font;
    bold.setPixelSize(16);
    bold.setBold(true);
    Label1->setFont(bold);

    centreOnScreen();
    QCoreApplication::processEvents();
}

void TInfoForm::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

QString TInfoForm::noticeText() const {
    return Label1->text();
}

void TInfoForm::showNotice(const std::string& text) {
    Label1->setText(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
    show();
}

void TInfoForm::hideNotice() {
    hide();
}

void TInfoForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QCoreApplication::processEvents();
}

void TInfoForm::centreOnScreen() {
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace zarvex
