#pragma once
// The one record of state shared by the script engine, the link, the upload, start-up
// and the windows. Every part reads and writes it directly; it lives as long as the
// program and starts from the values below on every start.

#include "engine/fixed_text.h"

#include <array>
#include <cstdint>
#include <string>

namespace zarvex {

// The image file that the load commands describe and the upload sends.
struct ImageRecord {
    FixedText<300> fileName;
    FixedText<50> loadAddress;
    FixedText<90> versionText;
    std::uint32_t checksum = 0; // 16-bit byte sum, upper half always zero
    std::int32_t size = 0;
};

struct LoaderState {
    static constexpr int kScriptRows = 300;
    static constexpr int kScriptColumns = 210;
    static constexpr int kReplyCapacity = 1001;
    // A reply that would reach this index restarts at the start of the buffer.
    static constexpr int kReplyRestartIndex = 1000;

    // Text buffers and the script line table.
    FixedText<400> commandText;
    FixedText<400> dialogText;
    std::string messageText;
    std::string scriptPath;
    std::array<std::array<char, kScriptColumns>, kScriptRows> scriptLines{};
    std::int32_t lineIndex = 0;
    std::int32_t columnIndex = 0;
    FixedText<1000> lastReply;
    FixedText<kReplyCapacity> replyBuffer;
    std::int32_t replyLength = 0;
    FixedText<200> autoScriptPath;

    // Prompts and the unit's command words.
    char normalPrompt = '#';
    char loaderPrompt = '>';
    char awaitedPrompt = '\0';
    std::string loaderEntryCommand = "LOADR\r\n";
    std::string loadCommandWord = "LF";

    // Limits and reply control.
    std::int32_t promptWaitLimit = 400; // ticks of 55 ms
    std::int32_t minReplyLength = 0;
    std::int32_t postUploadPause = 4000; // ms

    // Flags.
    bool waitingForReply = false;
    bool replyTimedOut = false;
    bool finishRequested = false;
    bool questionAsked = false;
    bool questionConfirmed = false;
    bool imageNamed = false;
    bool imageSummed = false;
    bool imageDescribed = false;
    char terminalDuringUpload = 1; // a character: NUL disables the terminal during uploads
    bool scriptUpload = false;
    bool uploadFinished = true;
    bool tryEnetAgain = false;
    std::int32_t probing = 0;
    bool userDisconnected = false;
    bool inSocketError = false;
    bool keepAliveAllowed = true;
    bool automaticMode = false;
    bool skipPortSearch = false;

    // Link choice.
    std::int32_t linkKind = -1; // -1 none yet, 0 serial, 1 Ethernet
    std::int32_t lastComPort = 0;
    std::int32_t configuredComPort = 0;

    ImageRecord image;
    std::int32_t blockCount = 0; // whole 2000-byte blocks of the current upload

    void set_prompt(char prompt) { awaitedPrompt = prompt; }
    void SetTryEnetAgainFlag(bool flag) { tryEnetAgain = flag; }

    // Row access for the script line table; callers keep indexes in range.
    char* row(int index) { return scriptLines.at(static_cast<std::size_t>(index)).data(); }
    void clearScriptTable() {
        for (auto& r : scriptLines)
            r.fill('\0');
        lineIndex = 0;
        columnIndex = 0;
    }
};

} // namespace zarvex
