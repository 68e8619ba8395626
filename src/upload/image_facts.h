#pragma once
// Facts of the image file named in the image record: its size and 16-bit byte sum, and
// the date stamp text of its last modification.

#include "engine/context.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace zarvex {

// Sets image.size and image.checksum; 1 on success, 0 (with a message) when the file
// cannot be opened or read.
int get_file_checksum(Context& ctx);
// Replaces image.versionText by the file's date stamp; 1 on success, 0 with a message.
int get_date(Context& ctx);
// The date stamp text of a local time, seconds brought down to even: 3/7/2006_9:05:08.
std::string dateStampText(const std::tm& local);

} // namespace zarvex
