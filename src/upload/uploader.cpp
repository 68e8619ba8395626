// The transfer of the current image file: the paced upload with its progress window,
// pause and prompt wait, and the plain send without them.

#include "upload/uploader.h"

#include "upload/image_facts.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace zarvex {

namespace {

constexpr int kAfterShowMs = 100;
constexpr int kAfterCancelMs = 500;
constexpr int kBeforeFirstAttemptMs = 100;
constexpr int kBeforeSecondAttemptMs = 2500;
constexpr int kEthernetBeforeThirdAttemptMs = 2000;
constexpr int kPromptWaitTicks = 400;
constexpr int kExtraTicks = 120;
constexpr int kEthernetTimerSlackMs = 14000;
constexpr int kCommandTimerAfterWaitMs = 14000;

} // namespace

Uploader::Uploader(Context& ctx, Link& link) : ctx_(ctx), link_(link) {}

int Uploader::promptWaitMs(std::int32_t size) {
    return static_cast<int>(double(size) * 0.00571 + 1000.0);
}

bool Uploader::openImage(std::ifstream& file) {
    const std::string name = ctx_.state.image.fileName.str();
    // Unbuffered: every block is read from the file as it is now, so a file that has
    // shrunk shows at the first block that reaches past its new end.
    file.rdbuf()->pubsetbuf(nullptr, 0);
    file.open(name, std::ios::binary);
    if (file.is_open())
        return true;
    ctx_.showError("Error opening " + name + ".\r");
    return false;
}

bool Uploader::readBlock(std::ifstream& file, char* buffer, int count) {
    file.read(buffer, count);
    if (file.gcount() == count)
        return true;
    // Whatever the buffer holds beyond what was read is stale: it must not go out.
    const ImageRecord& image = ctx_.state.image;
    if (file.bad())
        ctx_.showError("Error! Unable to read file " + image.fileName.str() + ". Upload stopped.");
    else
        ctx_.showError("Error! File " + image.fileName.str() + " has become shorter than its " +
                       std::to_string(image.size) + " bytes since they were counted. Upload stopped.");
    ctx_.progress.cancelRequested = 1;
    return false;
}

bool Uploader::linkLostSince(bool linkWasUp) {
    if (!linkWasUp || link_.anyLinkUp())
        return false;
    ctx_.showError("Error! Communications lost.");
    ctx_.progress.cancelRequested = 1;
    return true;
}

bool Uploader::sendBlock(std::ifstream& file, int count, bool linkWasUp) {
    std::array<char, kBlockSize> buffer;
    if (linkLostSince(linkWasUp) || !readBlock(file, buffer.data(), count))
        return false;
    ctx_.pump();
    link_.SendByte(count, buffer.data());
    ctx_.progress.step();
    return true;
}

void Uploader::transferBlocks(std::ifstream& file, int remainder) {
    LoaderState& s = ctx_.state;
    const bool linkWasUp = link_.anyLinkUp();
    if (s.blockCount <= 0) {
        // A file shorter than one block goes out in one send, even when it is empty.
        sendBlock(file, remainder, linkWasUp);
        return;
    }
    for (std::int32_t block = 0; block < s.blockCount; ++block) {
        if (ctx_.progress.cancelRequested == 1)
            break;
        if (!sendBlock(file, kBlockSize, linkWasUp))
            break;
        if (link_.serialOpen())
            ctx_.port.processCommunications();
        ctx_.pump();
    }
    if (ctx_.progress.cancelRequested != 1 && remainder > 0 && sendBlock(file, remainder, linkWasUp))
        ctx_.pump();
}

