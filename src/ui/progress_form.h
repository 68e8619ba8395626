#pragma once
// The progress window: the facts of the image being uploaded and a bar that advances
// block by block. Modeless and without a close box; only the transfer shows it.

#include "engine/views.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zarvex {

class Progress;

class TProgressForm : public QWidget, public ProgressDisplay {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 430;
    static constexpr int kClientHeight = 154;

    explicit TProgressForm(QWidget* parent = nullptr);

    // The Cancel button stops this run's transfer and script.
    void connectCancel(Progress& progress);
    // The brand of the configuration replaces the designed caption.
    void setCaption(const QString& caption);

    void showFacts(const ImageRecord& image, int maximum) override;
    void step() override;
    void resetAndHide() override;
    bool isVisible() const override { return QWidget::isVisible(); }

private:
    QLabel* addLabel(const char* name, const QString& caption, int x, int y, int width);

    QProgressBar* FileProgressBar = nullptr;
    QLabel* BlockNameLabel = nullptr;
    QLabel* FileSizeLabel = nullptr;
    QLabel* ChecksumLabel = nullptr;
    QLabel* LoadAddressLabel = nullptr;
    QLabel* DateModifiedLabel = nullptr;
    QPushButton* CancelButton = nullptr;
};

} // namespace zarvex
