#include "screenshots.h"

#include "engine/load_commands.h"
#include "engine/script_engine.h"
#include "link/link.h"
#include "support/fake_links.h"
#include "support/fake_views.h"
#include "support/recording_clock.h"
#include "ui/client_socket_form.h"
#include "ui/info_form.h"
#include "ui/line_lights.h"
#include "ui/main_window.h"
#include "ui/progress_form.h"
#include "unit_model.h"
#include "upload/script_selection.h"
#include "upload/uploader.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace zarvex::test {

namespace {

bool save(QWidget& widget, const QDir& folder, const char* name) {
    widget.repaint();
    QApplication::processEvents();
    const QString path = folder.filePath(name);
    if (widget.grab().save(path))
        return true;
    std::cerr << "cannot write " << path.toStdString() << "\n";
    return false;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A script run from the window against a unit on COM1, the progress window caught
// half-way through the upload.
bool renderRun(const QDir& folder) {
    TRirovUzodAdiruvForm window;
    TProgressForm progressForm;
    LoaderState state;
    RecordingClock clock;
    FakeSerialPort port{clock};
    FakeClientSocket socket{clock};
    ScriptedOperator op;
    Progress progress{clock, progressForm};
    Context ctx{state, progress, clock, op, window, port, socket};
    Link link{ctx};
    Uploader uploader{ctx, link};
    LoadCommands loads{ctx, link, uploader};
    ScriptEngine engine{ctx, link, loads};
    ScriptSelection selection{ctx, link, engine, uploader};
    progressForm.connectCancel(progress);
    window.connectLogic({state, port, socket, link.keepAliveTimer(), op});
    window.hooks.pickScript = [&] { selection.PickButtonClick(); };
    selection.onRunningChanged = [&](bool on) { window.setStopVisible(on); };

    unit::UnitModel unit({}, [&] { return double(clock.nowMs()) / 1000.0; });
    bool progressSaved = false;
    port.existing.insert(1);
    port.peers[1] = [&](std::string_view bytes) {
        if (!progressSaved && !state.uploadFinished && port.blockSizes.size() == 9) {
            progressForm.step(); // the block under way
            progressSaved = save(progressForm, folder, "progress_window.png");
        }
        return unit.receive(bytes);
    };
    port.setComNumber(1);
    port.open(nullptr);

    QTemporaryDir files;
    const std::string dir = files.path().toStdString();
    std::string image(36000, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = char((i * 31 + 7) & 0xFF);
    writeFile(dir + "/unit_app.bin", image);
    writeFile(dir + "/unit_app.sld",
              "; Application image for the unit\n"
              "_TC \"^M\"\n_QC \"VER\"\n_LF unit_app.bin\n_LA 0x8000\n_LV 2.06\n_LD\n");
    op.files.push_back(dir + "/unit_app.sld");

    const std::filesystem::path startDir = std::filesystem::current_path();
    window.setVersionText("Version : 2.06");
    window.setComNumberLabel("1");
    window.setLightsMonitoring(true);
    window.show();
    state.set_prompt(state.loaderPrompt);
    window.findChild<QPushButton*>("PickButton")->click();
    std::filesystem::current_path(startDir);
    window.lineLights().refresh();
    const bool mainSaved = save(window, folder, "main_window.png");
    if (!progressSaved)
        std::cerr << "the upload ended before the progress window could be taken\n";
    return mainSaved && progressSaved;
}

bool renderInfo(const QDir& folder) {
    TInfoForm info;
    info.showNotice("Checking COM Port 3, Baud 38400. Please wait....");
    return save(info, folder, "info_window.png");
}

bool renderEthernetDialog(const QDir& folder) {
    TClientSocketForm dialog;
    dialog.setAddressBox(0, "192");
    dialog.setAddressBox(1, "168");
    dialog.setAddressBox(2, "1");
    dialog.setAddressBox(3, "40");
    dialog.setPortBox("3000");
    dialog.setDialogStatus("This computer: 192.168.1.17");
    dialog.show();
    return save(dialog, folder, "ethernet_dialog.png");
}

} // namespace

int renderScreenshots(const char* folder) {
    // Absolute: choosing the script moves the process into the script's folder.
    const QDir dir(QDir(QString::fromLocal8Bit(folder)).absolutePath());
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::cerr << "cannot make " << folder << "\n";
        return 1;
    }
    bool ok = renderRun(dir);
    ok = renderInfo(dir) && ok;
    ok = renderEthernetDialog(dir) && ok;
    return ok ? 0 : 1;
}

} // namespace zarvex::test
