#pragma once
// The load commands of a script: name an image (_LF), give its load address (_LA, which
// takes size and checksum), its version or date stamp (_LV), and send it (_LD) with a
// load header and the paced upload, or raw when the chain is not armed. _LC changes the
// header's first word and _LP the pause after an upload.

#include "engine/context.h"
#include "link/link.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvex {

class Uploader;

class LoadCommands {
public:
    LoadCommands(Context& ctx, Link& link, Uploader& uploader);

    // `line` is the whole working line of the command, from its "_" on.
    void LP(std::string_view line);
    void LC(std::string_view line);
    void LF(std::string_view line);
    void LA(std::string_view line); // the dispatcher calls it only while imageNamed
    void LV(std::string_view line); // the dispatcher calls it only while imageSummed
    // 1 go on, 0 stop the script.
    int LD();

private:
    // An argument that does not fit the image record is refused, never cut: the script
    // stops, since a cut name or address would describe another image.
    void refuseTooLong(const std::string& what, std::size_t maxLength);
    // The unit shows a prompt, the awaited one or else the loader prompt.
    bool unitShowsPrompt();

    Context& ctx_;
    Link& link_;
    Uploader& uploader_;
};

} // namespace zarvex
