// Size and 16-bit byte sum of an image file, and its date stamp text.

#include "upload/image_facts.h"
#include "upload_rig.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

TEST(FileChecksum, SumsEveryByteUnsignedModulo65536) {
    struct Case {
        const char* name;
        std::string bytes;
        std::uint32_t checksum;
    };
    const std::vector<Case> cases = {
        {"empty", "", 0},
        {"one byte 0xFF counts 255, not -1", "\xFF", 0xFF},
        {"300 x 0xFF sum 76500", std::string(300, '\xFF'), 0x2AD4},
        {"65536 x 0x01 wraps to 0", std::string(65536, '\x01'), 0},
        {"1023 x 0xFF, a ragged tail", std::string(1023, '\xFF'), 0xFB01},
        {"1032 x 0xFF, past one round of word sums", std::string(1032, '\xFF'), 0x03F8},
        {"past several read chunks", std::string(262144, '\x01') + std::string(300, '\xFF'), 0x2AD4},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        ImageFiles files;
        rig.state.image.fileName.assign(files.write("image.bin", c.bytes));
        rig.state.image.checksum = 0x1234;
        rig.state.image.size = 77;
        EXPECT_EQ(get_file_checksum(rig.ctx), 1) << c.name;
        EXPECT_EQ(rig.state.image.checksum, c.checksum) << c.name;
        EXPECT_EQ(rig.state.image.size, std::int32_t(c.bytes.size())) << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
    }
}

TEST(FileChecksum, FailuresShowTheirMessageAndKeepTheOldFacts) {
    ImageFiles files;
    const std::string missing = files.path("no-such.bin");
    const std::string folder = files.path("a-folder");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    // One byte more than the header's signed 32-bit size can carry; sparse, so it costs
    // no disk.
    const std::string huge = files.write("huge.bin", "");
    ASSERT_TRUE(QFile::resize(QString::fromStdString(huge), 2147483648LL));
    struct Case {
        std::string file;
        std::string message;
    };
    // A folder opens but every read of it fails: the pass must end, not loop.
    const std::vector<Case> cases = {
        {missing, "Error opening file " + missing + ". Unable to get file checksum"},
        {folder, "Error reading file " + folder + ". Unable to get file checksum"},
        {huge, "Error! File " + huge + " is larger than 2147483647 bytes. Unable to get file checksum"},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        rig.state.image.fileName.assign(c.file);
        rig.state.image.checksum = 0x1234;
        rig.state.image.size = 77;
        EXPECT_EQ(get_file_checksum(rig.ctx), 0) << c.file;
        EXPECT_EQ(rig.op.messages, std::vector{c.message});
        EXPECT_EQ(rig.state.messageText, c.message);
        EXPECT_EQ(rig.state.image.checksum, 0x1234u);
        EXPECT_EQ(rig.state.image.size, 77);
    }
}

std::tm localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(DateStamp, TextHasNoLeadingZerosButTwoDigitMinutesAndEvenSeconds) {
    struct Case {
        std::tm time;
        const char* text;
    };
    const std::vector<Case> cases = {
        {localTime(2006, 1, 1, 0, 0, 0), "1/1/2006_0:00:00"},
        {localTime(2006, 3, 7, 9, 5, 8), "3/7/2006_9:05:08"},
        {localTime(2006, 5, 9, 10, 7, 4), "5/9/2006_10:07:04"},
        {localTime(2006, 12, 25, 14, 30, 46), "12/25/2006_14:30:46"},
        {localTime(2006, 12, 25, 14, 30, 47), "12/25/2006_14:30:46"},
        {localTime(2020, 6, 1, 8, 0, 1), "6/1/2020_8:00:00"},
        {localTime(2107, 12, 31, 23, 59, 59), "12/31/2107_23:59:58"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dateStampText(c.time), c.text);
}

TEST(DateStamp, GetDateWritesTheFilesLocalModificationTime) {
    UploadRig rig;
    ImageFiles files;
    const std::string file = files.write("image.bin", "abc");
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        f.setFileTime(QDateTime(QDate(2006, 12, 25), QTime(14, 30, 47)), QFileDevice::FileModificationTime));
    f.close();
    rig.state.image.fileName.assign(file);
    rig.state.image.versionText.assign("DATE");
    EXPECT_EQ(get_date(rig.ctx), 1);
    EXPECT_EQ(rig.state.image.versionText.str(), "12/25/2006_14:30:46");
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(DateStamp, MissingFileShowsItsMessageAndKeepsTheText) {
    UploadRig rig;
    ImageFiles files;
    const std::string missing = files.path("gone.bin");
    rig.state.image.fileName.assign(missing);
    rig.state.image.versionText.assign("DATE");
    EXPECT_EQ(get_date(rig.ctx), 0);
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error opening file " + missing});
    EXPECT_EQ(rig.state.image.versionText.str(), "DATE");
}

} // namespace
