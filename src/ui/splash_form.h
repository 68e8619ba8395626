#pragma once
// The splash window: frameless and centred, with one picture for each of the two brands
// that have one. Start-up shows it while the program starts and hides it after the
// serial port search; the brand 0 picture also hides it when clicked.

#include "app/branding.h"
#include "link/platform/clock.h"

#include <QWidget>

#include <optional>
#include <string>

class QLabel;

namespace zarvex {

class TSplashForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 795;
    static constexpr int kDesignHeight = 687;
    // The pictures, compiled in as resources.
    static constexpr const char* kKavrinPath = ":/splash/kavrin.bmp";
    static constexpr const char* kTressikPath = ":/splash/tressik.jpg";

    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the brand's picture at the brand's size and keeps it on the screen for at
    // least kSplashMinimumMs before returning; a brand without a picture shows nothing.
    void applyBrand(const Brand& brand, Clock& clock);
    void KavrinImageClick() { hide(); }

    const QLabel* kavrinImage() const { return KavrinImage; }
    const QLabel* tressikImage() const { return TressikImage; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addPicture(const char* name, const char* path);
    void centreOnScreen();

    QLabel* KavrinImage = nullptr;
    QLabel* TressikImage = nullptr;
};

// Sets a window's caption when the brand names one; nullopt keeps the design caption.
void applyBrandCaption(QWidget* window, const std::optional<std::string>& caption);

} // namespace zarvex
