#pragma once
// A whole script engine over the in-process rig, with a virtual unit on COM1 or on a
// TCP port, and scripts written to a private folder.

#include "engine/load_commands.h"
#include "engine/script_engine.h"
#include "support/rig.h"
#include "unit_model.h"
#include "upload/uploader.h"

#include <QTemporaryDir>
#include <fstream>

namespace zarvex::test {

inline Peer peerOf(unit::UnitModel& unit) {
    return [&unit](std::string_view bytes) { return unit.receive(bytes); };
}

struct EngineRig : Rig {
    Uploader uploader{ctx, link};
    LoadCommands loads{ctx, link, uploader};
    ScriptEngine engine{ctx, link, loads};
    QTemporaryDir dir;

    EngineRig() { state.awaitedPrompt = state.loaderPrompt; }

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string writeFile(const std::string& name, const std::string& bytes) const {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    // Runs a script text as the operator's choice does: an empty table, a clear stop flag.
    int run(const std::string& script) {
        state.scriptPath = writeFile("script.sld", script);
        state.clearScriptTable();
        progress.cancelRequested = 0;
        return engine.read_ini();
    }
};

} // namespace zarvex::test
