// COM numbers to device paths: the fixed table, the environment override and the
// canonical path that keeps two names of one port from both opening it.

#include "link/platform/com_map.h"
#include "platform_helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace zarvex::test {
namespace {

TEST(ComMap, TableAndOverride) {
    // Every number used below is cleared first, so the machine's own environment
    // cannot change the outcome.
    ScopedEnv c1("ZARVEX_COM1", std::nullopt), c4("ZARVEX_COM4", std::nullopt);
    ScopedEnv c5("ZARVEX_COM5", std::nullopt), c10("ZARVEX_COM10", std::nullopt);
    ScopedEnv c11("ZARVEX_COM11", std::nullopt), c16("ZARVEX_COM16", std::nullopt);
    ScopedEnv c17("ZARVEX_COM17", std::nullopt), c0("ZARVEX_COM0", std::nullopt);
    ScopedEnv c3("ZARVEX_COM3", "/dev/pts/7");
    ScopedEnv c2("ZARVEX_COM2", "");
    ScopedEnv c20("ZARVEX_COM20", "/tmp/unit-link");

    const struct {
        int n;
        const char* path;
    } cases[] = {
        {1, "/dev/ttyS0"},
        {4, "/dev/ttyS3"},
        {5, "/dev/ttyUSB0"},
        {10, "/dev/ttyUSB5"},
        {11, "/dev/ttyACM0"},
        {16, "/dev/ttyACM5"},
        {0, ""},
        {-1, ""},
        {17, ""},
        {3, "/dev/pts/7"},
        {2, ""},
        {20, "/tmp/unit-link"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(comDevicePath(c.n), c.path) << "COM" << c.n;
}

TEST(ComMap, CanonicalPathResolvesSymlinks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Pty pty;
    const std::filesystem::path link = dir.filePath("unit").toStdString();
    std::filesystem::create_symlink(pty.slavePath(), link);

    EXPECT_EQ(canonicalDevicePath(link.string()), canonicalDevicePath(pty.slavePath()));
    EXPECT_EQ(canonicalDevicePath(pty.slavePath()), pty.slavePath());
    EXPECT_EQ(canonicalDevicePath(dir.filePath("missing").toStdString()), "");
    EXPECT_EQ(canonicalDevicePath(""), "");
}

} // namespace
} // namespace zarvex::test
