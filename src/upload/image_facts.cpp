// Size, byte sum and date stamp of the current image file.

#include "upload/image_facts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

namespace zarvex {

namespace {

// Large enough that the pass runs at the speed of the page cache, small enough to
// never matter for memory.
constexpr std::size_t kChunkSize = 256 * 1024;

// The 16-bit additive checksum only needs the byte sum modulo 65536. The bytes are added
// eight at a time in 16-bit lanes of a 64-bit word (each lane takes at most 2 x 255 per
// word, so 128 words fit before a lane could overflow): the pass then costs little more
// than reading the file.
std::uint32_t byteSum(const unsigned char* bytes, std::size_t count) {
    constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
    constexpr std::uint64_t kEvenLanes = 0x0000FFFF0000FFFFull;
    constexpr std::size_t kWordsPerRound = 128;
    std::uint64_t total = 0;
    std::size_t i = 0;
    while (count - i >= sizeof(std::uint64_t)) {
        const std::size_t words = std::min((count - i) / sizeof(std::uint64_t), kWordsPerRound);
        std::uint64_t lanes = 0;
        for (std::size_t w = 0; w < words; ++w) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i + w * sizeof word, sizeof word);
            lanes += (word & kEvenBytes) + ((word >> 8) & kEvenBytes);
        }
        i += words * sizeof(std::uint64_t);
        lanes = (lanes & kEvenLanes) + ((lanes >> 16) & kEvenLanes);
        total += (lanes & 0xFFFFFFFFu) + (lanes >> 32);
    }
    for (; i < count; ++i)
        total += bytes[i];
    return static_cast<std::uint32_t>(total);
}

struct SumResult {
    std::uint32_t sum = 0;
    std::uint64_t count = 0;
    bool readError = false;
};

constexpr std::uint64_t kMaxImageSize = std::numeric_limits<std::int32_t>::max();

QFileInfo infoOf(const std::string& name) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(name)));
}

SumResult sumStream(std::ifstream& file) {
    SumResult result;
    auto chunk = std::make_unique<std::array<char, kChunkSize>>();
    while (file) {
        file.read(chunk->data(), chunk->size());
        const auto got = static_cast<std::size_t>(file.gcount());
        result.sum += byteSum(reinterpret_cast<const unsigned char*>(chunk->data()), got);
        result.count += got;
        if (file.bad()) {
            // The stream stops at a failed read; reading on would fail again.
            result.readError = true;
            break;
        }
    }
    return result;
}

} // namespace

int get_file_checksum(Context& ctx) {
    ImageRecord& image = ctx.state.image;
    const std::string name = image.fileName.str();
    std::ifstream file(name, std::ios::binary);
    if (!file.is_open()) {
        ctx.showError("Error opening file " + name + ". Unable to get file checksum");
        return 0;
    }
    // The size travels as a signed 32-bit number in the header and the block count. A
    // file known to be larger is refused before it is read; one that grows while it is
    // read is caught by the count.
    const std::string tooLarge =
        "Error! File " + name + " is larger than 2147483647 bytes. Unable to get file checksum";
    const QFileInfo info = infoOf(name);
    if (info.isFile() && std::uint64_t(info.size()) > kMaxImageSize) {
        ctx.showError(tooLarge);
        return 0;
    }
    const SumResult result = sumStream(file);
    if (result.readError) {
        ctx.showError("Error reading file " + name + ". Unable to get file checksum");
        return 0;
    }
    if (result.count > kMaxImageSize) {
        ctx.showError(tooLarge);
        return 0;
    }
    image.checksum = result.sum & 0xFFFFu;
    image.size = static_cast<std::int32_t>(result.count);
    return 1;
}

int get_date(Context& ctx) {
    ImageRecord& image = ctx.state.image;
    const std::string name = image.fileName.str();
    const QDateTime modified = infoOf(name).lastModified();
    // A file that went away between the two looks has no time to show either.
    if (!std::ifstream(name, std::ios::binary).is_open() || !modified.isValid()) {
        ctx.showError("Error opening file " + name);
        return 0;
    }
    const QDate date = modified.date();
    const QTime time = modified.time();
    std::tm local{};
    local.tm_year = date.year() - 1900;
    local.tm_mon = date.month() - 1;
    local.tm_mday = date.day();
    local.tm_hour = time.hour();
    local.tm_min = time.minute();
    local.tm_sec = time.second();
    image.versionText.assign(dateStampText(local));
    return 1;
}

std::string dateStampText(const std::tm& local) {
    // The stamp keeps the two-second grid of the packed file time.
    const int seconds = local.tm_sec - local.tm_sec % 2;
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%d/%d/%d_%d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, seconds);
    return text.data();
}

} // namespace zarvex
