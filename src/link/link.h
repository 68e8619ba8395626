#pragma once
// The exchange with the unit over whichever link is up: the send path (SendString,
// SendByte), the two receive handlers that collect a reply up to the prompt, the prompt
// exchanges, the command timer that bounds an exchange and the Ethernet keep-alive.

#include "engine/context.h"

#include <functional>
#include <memory>
#include <string_view>

namespace zarvex {

class Link {
public:
    static constexpr int kCommandTimerMs = 15000;
    static constexpr int kKeepAliveMs = 6010;
    static constexpr int kDrainPassLimit = 15000;
    static constexpr int kCtsPassLimit = 5000;
    static constexpr int kProbeTicks = 8;
    static constexpr int kProbePasses = 280;
    static constexpr int kPromptPasses = 6000;
    static constexpr int kDisplayBufferSize = 1024;

    explicit Link(Context& ctx);

    // --- send path ---
    void SendString(std::string_view text);
    void SendByte(std::int32_t count, const char* data);

    // --- receive path and prompt exchange ---
    void send_command();
    void query_unit(std::int32_t limit);
    bool SendCOMCmd_GetPrompt(std::string_view text);
    void ApdComPort1TriggerAvail(int count);
    void ClientSocket1Read();
    void CommandTimerTimer();
    void CCHECKTimer1Timer();

    bool serialOpen() const { return ctx_.port.isOpen(); }
    bool ethernetActive() const { return ctx_.socket.active(); }
    bool anyLinkUp() const { return serialOpen() || ethernetActive(); }

    Timer& commandTimer() { return *commandTimer_; }
    Timer& keepAliveTimer() { return *keepAliveTimer_; }

    // Seams to the Ethernet link, wired when it exists: the dialog's Connect operation
    // (used when an exchange finds no link) and the reconnect-and-resend after a command
    // timeout. Until wired, an exchange without a link simply fails.
    std::function<void()> connectEthernet;
    std::function<int()> retryEthernet;

private:
    // Stores a received block at replyLength, scans it for a prompt and ends the reply.
    void collectReply(const char* bytes, int count, bool anyPrompt);
    bool isReplyPrompt(char c, bool anyPrompt) const;

    Context& ctx_;
    std::unique_ptr<Timer> commandTimer_;
    std::unique_ptr<Timer> keepAliveTimer_;
};

} // namespace zarvex
