// The two exchanges with the unit (send and await the prompt; send and collect the
// reply), the command timer that bounds them and the Ethernet keep-alive.

#include "link/link.h"

namespace zarvex {

Link::Link(Context& ctx)
    : ctx_(ctx), commandTimer_(ctx.clock.createTimer(kCommandTimerMs, false)),
      keepAliveTimer_(ctx.clock.createTimer(kKeepAliveMs, true)) {
    commandTimer_->onTimer = [this] { CommandTimerTimer(); };
    keepAliveTimer_->onTimer = [this] { CCHECKTimer1Timer(); };
    // A notification larger than the reply buffer leaves bytes behind; offer them again
    // as the next notification while the collection still wants them.
    ctx_.port.onTriggerAvail = [this](int count) {
        for (;;) {
            const int before = ctx_.port.inBuffUsed();
            ApdComPort1TriggerAvail(count);
            count = ctx_.port.inBuffUsed();
            if (count == 0 || count == before || !ctx_.state.waitingForReply)
                return;
        }
    };
    ctx_.socket.onRead = [this] {
        for (int left = ctx_.socket.receiveLength(); left > 0;) {
            ClientSocket1Read();
            const int now = ctx_.socket.receiveLength();
            if (now >= left)
                return;
            left = now;
        }
    };
}

void Link::send_command() {
    if (anyLinkUp())
        SendString(ctx_.state.commandText.view());
}

void Link::query_unit(std::int32_t limit) {
    LoaderState& s = ctx_.state;
    const bool ethernetAtStart = ethernetActive();
    if (!serialOpen() && !ethernetAtStart)
        return;
    s.waitingForReply = false;
    s.replyTimedOut = false;
    s.replyBuffer.clear();
    s.replyLength = 0;
    if (serialOpen())
        ctx_.port.flushInBuffer();
    commandTimer_->setEnabled(true);
    s.waitingForReply = true;
    SendString(s.commandText.view());
    ctx_.clock.sleep(200);
    if (serialOpen())
        ctx_.port.flushInBuffer(); // drops the unit's echo of the command text
    SendString(serialOpen() ? "\r" : "\r\n");

    // A limit of 0 or less never ends the wait by count; the command timer does.
    for (std::int32_t passes = 0; s.waitingForReply && !s.replyTimedOut;) {
        if (ethernetAtStart && !ethernetActive()) {
            s.waitingForReply = false;
            s.replyTimedOut = true;
            break;
        }
        ctx_.pump();
        ctx_.clock.sleep(1);
        if (++passes == limit) {
            s.waitingForReply = false;
            s.replyTimedOut = true;
            break;
        }
    }
    commandTimer_->setEnabled(false);
}

bool Link::SendCOMCmd_GetPrompt(std::string_view text) {
    LoaderState& s = ctx_.state;
    if (serialOpen()) {
        SerialPort& port = ctx_.port;
        port.flushInBuffer();
        SendString(text);
        const int ticks = s.probing == 1 ? kProbeTicks : s.promptWaitLimit;
        const bool came = port.waitForString(std::string(1, s.awaitedPrompt), ticks);
        port.flushInBuffer();
        port.flushOutBuffer();
        return came;
    }
    if (!ethernetActive() && connectEthernet)
        connectEthernet();
    if (!ethernetActive())
        return false;
    s.commandText.assign(text.substr(0, decltype(s.commandText)::maxLength));
    s.minReplyLength = 0;
    query_unit(s.probing == 1 ? kProbePasses : kPromptPasses);
    ctx_.pump();
    ctx_.clock.sleep(100);
    ctx_.pump();
    const bool came = !s.replyTimedOut;
    ctx_.pump();
    return came;
}

void Link::CommandTimerTimer() {
    LoaderState& s = ctx_.state;
    commandTimer_->setEnabled(false);
    if (ethernetActive() && !s.tryEnetAgain && retryEthernet) {
        s.SetTryEnetAgainFlag(true);
        retryEthernet();
        return;
    }
    ctx_.progress.cancelRequested = 1;
    ctx_.showError(
        "Timeout error! Connection failure! Please check RS232/Ethernet connection. Exiting script.");
    s.replyTimedOut = true;
    ctx_.pump();
}

void Link::CCHECKTimer1Timer() {
    if (ethernetActive() && ctx_.state.probing == 0 && ctx_.state.keepAliveAllowed)
        SendString("\r\n");
}

} // namespace zarvex
