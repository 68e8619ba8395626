// The progress window as designed: captions, facts, the bar's range and steps, and the
// hidden Cancel button that stops a run.

#include "ui/progress_form.h"
#include "upload/progress.h"

#include "support/recording_clock.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct Window {
    RecordingClock clock;
    TProgressForm form;
    Progress progress{clock, form};
    Window() { form.connectCancel(progress); }

    QString text(const char* name) { return form.findChild<QLabel*>(name)->text(); }
    QProgressBar* bar() { return form.findChild<QProgressBar*>("FileProgressBar"); }
    QPushButton* cancel() { return form.findChild<QPushButton*>("CancelButton"); }
};

ImageRecord imageOf(std::uint32_t checksum, std::int32_t size) {
    ImageRecord image;
    image.fileName.assign("/tmp/fw 2.bin");
    image.loadAddress.assign("0x8000");
    image.versionText.assign("12/25/2006_14:30:46");
    image.checksum = checksum;
    image.size = size;
    return image;
}

TEST(ProgressWindow, DesignCaptionsAndFrame) {
    Window w;
    EXPECT_EQ(w.form.windowTitle(), "Velmora Research Inc. :- File Upload Progress");
    EXPECT_EQ(w.form.size(), QSize(430, 154));
    const Qt::WindowFlags flags = w.form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags &
                 (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "TRANSFER STATUS "}, {"Label5", "File Path :"},    {"FilePathLabel", "FilePathLabel"},
        {"Label2", "File Name : "},     {"Label6", "File Size"},      {"Label3", "Checksum :"},
        {"Label4", "Load Address :"},   {"Label7", "Date Modified:"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(w.text(name), caption) << name;
    EXPECT_EQ(w.form.findChild<QLabel*>("Label1")->font().pointSize(), 11);
    EXPECT_EQ(w.form.font().family(), "Comic Sans MS");
    EXPECT_EQ(w.form.font().pointSize(), 8);
    EXPECT_EQ(w.bar()->minimum(), 0);
    EXPECT_EQ(w.bar()->maximum(), 100);
    EXPECT_EQ(w.cancel()->text(), "Cancel");

    w.progress.ShowProgressForm(3, imageOf(1, 1));
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_FALSE(w.form.findChild<QLabel*>("Label5")->isVisible());
    EXPECT_FALSE(w.form.findChild<QLabel*>("FilePathLabel")->isVisible());
    EXPECT_FALSE(w.cancel()->isVisible());
    EXPECT_FALSE(w.cancel()->isEnabled());

    w.form.setCaption("Other Brand :- File Upload Progress");
    EXPECT_EQ(w.form.windowTitle(), "Other Brand :- File Upload Progress");
}

TEST(ProgressWindow, ShowsTheFactsWithTheChecksumInCapitalHex) {
    struct Case {
        std::uint32_t checksum;
        const char* shown;
    };
    for (Case c : {Case{0x2AD4, "2AD4"}, Case{0x00FF, "FF"}, Case{0, "0"}}) {
        Window w;
        w.progress.ShowProgressForm(2, imageOf(c.checksum, 4500));
        EXPECT_EQ(w.text("ChecksumLabel"), c.shown);
        EXPECT_EQ(w.text("BlockNameLabel"), "/tmp/fw 2.bin");
        EXPECT_EQ(w.text("FileSizeLabel"), "4500");
        EXPECT_EQ(w.text("LoadAddressLabel"), "0x8000");
        EXPECT_EQ(w.text("DateModifiedLabel"), "12/25/2006_14:30:46");
    }
}

TEST(ProgressWindow, BarRangeFollowsTheBlocksAndHidingEmptiesIt) {
    struct Case {
        int blocks, steps, maximum, fullAt;
    };
    // 4500 bytes: two blocks and a remainder; the last step keeps the bar full.
    for (Case c : {Case{2, 3, 2, 2}, Case{0, 1, 1, 1}, Case{-1, 1, 1, 1}, Case{10, 4, 10, 4}}) {
        Window w;
        w.progress.ShowProgressForm(c.blocks, imageOf(0, 4500));
        EXPECT_EQ(w.bar()->maximum(), c.maximum) << c.blocks;
        for (int i = 0; i < c.steps; ++i)
            w.progress.step();
        EXPECT_EQ(w.bar()->value(), c.fullAt) << c.blocks;
        w.progress.HideProgressForm();
        EXPECT_FALSE(w.form.isVisible());
        EXPECT_EQ(w.bar()->value(), 0);
        w.progress.ShowProgressForm(c.blocks, imageOf(0, 4500));
        EXPECT_EQ(w.bar()->value(), 0) << "the next show starts from an empty bar";
    }
}

TEST(ProgressWindow, CancelButtonStopsTheRunAndTheNextShowClearsIt) {
    Window w;
    w.progress.ShowProgressForm(5, imageOf(0, 10000));
    w.cancel()->setEnabled(true); // nothing in the program enables it; the handler still works
    w.cancel()->click();
    EXPECT_EQ(w.progress.cancelRequested, 1);
    w.progress.HideProgressForm();
    EXPECT_EQ(w.progress.cancelRequested, 1) << "hiding keeps the flag";
    w.progress.ShowProgressForm(5, imageOf(0, 10000));
    EXPECT_EQ(w.progress.cancelRequested, 0);
}

} // namespace
