// Collecting replies up to the prompt, the prompt exchanges, the command timer and the
// keep-alive.

#include "support/rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// A unit that answers every line end with a fixed text, in one block.
Peer answering(std::string reply) {
    return [reply](std::string_view bytes) {
        return bytes.find('\r') != std::string_view::npos ? reply : std::string();
    };
}

std::string replyText(Rig& rig) {
    return rig.state.replyBuffer.str();
}

struct ScanCase {
    const char* name;
    std::string block;
    int minReplyLength;
    bool ethernet;
    char awaited;
    bool ended;
    std::string text; // replyBuffer text when ended
};

TEST(ReplyCollection, PromptScansOnBothLinks) {
    const std::vector<ScanCase> cases = {
        {"prompt last in block", "\r\n2.06\r\n>", 3, false, '>', true, "\r\n2.06\r\n"},
        {"one byte after the prompt", "2.06> ", 3, false, '>', true, "2.06>"},
        {"serial: either prompt ends it", "abcde#xyz", 3, false, '>', true, "abcde#xy"},
        {"ethernet: only the awaited one", "abcde#xyz", 3, true, '>', false, ""},
        {"ethernet: awaited prompt", "abcde>", 3, true, '>', true, "abcde"},
        {"prompt below the minimum stays", "ab#cdefghijk>", 10, false, '>', true, "ab#cdefghijk"},
        {"prompt at the minimum ends it", "0123456789#", 10, false, '>', true, "0123456789"},
    };
    for (const ScanCase& c : cases) {
        Rig rig;
        rig.state.awaitedPrompt = c.awaited;
        rig.state.commandText.assign("VER");
        if (c.ethernet)
            rig.connectEthernet(3000, answering(c.block));
        else
            rig.openSerial(1, answering(c.block));
        rig.state.minReplyLength = c.minReplyLength;
        rig.link.query_unit(2000);
        EXPECT_EQ(!rig.state.replyTimedOut, c.ended) << c.name;
        if (c.ended) {
            EXPECT_EQ(replyText(rig), c.text) << c.name;
        }
    }
}

TEST(ReplyCollection, SerialQuerySendsTextThenLineEndAndDropsTheEcho) {
    Rig rig;
    rig.openSerial(1, [](std::string_view b) {
        std::string out(b); // echo
        if (b.find('\r') != std::string_view::npos)
            out += "\r\n2.06\r\n>";
        return out;
    });
    rig.state.commandText.assign("VER ");
    rig.state.minReplyLength = 3;
    rig.link.query_unit(2000);
    EXPECT_EQ(rig.port.written, "VER \r");
    EXPECT_FALSE(rig.state.replyTimedOut);
    EXPECT_EQ(replyText(rig), "\r\r\n2.06\r\n");
    EXPECT_EQ(rig.clock.longSleeps, std::vector<int>{200});
    EXPECT_FALSE(rig.link.commandTimer().enabled());
}

TEST(ReplyCollection, EthernetQueryEndsWithCrLf) {
    Rig rig;
    rig.connectEthernet(3000, answering("\r\nok\r\n>"));
    rig.state.awaitedPrompt = '>';
    rig.state.commandText.assign("STAT");
    rig.link.query_unit(2000);
    EXPECT_EQ(rig.socket.written, "STAT\r\n");
    EXPECT_EQ(replyText(rig), "\r\nok\r\n");
}

TEST(ReplyCollection, LongRepliesRestartAtTheStartAndNeverOverrun) {
    for (int size : {999, 1000, 1500, 5000, 100000}) {
        Rig rig;
        std::string reply(size, 'x');
        for (int i = 0; i < size; i += 97)
            reply[i] = char('a' + i % 26);
        rig.openSerial(1, answering(reply + ">"));
        rig.state.commandText.assign("DUMP");
        rig.state.minReplyLength = 10;
        rig.link.query_unit(2000);
        EXPECT_LE(rig.state.replyBuffer.length(), 1000u) << size;
        // Whatever survives is a piece of the reply; the prompt ends it only where it
        // lands at or beyond the minimum length after a restart.
        const std::string text = replyText(rig);
        EXPECT_NE((reply + ">").find(text), std::string::npos) << size;
        // The port keeps the last 8192 bytes; the reply restarts every 1000.
        const int kept = std::min(size + 1, SerialPort::kInBufferSize);
        EXPECT_EQ(rig.state.replyTimedOut, (kept - 1) % 1000 < 10) << size;
    }
}

