// The windowed run put together as the program does it: the windows joined to the
// loader's composition root over the in-process links, the start-up sequence run by the
// main window's first show, keys reaching the unit it found, and Exit ending the run.

#include "app/loader_app.h"
#include "support/fake_links.h"
#include "support/recording_clock.h"
#include "ui/main_window.h"
#include "ui/terminal_widget.h"
#include "ui/window_views.h"
#include "unit_model.h"

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarvex;
using namespace zarvex::test;

namespace {

TRirovUzodAdiruvForm* mainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = dynamic_cast<TRirovUzodAdiruvForm*>(w))
            return form;
    return nullptr;
}

TEST(WindowViews, FirstShowRunsStartUpAndExitEndsTheRun) {
    // No LoaderDefault.ini: the start-up sequence runs on its defaults.
    QTemporaryDir folder;
    const std::filesystem::path startDir = std::filesystem::current_path();
    std::filesystem::current_path(folder.path().toStdString());

    RecordingClock clock;
    FakeSerialPort port(clock);
    FakeClientSocket socket(clock);
    unit::UnitModel unitModel;
    port.existing = {3};
    port.peers[3] = [&](std::string_view bytes) { return unitModel.receive(bytes); };
    std::vector<int> exits;
    {
        WindowViewSet views;
        LoaderApp loader({clock, port, socket, views.op()}, views.parts(),
                         [&](int status) { exits.push_back(status); });
        views.start(loader);
        TRirovUzodAdiruvForm* form = mainWindow();
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->isVisible(); }));

        EXPECT_EQ(form->findChild<QLabel*>("VersionLabel")->text(), "Version : 2.06");
        EXPECT_EQ(form->comNumberLabel(), "3");
        EXPECT_TRUE(port.isOpen());
        EXPECT_TRUE(form->scriptButtonsEnabled());

        port.written.clear();
        QTest::keyClicks(&form->terminal(), "VER");
        QTest::keyClick(&form->terminal(), Qt::Key_Return);
        clock.processMessages();
        EXPECT_EQ(port.written, "VER\r");
        EXPECT_NE(form->terminal().screenText().indexOf("2.06"), -1)
            << form->terminal().screenText().toStdString();

        form->findChild<QAction*>("ExitMenu")->trigger();
        EXPECT_EQ(exits, std::vector<int>{0});
        EXPECT_FALSE(form->isVisible());
    }
    std::filesystem::current_path(startDir);
}

} // namespace
