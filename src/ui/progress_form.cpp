#include "ui/progress_form.h"

#include "upload/progress.h"

#include <QFile>
#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace zarvex {

namespace {

const char* const kDesignCaption = "Velmora Research Inc. :- File Upload Progress";

QString localText(std::string_view text) {
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("ProgressForm");
    setWindowTitle(kDesignCaption);
    setFont(QFont("Comic Sans MS", 8));
    setFixedSize(kClientWidth, kClientHeight);
    move(0, 0);

    QLabel* heading = addLabel("Label1", "TRANSFER STATUS ", 0, 6, kClientWidth);
    heading->setFont(QFont("Comic Sans MS", 11));
    heading->setAlignment(Qt::AlignHCenter);
    // Designed but never filled.
    addLabel("Label5", "File Path :", 8, 30, 60)->setVisible(false);
    addLabel("FilePathLabel", "FilePathLabel", 72, 30, 340)->setVisible(false);

    FileProgressBar = new QProgressBar(this);
    FileProgressBar->setObjectName("FileProgressBar");
    FileProgressBar->setGeometry(8, 34, kClientWidth - 16, 18);
    FileProgressBar->setRange(0, 100);
    FileProgressBar->setValue(0);

    addLabel("Label2", "File Name : ", 8, 64, 64);
    BlockNameLabel = addLabel("BlockNameLabel", "", 72, 64, 200);
    addLabel("Label6", "File Size", 284, 64, 56);
    FileSizeLabel = addLabel("FileSizeLabel", "", 344, 64, 80);
    addLabel("Label3", "Checksum :", 8, 88, 64);
    ChecksumLabel = addLabel("ChecksumLabel", "", 72, 88, 120);
    addLabel("Label4", "Load Address :", 200, 88, 84);
    LoadAddressLabel = addLabel("LoadAddressLabel", "", 288, 88, 136);
    addLabel("Label7", "Date Modified:", 8, 112, 84);
    DateModifiedLabel = addLabel("DateModifiedLabel", "", 96, 112, 200);

    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(340, 120, 75, 25);
    CancelButton->setVisible(false);
    CancelButton->setEnabled(false);
}

QLabel* TProgressForm::addLabel(const char* name, const QString& caption, int x, int y, int width) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setGeometry(x, y, width, 18);
    return label;
}

void TProgressForm::connectCancel(Progress& progress) {
    connect(CancelButton, &QPushButton::clicked, this, [&progress] { progress.CancelButtonClick(); });
}

void TProgressForm::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TProgressForm::showFacts(const ImageRecord& image, int maximum) {
    show();
    BlockNameLabel->setText(localText(image.fileName.view()));
    ChecksumLabel->setText(QString::number(image.checksum, 16).toUpper());
    LoadAddressLabel->setText(localText(image.loadAddress.view()));
    FileSizeLabel->setText(QString::number(image.size));
    DateModifiedLabel->setText(localText(image.versionText.view()));
    FileProgressBar->setMaximum(maximum > 0 ? maximum : 1);
}

// The final partial block steps once past the whole blocks: the bar then stays full
// rather than wrapping to empty in the moment before the window hides.
void TProgressForm::step() {
    FileProgressBar->setValue(std::min(FileProgressBar->value() + 1, FileProgressBar->maximum()));
}

void TProgressForm::resetAndHide() {
    FileProgressBar->setValue(0);
    if (QWidget::isVisible())
        hide();
}

} // namespace zarvex
