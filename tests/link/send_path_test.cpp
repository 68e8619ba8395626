// Sending texts and paced image blocks over the serial and the Ethernet link.

#include "support/rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kOverflow = "Error! Communications Port Output Buffer Overflow";

TEST(SendString, SerialNeedsMoreFreeSpaceThanTheText) {
    struct Case {
        int freeSpace;
        bool sent;
    };
    for (Case c : {Case{5, false}, Case{6, true}, Case{0, false}}) {
        Rig rig;
        rig.openSerial(1, nullptr);
        rig.port.forcedFree = c.freeSpace;
        rig.link.SendString("LOADR");
        EXPECT_EQ(rig.port.written, c.sent ? "LOADR" : "") << c.freeSpace;
        EXPECT_EQ(rig.op.messages, c.sent ? std::vector<std::string>{} : std::vector{kOverflow});
        EXPECT_EQ(rig.progress.cancelRequested, 0);
    }
}

TEST(SendString, SerialTakesPrecedenceAndNoLinkSendsNothing) {
    Rig rig;
    rig.link.SendString("x");
    rig.link.SendByte(3, "abc");
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_TRUE(rig.port.written.empty());

    rig.connectEthernet(3000, nullptr);
    rig.link.SendString("eth");
    EXPECT_EQ(rig.socket.written, "eth");
    rig.openSerial(2, nullptr);
    rig.link.SendString("ser");
    EXPECT_EQ(rig.port.written, "ser");
    EXPECT_EQ(rig.socket.written, "eth");
}

TEST(SendByte, SerialBlockEqualToFreeSpaceIsSentAndLeavesCommandTimerOff) {
    Rig rig;
    rig.openSerial(1, nullptr);
    rig.port.forcedFree = 2000;
    rig.link.commandTimer().setEnabled(true);
    const std::string block(2000, 'z');
    rig.link.SendByte(2000, block.data());
    EXPECT_EQ(rig.port.blockSizes, std::vector<int>{2000});
    EXPECT_FALSE(rig.link.commandTimer().enabled());
    EXPECT_EQ(rig.progress.cancelRequested, 0);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(SendByte, SerialFailuresShowTheirMessageAndCancelAfterExactPassCounts) {
    struct Case {
        const char* name;
        std::function<void(FakeSerialPort&)> setup;
        std::string message;
        long passes;
        bool handedOver;
    };
    const std::vector<Case> cases = {
        {"too little room", [](FakeSerialPort& p) { p.forcedFree = 1999; },
         "Error! Communications Port Output Buffer Overflow. Cancel upload.", 0, false},
        {"line never drains", [](FakeSerialPort& p) { p.outputStuck = true; },
         "Error! Output Buffer never empties. Check RS232 connection. Cancel upload.", 15000, true},
        {"CTS low holds the output", [](FakeSerialPort& p) { p.ctsLow = true; },
         "Error! Output Buffer never empties. Check RS232 connection. Cancel upload.", 15000, true},
        {"CTS drops after the drain",
         [](FakeSerialPort& p) {
             p.ctsLow = true;
             p.ctsHoldsOutput = false;
         },
         "Error! CTS line not set. Check RS232 connection. Cancel upload.", 5000, true},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.openSerial(1, nullptr);
        c.setup(rig.port);
        const std::string block(2000, 'a');
        rig.link.SendByte(2000, block.data());
        EXPECT_EQ(rig.op.messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(rig.progress.cancelRequested, 1) << c.name;
        EXPECT_EQ(rig.clock.oneMsSleeps, c.passes) << c.name;
        EXPECT_EQ(rig.port.blockSizes.size(), c.handedOver ? 1u : 0u) << c.name;
    }
}

TEST(SendByte, SerialWaitsUntilTheBlockHasLeftThePort) {
    Rig rig;
    rig.openSerial(1, nullptr);
    rig.port.drainBytesPerMs = 11.52; // 115200 baud, 8N1
    const std::string block(2000, 'b');
    rig.link.SendByte(2000, block.data());
    EXPECT_EQ(rig.port.outBuffUsed(), 0);
    EXPECT_NEAR(double(rig.clock.nowMs()), 2000 / 11.52, 2.0);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(SendByte, EthernetSendsTheWholeBlockWhateverTheSocketTakesPerCall) {
    struct Case {
        int wouldBlock;
        int maxTake;
    };
    for (Case c : {Case{0, 0}, Case{3, 0}, Case{0, 700}, Case{2, 1}}) {
        Rig rig;
        rig.connectEthernet(3000, nullptr);
        rig.socket.wouldBlockCalls = c.wouldBlock;
        rig.socket.maxTakePerCall = c.maxTake;
        std::string block(2000, '\0');
        for (int i = 0; i < 2000; ++i)
            block[i] = char(i * 7);
        rig.link.SendByte(2000, block.data());
        EXPECT_EQ(rig.socket.written, block) << c.wouldBlock << "/" << c.maxTake;
        EXPECT_EQ(rig.progress.cancelRequested, 0);
    }
}

TEST(SendByte, EthernetStopsWhenTheSocketClosesWhileBlocked) {
    Rig rig;
    rig.connectEthernet(3000, nullptr);
    rig.socket.wouldBlockCalls = 1000000;
    int pumps = 0;
    rig.clock.onPump.push_back([&] {
        if (++pumps == 50)
            rig.socket.close();
    });
    const std::string block(100, 'q');
    rig.link.SendByte(100, block.data());
    EXPECT_FALSE(rig.socket.active());
    EXPECT_LT(pumps, 100);
}

} // namespace