TEST(ReplyCollection, ACutOffReplyDoesNotRunIntoAnEarlierLongerOne) {
    Rig rig;
    std::string next = std::string(600, 'L') + ">";
    rig.openSerial(
        1, [&](std::string_view b) { return b.find('\r') != std::string_view::npos ? next : std::string(); });
    rig.state.commandText.assign("A");
    rig.state.minReplyLength = 10;
    rig.link.query_unit(2000);
    ASSERT_EQ(replyText(rig), std::string(600, 'L'));

    next = "short"; // no prompt: the wait runs out
    rig.link.query_unit(2000);
    EXPECT_TRUE(rig.state.replyTimedOut);
    EXPECT_EQ(replyText(rig), "short");
}

TEST(ReplyCollection, BinaryRepliesAreTakenSafely) {
    std::string reply;
    for (int i = 0; i < 4096; ++i)
        reply += char(i & 0xFF);
    Rig rig;
    rig.openSerial(1, answering(reply));
    rig.state.commandText.assign("BIN");
    rig.state.minReplyLength = 10;
    rig.link.query_unit(500);
    EXPECT_LE(rig.state.replyBuffer.length(), 1000u);

    Rig eth;
    eth.connectEthernet(3000, answering(reply + ">"));
    eth.state.awaitedPrompt = '>';
    eth.state.commandText.assign("BIN");
    eth.link.query_unit(500);
    EXPECT_LE(eth.state.replyBuffer.length(), 1000u);
}

TEST(QueryUnit, WithoutALinkSendsNothingAndChangesNoFlag) {
    Rig rig;
    rig.state.replyTimedOut = true;
    rig.state.commandText.assign("VER");
    rig.link.query_unit(2000);
    EXPECT_TRUE(rig.state.replyTimedOut);
    EXPECT_FALSE(rig.state.waitingForReply);
    EXPECT_EQ(rig.clock.sleepCalls, 0);
}

TEST(QueryUnit, PassLimitsAreCountedExactly) {
    for (int limit : {1, 280, 2000, 6000}) {
        Rig rig;
        rig.openSerial(1, nullptr);
        rig.state.commandText.assign("X");
        rig.link.query_unit(limit);
        EXPECT_TRUE(rig.state.replyTimedOut);
        EXPECT_FALSE(rig.state.waitingForReply);
        EXPECT_EQ(rig.clock.oneMsSleeps, limit);
    }
}

TEST(QueryUnit, EthernetLinkLostDuringTheWaitEndsIt) {
    Rig rig;
    rig.connectEthernet(3000, nullptr);
    rig.state.commandText.assign("X");
    int pumps = 0;
    rig.clock.onPump.push_back([&] {
        if (++pumps == 30)
            rig.socket.peerCloses();
    });
    rig.link.query_unit(6000);
    EXPECT_TRUE(rig.state.replyTimedOut);
    EXPECT_FALSE(rig.state.waitingForReply);
    EXPECT_LT(rig.clock.oneMsSleeps, 100);
}

TEST(CommandTimer, SerialTimeoutCancelsTheScriptAndLeavesTheCollectionOn) {
    Rig rig;
    rig.openSerial(1, nullptr);
    rig.state.commandText.assign("X");
    rig.link.query_unit(0); // only the timer can end it
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Timeout error! Connection failure! Please check "
                                                        "RS232/Ethernet connection. Exiting script."});
    EXPECT_EQ(rig.state.messageText, rig.op.messages[0]);
    EXPECT_EQ(rig.progress.cancelRequested, 1);
    EXPECT_TRUE(rig.state.replyTimedOut);
    EXPECT_TRUE(rig.state.waitingForReply);
    EXPECT_EQ(rig.clock.nowMs(), 15000 + 1); // fires at the first pump after 15 s
}

TEST(CommandTimer, EthernetTimeoutRetriesOnceThroughTheSeam) {
    Rig rig;
    rig.connectEthernet(3000, nullptr);
    int retries = 0;
    rig.link.retryEthernet = [&] {
        ++retries;
        return 1;
    };
    rig.link.CommandTimerTimer();
    EXPECT_EQ(retries, 1);
    EXPECT_TRUE(rig.state.tryEnetAgain);
    EXPECT_EQ(rig.progress.cancelRequested, 0);
    rig.link.CommandTimerTimer(); // the retry is spent: this one stops the script
    EXPECT_EQ(retries, 1);
    EXPECT_EQ(rig.progress.cancelRequested, 1);
}

