// The argument forms, the escapes and the number reading every command shares.

#include "engine/arguments.h"

#include <gtest/gtest.h>

using namespace zarvex;

namespace {

TEST(Arguments, FormsAndEscapes) {
    struct Case {
        std::string line;
        std::optional<std::string> q, p;
        std::optional<std::string> cArg, cNested;
    };
    const std::vector<Case> cases = {
        {R"(_SC "ver")", "ver", R"("ver")", "ver", ""},
        {R"(_SC "ver" )", "ver\"", R"("ver" )", "ver", ""},
        {"_SC noquote", std::nullopt, "noquote", std::nullopt, std::nullopt},
        {"_FI", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {R"(_PC ")", "", R"(")", "", ""},
        {R"(_CS "2.0"   _SC "x")", R"(2.0"   _SC "x)", R"("2.0"   _SC "x")", "2.0", R"(_SC "x")"},
        {R"(_CS "open)", "ope", R"("open)", "open", ""},
        {"_LF    a b  ", std::nullopt, "a b  ", std::nullopt, std::nullopt},
        {"_LT ", std::nullopt, "", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formQ(c.line), c.q) << c.line;
        EXPECT_EQ(formP(c.line), c.p) << c.line;
        const auto form = formC(c.line);
        ASSERT_EQ(form.has_value(), c.cArg.has_value()) << c.line;
        if (form) {
            EXPECT_EQ(form->argument, *c.cArg) << c.line;
            EXPECT_EQ(form->nested, *c.cNested) << c.line;
        }
    }
    EXPECT_EQ(replaceEscape("a^Mb^M", "^M", '\r'), "a\rb\r");
    EXPECT_EQ(replaceEscape("^^MM^m", "^M", '\r'), "^\rM^m");
    EXPECT_EQ(replaceEscape(R"(x\r\n\t)", "\\r", '\r'), "x\r\\n\\t");
}

TEST(Arguments, NumbersAndVersions) {
    struct Case {
        std::string text;
        long decimal;
        std::optional<std::pair<long, long>> version;
    };
    const std::vector<Case> cases = {
        {"2.06", 2, std::pair{2L, 6L}},
        {"  -3.4 rest", -3, std::pair{-3L, 4L}},
        {"10", 10, std::nullopt},
        {"v2.06", 0, std::nullopt},
        {"", 0, std::nullopt},
        {"2.", 2, std::nullopt},
        {"2. 7", 2, std::pair{2L, 7L}},
        {"+5x", 5, std::nullopt},
        {"99999999999999999999999", LONG_MAX, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readDecimal(c.text), c.decimal) << c.text;
        const auto v = readVersion(c.text);
        ASSERT_EQ(v.has_value(), c.version.has_value()) << c.text;
        if (v) {
            EXPECT_EQ(v->major, c.version->first) << c.text;
            EXPECT_EQ(v->minor, c.version->second) << c.text;
        }
    }
}

} // namespace
