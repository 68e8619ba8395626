#include "ui/qt_operator.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>

namespace zarvex {

namespace {

QString local(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

// A plain-text box: texts may carry what the unit or a script said, never markup.
int runBox(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

QString qtPatterns(const QString& windowsPatterns) {
    QStringList patterns;
    for (const QString& p : windowsPatterns.split(';', Qt::SkipEmptyParts))
        patterns << (p.trimmed() == "*.*" ? QString("*") : p.trimmed());
    return patterns.join(' ');
}

} // namespace

QString QtOperator::messageText(const std::string& text) {
    QString out = local(text);
    out.replace("\r\n", "\n");
    out.replace('\r', '\n');
    return out;
}

QString QtOperator::qtNameFilter(const std::string& filter) {
    const QStringList parts = local(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        // The description may spell out its own patterns; Qt reads them from there.
        const qsizetype open = name.lastIndexOf('(');
        if (open > 0 && name.endsWith(')'))
            name = name.left(open).trimmed();
        filters << QString("%1 (%2)").arg(name, qtPatterns(parts[i + 1]));
    }
    return filters.join(";;");
}

QWidget* QtOperator::mainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "TRirovUzodAdiruvForm")
            return w;
    return nullptr;
}

void QtOperator::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, messageText(text), QMessageBox::Ok);
    runBox(box);
}

bool QtOperator::askOkCancel(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, local(title), messageText(text),
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return runBox(box) == QMessageBox::Ok; // closing the box counts as Cancel
}

bool QtOperator::askYesNo(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, local(title), messageText(text), QMessageBox::Yes | QMessageBox::No,
                    mainWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return runBox(box) == QMessageBox::Yes;
}

std::optional<std::string> QtOperator::chooseOpenFile(const std::string& initialDir,
                                                      const std::string& filter) {
    const QString chosen =
        QFileDialog::getOpenFileName(mainWindow(), QString(), local(initialDir), qtNameFilter(filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen).toStdString();
}

std::optional<FontChoice> QtOperator::chooseFont(const FontChoice& current) {
    QFont initial;
    initial.setFamilies({QString::fromStdString(current.family)});
    initial.setPixelSize(current.pixelSize > 0 ? current.pixelSize : 12);
    initial.setBold(current.bold);
    initial.setItalic(current.italic);
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, mainWindow());
    if (!ok)
        return std::nullopt;
    FontChoice choice = current; // the dialog offers no colour: the text colour stays
    choice.family = font.family().toStdString();
    choice.pixelSize = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    choice.bold = font.bold();
    choice.italic = font.italic();
    return choice;
}

} // namespace zarvex
