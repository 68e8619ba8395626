// The splash window: our two pictures at their sizes, the brand's choice of picture and
// window size, the minimum time on the screen (on virtual time), and the click.

#include "support/recording_clock.h"
#include "ui/splash_form.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

quint32 littleEndian(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

TEST(SplashWindow, ThePicturesAreA24BitBitmapAndAJpegOfTheDesignedSizes) {
    QFile bitmap(TSplashForm::kKavrinPath);
    ASSERT_TRUE(bitmap.open(QIODevice::ReadOnly)) << "the splash pictures are not compiled in";
    const QByteArray header = bitmap.read(54);
    ASSERT_EQ(header.size(), 54);
    EXPECT_EQ(header.left(2), "BM");
    EXPECT_EQ(littleEndian(header, 18, 4), 600u);
    EXPECT_EQ(littleEndian(header, 22, 4), 400u);
    EXPECT_EQ(littleEndian(header, 28, 2), 24u) << "bits per pixel";

    QImageReader jpeg(TSplashForm::kTressikPath);
    EXPECT_EQ(jpeg.format(), "jpeg");
    EXPECT_EQ(jpeg.size(), QSize(800, 700));
    EXPECT_FALSE(jpeg.read().isNull()) << jpeg.errorString().toStdString();
}

struct SplashCase {
    const char* name;
    std::optional<long> brand;
    bool shown;
    QSize size;
    bool kavrin; // which picture shows
};

TEST(SplashWindow, TheBrandChoosesPictureSizeAndTime) {
    const SplashCase cases[] = {
        {"brand 0", 0, true, QSize(600, 400), true},
        {"brand 100", 100, true, QSize(800, 700), false},
        {"brand 7", 7, false, {}, false},
        {"no brand", std::nullopt, false, {}, false},
    };
    for (const SplashCase& c : cases) {
        RecordingClock clock;
        TSplashForm splash;
        std::vector<bool> visibleAtPumps;
        clock.onPump.push_back([&] { visibleAtPumps.push_back(splash.isVisible()); });
        splash.applyBrand(brandFor(c.brand), clock);
        if (!c.shown) {
            EXPECT_FALSE(splash.isVisible()) << c.name;
            EXPECT_TRUE(clock.longSleeps.empty()) << c.name;
            continue;
        }
        EXPECT_TRUE(splash.isVisible()) << c.name;
        EXPECT_EQ(splash.size(), c.size) << c.name;
        // Shown and painted, then at least 600 ms on the screen before start-up goes on.
        EXPECT_EQ(clock.longSleeps, std::vector<int>{kSplashMinimumMs}) << c.name;
        EXPECT_EQ(visibleAtPumps, (std::vector<bool>{true, true})) << c.name;
        const QLabel* shown = c.kavrin ? splash.kavrinImage() : splash.tressikImage();
        const QLabel* hidden = c.kavrin ? splash.tressikImage() : splash.kavrinImage();
        EXPECT_TRUE(shown->isVisible()) << c.name;
        EXPECT_FALSE(hidden->isVisible()) << c.name;
        EXPECT_EQ(shown->geometry(), splash.rect()) << c.name;
        EXPECT_EQ(shown->pixmap().size(), c.size) << c.name;
    }
}

TEST(SplashWindow, OnlyTheBrandZeroPictureHidesItWhenClicked) {
    RecordingClock clock;
    TSplashForm tressik;
    tressik.applyBrand(brandFor(100), clock);
    QTest::mouseClick(const_cast<QLabel*>(tressik.tressikImage()), Qt::LeftButton);
    EXPECT_TRUE(tressik.isVisible());

    TSplashForm kavrin;
    kavrin.applyBrand(brandFor(0), clock);
    QTest::mouseClick(const_cast<QLabel*>(kavrin.kavrinImage()), Qt::LeftButton);
    EXPECT_FALSE(kavrin.isVisible());
}

TEST(SplashWindow, ABrandCaptionReplacesOnlyWhatItNames) {
    QWidget main, ethernet;
    main.setWindowTitle(kDesignMainCaption);
    ethernet.setWindowTitle(kDesignEthernetCaption);
    const Brand plain = brandFor(7);
    applyBrandCaption(&main, plain.mainCaption);
    applyBrandCaption(&ethernet, plain.ethernetCaption);
    applyBrandCaption(nullptr, plain.infoCaption); // a window not created yet
    EXPECT_EQ(main.windowTitle(), "Zarvex");
    EXPECT_EQ(ethernet.windowTitle(), kDesignEthernetCaption);
}

} // namespace
