#include "app/branding.h"

#include "engine/arguments.h"

namespace zarvex {

namespace {

Brand namedBrand(const std::string& owner, SplashPicture picture, int width, int height) {
    Brand brand;
    brand.mainCaption = owner + " :- Zarvex";
    brand.progressCaption = owner + " :- File Upload Progress";
    brand.ethernetCaption = owner + " :- Ethernet Connection";
    brand.infoCaption = owner + " :- Information";
    brand.splash = picture;
    brand.splashWidth = width;
    brand.splashHeight = height;
    return brand;
}

} // namespace

std::optional<long> readBrandNumber(const std::string& path) {
    const std::optional<std::string> value = configValue(kBrandPosition, path);
    if (!value)
        return std::nullopt;
    return readDecimal(*value);
}

Brand brandFor(std::optional<long> number) {
    if (!number)
        return Brand{};
    if (*number == 0)
        return namedBrand("Quorrel Velmora LLC", SplashPicture::Kavrin, 600, 400);
    if (*number == 100)
        return namedBrand("Tressik", SplashPicture::Tressik, 800, 700);
    // Any other number: a plain product name, the Ethernet dialog as designed, no splash.
    Brand plain;
    plain.mainCaption = "Zarvex";
    plain.progressCaption = "Zarvex";
    plain.infoCaption = "Zarvex";
    return plain;
}

} // namespace zarvex
