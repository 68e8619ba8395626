#pragma once
// One build serves several brands. Position 23 of LoaderDefault.ini picks the captions of
// the main, progress, Ethernet and information windows and the picture, if any, that the
// splash window shows while the program starts. The choice is read once, at start-up.

#include "app/config_lines.h"

#include <optional>
#include <string>

namespace zarvex {

// The captions the windows are designed with; a brand may replace them.
inline constexpr const char* kDesignMainCaption = "Velmora Research Inc. :- Zarvex";
inline constexpr const char* kDesignProgressCaption = "Velmora Research Inc. :- File Upload Progress";
inline constexpr const char* kDesignEthernetCaption = "Velmora Research Inc. :- Zarvex - Ethernet";
inline constexpr const char* kDesignInfoCaption = "Information";

inline constexpr int kBrandPosition = 23;
inline constexpr int kSplashMinimumMs = 600;

enum class SplashPicture { None, Kavrin, Tressik };

struct Brand {
    // nullopt keeps the window's design caption.
    std::optional<std::string> mainCaption;
    std::optional<std::string> progressCaption;
    std::optional<std::string> ethernetCaption;
    std::optional<std::string> infoCaption;
    SplashPicture splash = SplashPicture::None;
    int splashWidth = 0;
    int splashHeight = 0;
};

// Position 23 as a number: read as the baud rate is (white space, an optional sign,
// digits; a value without a leading number reads as 0). nullopt when the file cannot be
// opened, has fewer than 23 significant lines, or that line has no '='.
std::optional<long> readBrandNumber(const std::string& path = kLoaderDefaultsFile);

// The brand of a position-23 number; nullopt leaves every design caption and shows no splash.
Brand brandFor(std::optional<long> number);

inline Brand readBrand(const std::string& path = kLoaderDefaultsFile) {
    return brandFor(readBrandNumber(path));
}

} // namespace zarvex
