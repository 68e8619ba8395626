#pragma once
// The transfer of the current image file to the unit: the paced upload in 2000-byte
// blocks with the progress window, the pause and the wait for the loader prompt, and
// the plain send in 4000-byte blocks. The file is read block by block, never whole.

#include "engine/context.h"
#include "link/link.h"

#include <cstdint>
#include <iosfwd>

namespace zarvex {

class Uploader {
public:
    static constexpr int kBlockSize = 2000;
    static constexpr int kRawBlockSize = 4000;

    Uploader(Context& ctx, Link& link);

    void UploadButtonClick();
    void send_file_blocks();

    // W of the wait for the prompt after an upload, in milliseconds: the unit needs
    // longer to check a larger image.
    static int promptWaitMs(std::int32_t size);

private:
    bool openImage(std::ifstream& file);
    // Reads exactly `count` bytes; otherwise stops the run with a message naming the file.
    bool readBlock(std::ifstream& file, char* buffer, int count);
    // True (with a message, and the run stopped) when the link that was up has gone.
    bool linkLostSince(bool linkWasUp);
    bool sendBlock(std::ifstream& file, int count, bool linkWasUp);
    void transferBlocks(std::ifstream& file, int remainder);
    void waitForLoaderPrompt();
    void lastPromptAttempt();

    Context& ctx_;
    Link& link_;
};

} // namespace zarvex
