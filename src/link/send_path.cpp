// Putting bytes on the link: texts go out at once, image blocks are paced by the line.

#include "link/link.h"

namespace zarvex {

void Link::SendString(std::string_view text) {
    if (serialOpen()) {
        // Free space equal to the text's length counts as too little.
        if (ctx_.port.outBuffFree() > static_cast<int>(text.size()))
            ctx_.port.putString(text);
        else
            ctx_.showError("Error! Communications Port Output Buffer Overflow");
    } else if (ethernetActive()) {
        ctx_.socket.sendText(text);
    }
}

void Link::SendByte(std::int32_t count, const char* data) {
    if (count < 0)
        count = 0;
    if (serialOpen()) {
        SerialPort& port = ctx_.port;
        if (port.outBuffFree() < count) {
            ctx_.showError("Error! Communications Port Output Buffer Overflow. Cancel upload.");
            ctx_.progress.cancelRequested = 1;
            return;
        }
        commandTimer_->setEnabled(true);
        port.putBlock(data, count);
        commandTimer_->setEnabled(false);

        // The block has left the port when nothing is queued for the line any more.
        for (int passes = 0; port.outBuffUsed() != 0;) {
            ctx_.pump();
            ctx_.clock.sleep(1);
            if (++passes == kDrainPassLimit) {
                ctx_.showError("Error! Output Buffer never empties. Check RS232 connection. Cancel upload.");
                ctx_.progress.cancelRequested = 1;
                return;
            }
        }
        for (int passes = 0; !port.cts();) {
            ctx_.pump();
            ctx_.clock.sleep(1);
            if (++passes == kCtsPassLimit) {
                ctx_.showError("Error! CTS line not set. Check RS232 connection. Cancel upload.");
                ctx_.progress.cancelRequested = 1;
                return;
            }
        }
        port.flushOutBuffer();
    } else if (ethernetActive()) {
        ctx_.clock.sleep(1);
        // The whole block goes out: a socket that takes only part of it gets the rest
        // on the following passes, so an image never arrives short.
        int sent = 0;
        while (sent < count) {
            const int taken = ctx_.socket.sendBuf(data + sent, count - sent);
            if (taken > 0) {
                sent += taken;
                continue;
            }
            if (taken != -1 && !ctx_.socket.active())
                break; // closed: the error handler reports it
            ctx_.clock.sleep(1);
            ctx_.pump();
            if (!ctx_.socket.active())
                break;
        }
        ctx_.pump();
        ctx_.clock.sleep(1);
        ctx_.pump();
    }
}

} // namespace zarvex