void Uploader::UploadButtonClick() {
    LoaderState& s = ctx_.state;
    ctx_.show_status("Reading script file. Please wait....");
    s.uploadFinished = false;
    std::ifstream file;
    if (!openImage(file)) {
        s.uploadFinished = true;
        return;
    }
    file.close();
    s.blockCount = s.image.size / kBlockSize;
    // A size that was never taken (negative) sends nothing rather than a negative count.
    const int remainder = std::max(0, s.image.size - s.blockCount * kBlockSize);
    if (!openImage(file)) {
        s.uploadFinished = true;
        return;
    }

    ctx_.view.setConfigMenuVisible(false);
    ctx_.view.setEthernetMenuVisible(false);
    if (link_.serialOpen()) {
        ctx_.port.flushInBuffer();
        ctx_.port.flushOutBuffer();
        ctx_.port.processCommunications();
    }
    const bool terminalOff = s.terminalDuringUpload == '\0';
    if (terminalOff)
        ctx_.view.terminalSetEnabled(false);
    ctx_.progress.ShowProgressForm(s.blockCount, s.image);
    ctx_.clock.sleep(kAfterShowMs);

    transferBlocks(file, remainder);

    file.close();
    ctx_.progress.HideProgressForm();
    ctx_.view.setConfigMenuVisible(true);
    ctx_.view.setEthernetMenuVisible(true);
    s.uploadFinished = true;

    if (ctx_.progress.cancelRequested == 1) {
        ctx_.clock.sleep(kAfterCancelMs);
        ctx_.pump();
        ctx_.showError("Upload cancelled/incomplete!!! Upload for " + s.image.fileName.str() +
                       " section was incomplete.");
    } else {
        ctx_.clock.sleep(std::max(0, s.postUploadPause));
    }
    ctx_.pump();
    if (terminalOff)
        ctx_.view.terminalSetEnabled(true);
    if (s.scriptUpload && link_.anyLinkUp())
        waitForLoaderPrompt();
    ctx_.pump();
    ctx_.pump();
    if (link_.ethernetActive())
        s.SetTryEnetAgainFlag(false);
}

void Uploader::waitForLoaderPrompt() {
    LoaderState& s = ctx_.state;
    ctx_.show_status("Waiting for prompt..");
    // The unit checks the image before it answers: give it longer the larger it is.
    const int wait = promptWaitMs(s.image.size);
    ctx_.clock.sleep(wait / 2);
    ctx_.show_status("Waiting for prompt....");
    ctx_.pump();
    ctx_.clock.sleep(wait / 2);
    ctx_.show_status("Waiting for prompt......");

    s.set_prompt(s.loaderPrompt);
    s.promptWaitLimit = wait + kExtraTicks; // ticks of 55 ms, not milliseconds
    if (link_.ethernetActive())
        link_.commandTimer().setInterval(wait + kEthernetTimerSlackMs);
    ctx_.clock.sleep(kBeforeFirstAttemptMs);
    ctx_.pump();

    if (!link_.SendCOMCmd_GetPrompt("\r")) {
        ctx_.show_status("Waiting for prompt........");
        ctx_.clock.sleep(kBeforeSecondAttemptMs);
        ctx_.pump();
        if (!link_.SendCOMCmd_GetPrompt("\r"))
            lastPromptAttempt();
    }
    link_.commandTimer().setInterval(kCommandTimerAfterWaitMs);
}

void Uploader::lastPromptAttempt() {
    LoaderState& s = ctx_.state;
    if (link_.ethernetActive())
        ctx_.clock.sleep(kEthernetBeforeThirdAttemptMs);
    s.promptWaitLimit = kPromptWaitTicks;
    const bool came = link_.SendCOMCmd_GetPrompt("\r");
    s.promptWaitLimit = kPromptWaitTicks;
    if (came)
        return;
    ctx_.showError("Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script.");
    if (!link_.anyLinkUp())
        ctx_.showError("Error! Communications lost.");
    ctx_.progress.cancelRequested = 1;
}

void Uploader::send_file_blocks() {
    LoaderState& s = ctx_.state;
    std::ifstream file;
    if (!openImage(file))
        return;
    // The size is taken anew; without it the blocks would be cut by a stale size.
    if (get_file_checksum(ctx_) != 1) {
        ctx_.progress.cancelRequested = 1;
        return;
    }
    if (s.image.size <= 0)
        return;
    std::array<char, kRawBlockSize> buffer;
    if (s.image.size <= kRawBlockSize) {
        if (readBlock(file, buffer.data(), s.image.size))
            link_.SendByte(s.image.size, buffer.data());
        return;
    }
    const std::int32_t blocks = s.image.size / kRawBlockSize;
    const int rest = s.image.size - blocks * kRawBlockSize;
    for (std::int32_t block = 0; block < blocks; ++block) {
        if (!readBlock(file, buffer.data(), kRawBlockSize))
            return;
        link_.SendByte(kRawBlockSize, buffer.data());
        ctx_.pump();
    }
    if (!readBlock(file, buffer.data(), rest))
        return;
    ctx_.pump();
    link_.SendByte(rest, buffer.data());
}

} // namespace zarvex
