// The brand from position 23 of LoaderDefault.ini, read with the file's line rules.

#include "app/branding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace zarvex;

namespace {

// `count` significant lines, with comments, section headers and empty lines between them,
// which take no position.
std::string settings(int count) {
    std::string text = "[Serial]\n; the serial line\n\n";
    for (int n = 1; n <= count; ++n)
        text += "Setting" + std::to_string(n) + "=x\r\n" + (n % 5 == 0 ? "\n;note\n[More]\n" : "");
    return text;
}

// A configuration file whose 23rd significant line is `brandLine`.
std::string fileWith(const std::string& brandLine) {
    return settings(22) + brandLine + "\nEthernetAddr=127.0.0.1\n";
}

class BrandFile : public ::testing::Test {
protected:
    std::string write(const std::string& text) {
        std::ofstream(path_, std::ios::binary) << text;
        return path_.string();
    }
    void TearDown() override { std::filesystem::remove(path_); }

private:
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() /
        ("zarvex-brand-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
};

struct BrandCase {
    const char* name;
    std::string file;
    const char* main; // nullptr: the design caption stays
    const char* progress;
    const char* ethernet;
    const char* info;
    SplashPicture splash;
    int width, height;
};

TEST_F(BrandFile, PositionTwentyThreeChoosesCaptionsAndSplash) {
    const BrandCase brand0{"",
                           "",
                           "Quorrel Velmora LLC :- Zarvex",
                           "Quorrel Velmora LLC :- File Upload Progress",
                           "Quorrel Velmora LLC :- Ethernet Connection",
                           "Quorrel Velmora LLC :- Information",
                           SplashPicture::Kavrin,
                           600,
                           400};
    const BrandCase brand100{"",
                             "",
                             "Tressik :- Zarvex",
                             "Tressik :- File Upload Progress",
                             "Tressik :- Ethernet Connection",
                             "Tressik :- Information",
                             SplashPicture::Tressik,
                             800,
                             700};
    const BrandCase plain{"", "", "Zarvex", "Zarvex", nullptr, "Zarvex", SplashPicture::None, 0, 0};
    const BrandCase design{"", "", nullptr, nullptr, nullptr, nullptr, SplashPicture::None, 0, 0};
    const auto as = [](BrandCase c, const char* name, std::string file) {
        c.name = name;
        c.file = std::move(file);
        return c;
    };
    const BrandCase cases[] = {
        as(brand0, "0", fileWith("Brand=0")),
        as(brand0, "empty value", fileWith("Brand=")),
        as(brand0, "a word", fileWith("Brand=Tressik")),
        as(brand0, "blanks, then 0", fileWith("Brand=   0")),
        as(brand100, "100", fileWith("Brand=100")),
        as(brand100, "100 and a word", fileWith("Brand= 100 Tressik")),
        as(plain, "7", fileWith("Brand=7")),
        as(plain, "-100", fileWith("Brand=-100")),
        as(plain, "beyond every integer", fileWith("Brand=99999999999999999999999")),
        as(design, "22 significant lines", settings(22)),
        as(design, "position 23 without '='", fileWith("Brand 0")),
    };
    const auto same = [](const std::optional<std::string>& got, const char* want) {
        return want ? got == std::string(want) : !got.has_value();
    };
    for (const BrandCase& c : cases) {
        const Brand b = readBrand(write(c.file));
        EXPECT_TRUE(same(b.mainCaption, c.main)) << c.name << ": " << b.mainCaption.value_or("(design)");
        EXPECT_TRUE(same(b.progressCaption, c.progress)) << c.name;
        EXPECT_TRUE(same(b.ethernetCaption, c.ethernet)) << c.name;
        EXPECT_TRUE(same(b.infoCaption, c.info)) << c.name;
        EXPECT_EQ(b.splash, c.splash) << c.name;
        EXPECT_EQ(b.splashWidth, c.width) << c.name;
        EXPECT_EQ(b.splashHeight, c.height) << c.name;
    }
}

TEST_F(BrandFile, AMissingFileAppliesNoBrand) {
    const Brand b =
        readBrand((std::filesystem::temp_directory_path() / "zarvex-no-such-dir" / "x.ini").string());
    EXPECT_FALSE(b.mainCaption || b.progressCaption || b.ethernetCaption || b.infoCaption);
    EXPECT_EQ(b.splash, SplashPicture::None);
}

} // namespace
