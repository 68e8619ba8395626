// Collecting the unit's reply up to its prompt, and showing what the unit sends over
// Ethernet while no reply is awaited.

#include "link/link.h"

#include <algorithm>
#include <array>

namespace zarvex {

bool Link::isReplyPrompt(char c, bool anyPrompt) const {
    const LoaderState& s = ctx_.state;
    return anyPrompt ? (c == s.normalPrompt || c == s.loaderPrompt) : c == s.awaitedPrompt;
}

void Link::collectReply(const char* bytes, int count, bool anyPrompt) {
    LoaderState& s = ctx_.state;
    auto& buf = s.replyBuffer.raw();
    const int start = s.replyLength;
    std::copy_n(bytes, count, buf.begin() + start);
    // Keep the collected text terminated at its own end, so a reply cut off by a
    // time-out never runs on into what an earlier, longer reply left behind.
    buf[std::size_t(start + count)] = '\0';
    for (int i = start; i < start + count; ++i) {
        if (isReplyPrompt(buf[std::size_t(i)], anyPrompt) && s.replyLength >= s.minReplyLength) {
            // The NUL lands on the last byte of the block that carried the prompt.
            buf[std::size_t(start + count - 1)] = '\0';
            s.replyLength = 0;
            s.waitingForReply = false;
            return;
        }
        ++s.replyLength;
    }
}

void Link::ApdComPort1TriggerAvail(int count) {
    LoaderState& s = ctx_.state;
    if (!s.waitingForReply)
        return; // the bytes stay with the port and its terminal
    if (s.replyLength + count >= LoaderState::kReplyRestartIndex)
        s.replyLength = 0;
    // Never take more than the buffer holds; the rest waits for the next notification.
    const int room = LoaderState::kReplyRestartIndex - s.replyLength;
    std::array<char, LoaderState::kReplyRestartIndex> block{};
    const int taken = ctx_.port.getBlock(block.data(), std::min(count, room));
    collectReply(block.data(), taken, true);
}

void Link::ClientSocket1Read() {
    LoaderState& s = ctx_.state;
    ClientSocket& socket = ctx_.socket;
    int waiting = socket.receiveLength();
    if (waiting <= 0)
        return;
    if (s.waitingForReply) {
        if (s.replyLength + waiting >= LoaderState::kReplyRestartIndex)
            s.replyLength = 0;
        if (!socket.active())
            return;
        const int room = LoaderState::kReplyRestartIndex - s.replyLength;
        std::array<char, LoaderState::kReplyRestartIndex> block{};
        const int taken = socket.receiveBuf(block.data(), std::min(waiting, room));
        collectReply(block.data(), std::max(taken, 0), false);
        waiting = socket.receiveLength(); // bytes after the prompt are shown below
    }
    if (!s.waitingForReply && waiting > 0) {
        if (!socket.active())
            return;
        std::array<char, kDisplayBufferSize> display{};
        const int taken = socket.receiveBuf(display.data(), std::min(waiting, kDisplayBufferSize - 1));
        if (taken <= 0)
            return;
        const std::string_view block(display.data(), std::size_t(taken));
        ctx_.view.terminalWrite(block.substr(0, block.find('\0')));
        // The unit's echoed backspace erases the character on the screen.
        for (char c : block)
            if (c == '\b')
                ctx_.view.terminalWrite(" \b");
    }
}

} // namespace zarvex
