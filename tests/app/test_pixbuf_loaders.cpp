#include <gtest/gtest.h>

#include <string>

#include "app/PixbufLoaders.h"

namespace {

const std::string kHead = "# GdkPixbuf Image Loader Modules file\n# Automatically generated\n\n";
const std::string kPng =
    "\"/lib/loaders/libpixbufloader-png.so\"\n"
    "\"png\" 5 \"gdk-pixbuf\" \"PNG\" \"LGPL\"\n\"image/png\" \"\"\n\"png\" \"\"\n"
    "\"\\211PNG\\r\\n\\032\\n\" \"\" 100\n\n";
const std::string kSvg =
    "\"/lib/loaders/libpixbufloader-svg.so\"\n"
    "\"svg\" 6 \"gdk-pixbuf\" \"Scalable Vector Graphics\" \"LGPL\"\n"
    "\"image/svg+xml\" \"image/svg\" \"image/svg-xml\" \"\"\n\"svg\" \"svgz\" \"\"\n"
    "\" <svg\" \"*    \" 100\n\n";
const std::string kXpm =
    "\"/lib/loaders/libpixbufloader-xpm.so\"\n"
    "\"xpm\" 4 \"gdk-pixbuf\" \"XPM\" \"LGPL\"\n\"image/x-xpixmap\" \"\"\n\"xpm\" \"\"\n"
    "\"/* XPM */\" \"\" 100\n\n";

TEST(PixbufLoaders, TheSvgEntryAloneIsLeftOut) {
    struct Row {
        const char* what;
        std::string cache, expected;
    } rows[] = {
        {"between others", kHead + kPng + kSvg + kXpm, kHead + kPng + kXpm},
        {"first", kSvg + kPng, kPng},
        {"last, without the final blank line", kHead + kPng + kSvg.substr(0, kSvg.size() - 2),
         kHead + kPng},
        {"none there", kHead + kPng + kXpm, kHead + kPng + kXpm},
        {"empty list", "", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(WithoutSvgLoader(row.cache), row.expected) << row.what;
}

}  // namespace
