// The information window as the operator sees it during a port check.

#include "ui/info_form.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace zarvex;

namespace {

TEST(InfoForm, DesignStaysOnTopWithoutCloseBox) {
    TInfoForm form;
    EXPECT_EQ(form.windowTitle(), "Information");
    EXPECT_EQ(form.size(), QSize(472, 52));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);

    const auto* label = form.findChild<QLabel*>("Label1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Checking COM Ports Please wait....");
    EXPECT_EQ(label->geometry(), QRect(8, 16, 457, 25));
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 16);
}

TEST(InfoForm, ShowsEachNoticeAndHidesBetweenChecks) {
    TInfoForm form;
    InfoView& view = form;
    for (const char* text : {"Checking COM Port 1, Baud 38400. Please wait....",
                             "Checking COM Port 2, Baud 9600. Please wait...."}) {
        view.showNotice(text);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.noticeText(), text);
        view.hideNotice();
        EXPECT_FALSE(form.isVisible());
    }
    form.setCaption("Tressik :- Information");
    EXPECT_EQ(form.windowTitle(), "Tressik :- Information");
}

} // namespace
