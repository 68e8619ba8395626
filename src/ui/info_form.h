#pragma once
// The information window: a small notice that stays on top while a serial port is
// checked for the unit. No buttons, no close box; the port check shows and hides it.

#include "engine/views.h"

#include <QWidget>

class QLabel;

namespace zarvex {

class TInfoForm : public QWidget, public InfoView {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 472;
    static constexpr int kClientHeight = 52;
    static constexpr const char* kDesignCaption = "Information";
    static constexpr const char* kDesignText = "Checking COM Ports Please wait....";

    explicit TInfoForm(QWidget* parent = nullptr);

    // The brand of the configuration replaces the designed caption.
    void setCaption(const QString& caption);
    QString noticeText() const;

    void showNotice(const std::string& text) override;
    void hideNotice() override;

protected:
    // FormShow: the caller goes straight on with a blocking port check, so the window
    // gets its chance to paint here.
    void showEvent(QShowEvent* event) override;

private:
    void centreOnScreen();

    QLabel* Label1 = nullptr;
};

} // namespace zarvex
