// The Qt operator: the filter of the open dialog in Qt's form, message texts, and the
// boxes themselves (title, buttons, owner), answered while they are open.

#include "ui/main_window.h"
#include "ui/qt_operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zarvex;

namespace {

TEST(QtOperator, FilterInQtForm) {
    struct Case {
        std::string windows;
        QString qt;
    };
    const std::vector<Case> cases = {
        {"Script files (*.sld)|*.sld|All files (*.*)|*.*", "Script files (*.sld);;All files (*)"},
        {"Images|*.bin;*.hex", "Images (*.bin *.hex)"},
        {"Odd|", "Odd ()"},
        {"dangling", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtOperator::qtNameFilter(c.windows), c.qt) << c.windows;
}

TEST(QtOperator, MessageLineEndsBecomeLineFeeds) {
    EXPECT_EQ(QtOperator::messageText("File upload in progress.\rAre you sure?"),
              "File upload in progress.\nAre you sure?");
    EXPECT_EQ(QtOperator::messageText("a\r\nb"), "a\nb");
}

// Answers the next modal box by pressing the button with `answer`, noting what it showed.
struct BoxAnswer {
    QString title, text;
    QStringList buttons;
    QWidget* owner = nullptr;
    bool plain = false;
    bool hasIcon = true;

    void answerNext(QMessageBox::StandardButton answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove('&');
            owner = box->parentWidget();
            plain = box->textFormat() == Qt::PlainText;
            hasIcon = box->icon() != QMessageBox::NoIcon;
            box->button(answer)->click();
        });
    }
};

TEST(QtOperator, BoxesCarryTheirTitlesButtonsAndOwner) {
    QtOperator op;
    TRirovUzodAdiruvForm mainWindow;
    {
        BoxAnswer a;
        a.answerNext(QMessageBox::Ok);
        op.showMessage("Error! <b>not markup</b>");
        EXPECT_EQ(a.title, "Zarvex");
        EXPECT_EQ(a.text, "Error! <b>not markup</b>");
        EXPECT_TRUE(a.plain);
        EXPECT_FALSE(a.hasIcon);
    }
    {
        BoxAnswer cancel;
        cancel.answerNext(QMessageBox::Cancel);
        EXPECT_FALSE(op.askOkCancel("Zarvex", "Continue?"));
        cancel.buttons.sort();
        EXPECT_EQ(cancel.buttons, (QStringList{"Cancel", "OK"}));
        EXPECT_FALSE(cancel.hasIcon);
        BoxAnswer ok;
        ok.answerNext(QMessageBox::Ok);
        EXPECT_TRUE(op.askOkCancel("Zarvex", "Continue?"));
    }
    {
        BoxAnswer a;
        a.answerNext(QMessageBox::No);
        EXPECT_FALSE(op.askYesNo("Loader GUI : Confirm Exit", "File upload in progress.\rAre you sure?"));
        EXPECT_EQ(a.title, "Loader GUI : Confirm Exit");
        EXPECT_EQ(a.text, "File upload in progress.\nAre you sure?");
        EXPECT_EQ(a.owner, &mainWindow) << "owned by the main window";
        a.answerNext(QMessageBox::Yes);
        EXPECT_TRUE(op.askYesNo("t", "q"));
    }
}

} // namespace
