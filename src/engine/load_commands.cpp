// The load commands: describe the image file in the image record, then send it with a
// load header and the paced upload, or raw when the chain of arming flags is broken.

#include "engine/load_commands.h"

#include "engine/arguments.h"
#include "upload/image_facts.h"
#include "upload/uploader.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace zarvex {

namespace {

constexpr long kMaxPauseSeconds = 2147483; // the pause is held in 32-bit milliseconds
constexpr int kBeforeUploadTicks = 130;
constexpr int kPromptWaitTicks = 400;
constexpr int kAfterHeaderMs = 2100;
constexpr int kBeforeUploadMs = 500;

std::string upperCased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// "LF 8000 1024 1a2b 1.0\r": word, address, size, checksum in small hex, version.
std::string loadHeader(const LoaderState& s) {
    const char* format = "%s %s %d %x %s\r";
    const auto size = static_cast<int>(s.image.size);
    const auto checksum = static_cast<unsigned>(s.image.checksum);
    const int length =
        std::snprintf(nullptr, 0, format, s.loadCommandWord.c_str(), s.image.loadAddress.c_str(), size,
                      checksum, s.image.versionText.c_str());
    std::string header(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(header.data(), header.size() + 1, format, s.loadCommandWord.c_str(),
                  s.image.loadAddress.c_str(), size, checksum, s.image.versionText.c_str());
    return header;
}

} // namespace

LoadCommands::LoadCommands(Context& ctx, Link& link, Uploader& uploader)
    : ctx_(ctx), link_(link), uploader_(uploader) {}

void LoadCommands::refuseTooLong(const std::string& what, std::size_t maxLength) {
    ctx_.showError("Error! " + what + " is longer than " + std::to_string(maxLength) +
                   " characters. Cannot upload file. Exiting script.");
    ctx_.progress.cancelRequested = 1;
}

void LoadCommands::LP(std::string_view line) {
    const auto argument = formP(line);
    if (!argument)
        return;
    const long seconds = readDecimal(*argument);
    if (seconds == 0)
        return;
    // A negative or oversized pause cannot be waited; keep the one in force.
    if (seconds < 0 || seconds > kMaxPauseSeconds) {
        ctx_.showError("Error! _LP takes a pause of 1 to " + std::to_string(kMaxPauseSeconds) +
                       " seconds. The pause after an upload stays at " +
                       std::to_string(ctx_.state.postUploadPause / 1000) + " seconds.");
        return;
    }
    ctx_.state.postUploadPause = static_cast<std::int32_t>(seconds * 1000);
}

void LoadCommands::LC(std::string_view line) {
    if (const auto word = formQ(line))
        ctx_.state.loadCommandWord = *word;
}

void LoadCommands::LF(std::string_view line) {
    LoaderState& s = ctx_.state;
    const auto name = formP(line);
    if (!name)
        return;
    if (name->size() > s.image.fileName.maxLength) {
        // A cut name would name another file; the old one must not be sent instead.
        s.imageNamed = false;
        refuseTooLong("File name", s.image.fileName.maxLength);
        return;
    }
    s.image.fileName.assign(*name);
    if (std::ifstream(*name, std::ios::binary).is_open()) {
        s.imageNamed = true;
        return;
    }
    ctx_.showError("Error! Unable to open file " + *name + ". Cannot upload file.");
}

void LoadCommands::LA(std::string_view line) {
    LoaderState& s = ctx_.state;
    s.imageNamed = false;
    const auto address = formP(line);
    if (!address)
        return;
    if (!s.image.loadAddress.assign(*address)) {
        refuseTooLong("Load address", s.image.loadAddress.maxLength);
        return;
    }
    if (get_file_checksum(ctx_) == 1)
        s.imageSummed = true;
}

void LoadCommands::LV(std::string_view line) {
    LoaderState& s = ctx_.state;
    s.imageSummed = false;
    const auto version = formP(line);
    if (!version)
        return;
    if (!s.image.versionText.assign(upperCased(*version))) {
        refuseTooLong("Version text", s.image.versionText.maxLength);
        return;
    }
    if (s.image.versionText == "DATE")
        get_date(ctx_);
    s.imageDescribed = true;
}

bool LoadCommands::unitShowsPrompt() {
    LoaderState& s = ctx_.state;
    s.promptWaitLimit = kBeforeUploadTicks;
    if (link_.SendCOMCmd_GetPrompt("\r"))
        return true;
    // The unit may already be in loader mode while the normal prompt was awaited.
    s.set_prompt(s.loaderPrompt);
    return link_.SendCOMCmd_GetPrompt("\r");
}

int LoadCommands::LD() {
    LoaderState& s = ctx_.state;
    ctx_.pump();
    if (!s.imageDescribed) {
        uploader_.send_file_blocks();
        ctx_.pump();
        return 1;
    }
    if (!unitShowsPrompt()) {
        ctx_.showError("Error! Unable to receive prompt before upload.... Exiting script.");
        s.promptWaitLimit = kPromptWaitTicks;
        return 0;
    }
    ctx_.pump();
    s.promptWaitLimit = kPromptWaitTicks;

    if (!s.commandText.assign(loadHeader(s))) {
        refuseTooLong("The load header", s.commandText.maxLength);
        return 0;
    }
    ctx_.pump();
    link_.send_command();
    ctx_.clock.sleep(kAfterHeaderMs);
    ctx_.pump();
    ctx_.clock.sleep(kBeforeUploadMs);
    ctx_.pump();

    s.scriptUpload = true;
    uploader_.UploadButtonClick();
    s.imageDescribed = false;
    ctx_.pump();
    return 1;
}

} // namespace zarvex
