#pragma once
// A whole loader in virtual time with the upload and the load commands, image files in
// a private temporary folder, and the virtual unit's protocol model as a peer.

#include "engine/load_commands.h"
#include "support/rig.h"
#include "unit_model.h"
#include "upload/uploader.h"

#include <QTemporaryDir>

#include <fstream>
#include <string>
#include <vector>

namespace zarvex::test {

// Bytes that differ from their neighbours, so that a shifted or repeated block shows.
inline std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 251 + 7) & 0xFF);
    return bytes;
}

class ImageFiles {
public:
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), std::streamsize(bytes.size()));
        return p;
    }

private:
    QTemporaryDir dir_;
};

// Runs load command lines as the dispatcher and the reader do: _LA only while
// imageNamed, _LV only while imageSummed, and no further line once a command has
// stopped the script or cancelRequested is set. Returns how many lines ran.
inline int runLoadLines(LoaderState& state, Progress& progress, LoadCommands& loads,
                        const std::vector<std::string>& lines) {
    int ran = 0;
    for (const std::string& line : lines) {
        if (progress.cancelRequested != 0)
            break;
        ++ran;
        const std::string word = line.substr(0, 3);
        if (word == "_LF")
            loads.LF(line);
        else if (word == "_LA" && state.imageNamed)
            loads.LA(line);
        else if (word == "_LV" && state.imageSummed)
            loads.LV(line);
        else if (word == "_LP")
            loads.LP(line);
        else if (word == "_LC")
            loads.LC(line);
        else if (word == "_LD" && loads.LD() == 0)
            break;
    }
    return ran;
}

struct UploadRig : Rig {
    Uploader uploader{ctx, link};
    LoadCommands loads{ctx, link, uploader};

    // As after start-up and inside a script run: the loader prompt is awaited and the
    // Ethernet keep-alive is paused.
    UploadRig() {
        state.set_prompt(state.loaderPrompt);
        state.keepAliveAllowed = false;
    }

    // The unit's protocol in virtual time; the tool's own clock would not advance here.
    unit::UnitModel unitModel(unit::UnitConfig config) {
        return unit::UnitModel(std::move(config), [this] { return double(clock.nowMs()) / 1000.0; });
    }
    static Peer peerOf(unit::UnitModel& model) {
        return [&model](std::string_view bytes) { return model.receive(bytes); };
    }
    int runLines(const std::vector<std::string>& lines) {
        return runLoadLines(state, progress, loads, lines);
    }
    void describe(const std::string& file, const std::string& address = "8000",
                  const std::string& version = "1.0") {
        runLines({"_LF " + file, "_LA " + address, "_LV " + version});
    }
};

inline unit::UnitConfig loaderModeUnit() {
    unit::UnitConfig config;
    config.startInLoaderMode = true;
    return config;
}

} // namespace zarvex::test