TEST(GetPrompt, SerialWaitsTheTickLimitOrTheProbeTicks) {
    struct Case {
        int probing;
        int limit;
        std::int64_t waitedMs;
    };
    for (Case c : {Case{1, 400, 8 * 55}, Case{0, 135, 135 * 55}, Case{0, 400, 400 * 55}}) {
        Rig rig;
        rig.openSerial(1, nullptr);
        rig.state.probing = c.probing;
        rig.state.promptWaitLimit = c.limit;
        rig.state.awaitedPrompt = '>';
        EXPECT_FALSE(rig.link.SendCOMCmd_GetPrompt("\r"));
        EXPECT_EQ(rig.clock.nowMs(), c.waitedMs);
        EXPECT_EQ(rig.port.written, "\r");
    }
}

TEST(GetPrompt, SerialSeesOnlyTheAwaitedPrompt) {
    Rig rig;
    rig.openSerial(1, answering("\r\n#"));
    rig.state.awaitedPrompt = '>';
    rig.state.probing = 1;
    EXPECT_FALSE(rig.link.SendCOMCmd_GetPrompt("\r"));
    rig.state.awaitedPrompt = '#';
    EXPECT_TRUE(rig.link.SendCOMCmd_GetPrompt("\r"));
    EXPECT_LT(rig.clock.nowMs(), 8 * 55 + 10);
}

TEST(GetPrompt, EthernetProbeIsCrThenCrLfWithPassLimits) {
    for (int probing : {0, 1}) {
        Rig rig;
        rig.connectEthernet(3000, nullptr);
        rig.state.probing = probing;
        rig.state.keepAliveAllowed = false;
        rig.state.awaitedPrompt = '>';
        const long before = rig.clock.oneMsSleeps;
        EXPECT_FALSE(rig.link.SendCOMCmd_GetPrompt("\r"));
        EXPECT_EQ(rig.socket.written, "\r\r\n");
        EXPECT_EQ(rig.state.minReplyLength, 0);
        EXPECT_EQ(rig.clock.oneMsSleeps - before, probing ? 280 : 6000);
    }
    Rig rig;
    rig.connectEthernet(3000, answering("\r\n>"));
    rig.state.awaitedPrompt = '>';
    EXPECT_TRUE(rig.link.SendCOMCmd_GetPrompt("\r"));
}

TEST(GetPrompt, NoLinkTriesTheEthernetConnectionAndFails) {
    Rig rig;
    int connects = 0;
    rig.link.connectEthernet = [&] { ++connects; };
    EXPECT_FALSE(rig.link.SendCOMCmd_GetPrompt("\r"));
    EXPECT_EQ(connects, 1);
}

TEST(EthernetDisplay, ShowsUnpromptedBytesAndErasesEchoedBackspaces) {
    Rig rig;
    rig.connectEthernet(3000, nullptr);
    rig.socket.unitSends("\b");
    rig.clock.processMessages();
    EXPECT_EQ(rig.view.terminal, "\b \b");
    rig.view.terminal.clear();
    rig.socket.unitSends("ab\bc");
    rig.clock.processMessages();
    EXPECT_EQ(rig.view.terminal, "ab\bc \b");
    rig.view.terminal.clear();
    const std::string big(5000, 'k');
    rig.socket.unitSends(big);
    rig.clock.processMessages();
    EXPECT_EQ(rig.view.terminal, big);
}

TEST(KeepAlive, SendsCrLfOnlyOnAnIdleEthernetLink) {
    struct Case {
        bool connected;
        int probing;
        bool allowed;
        bool sends;
    };
    for (Case c : {Case{true, 0, true, true}, Case{true, 1, true, false}, Case{true, 0, false, false},
                   Case{false, 0, true, false}}) {
        Rig rig;
        if (c.connected)
            rig.connectEthernet(3000, nullptr);
        rig.state.probing = c.probing;
        rig.state.keepAliveAllowed = c.allowed;
        rig.clock.advance(6010);
        rig.clock.processMessages();
        EXPECT_EQ(rig.socket.written, c.sends ? "\r\n" : "");
    }
}

} // namespace
