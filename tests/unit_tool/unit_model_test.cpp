// The virtual unit's protocol model, driven byte by byte without any link or clock of its own.

#include "unit_model.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zarvex::unit {
namespace {

using namespace std::string_literals;

std::uint16_t sum16(std::string_view bytes) {
    std::uint16_t s = 0;
    for (char c : bytes) {
        s = static_cast<std::uint16_t>(s + static_cast<unsigned char>(c));
    }
    return s;
}

std::string hexText(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", value);
    return buf;
}

// The header as the loader formats it: "%s %s %d %x %s\r".
std::string headerLine(std::string_view size, std::string_view checksum, std::string_view version = "1.0") {
    return "LF 8000 " + std::string(size) + " " + std::string(checksum) + " " + std::string(version) + "\r";
}

std::string imageBytes(std::size_t size) {
    std::string b(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<char>((i * 37 + i / 256) & 0xff); // every byte value, CR, LF and BS among them
    }
    return b;
}

// Feeds `bytes` in pieces of `piece` bytes and returns all that came back.
std::string feed(UnitModel& unit, std::string_view bytes, std::size_t piece) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
        out += unit.receive(bytes.substr(i, piece));
    }
    return out;
}

bool logHas(const UnitModel& unit, std::string_view line) {
    return std::find(unit.log().begin(), unit.log().end(), line) != unit.log().end();
}

std::vector<std::string> eventsNamed(const UnitModel& unit, std::string_view name) {
    std::vector<std::string> found;
    const std::string key = "{\"event\":" + jsonString(name);
    for (const auto& line : unit.log()) {
        if (line.compare(0, key.size(), key) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

// ---------------------------------------------------------------------------------------------
// Command lines: echo, prompts, loader entry, version, editing, and the faults that shape answers.

struct ExchangeCase {
    const char* name;
    std::function<void(UnitConfig&)> configure;
    std::string input;
    std::string reply;
    Mode modeAfter;
};

class ExchangeTest : public testing::TestWithParam<ExchangeCase> {};

TEST_P(ExchangeTest, AnswersAsTheUnitWould) {
    const auto& c = GetParam();
    UnitConfig config;
    if (c.configure) {
        c.configure(config);
    }
    UnitModel unit(config, [] { return 0.0; });
    EXPECT_EQ(unit.receive(c.input), c.reply);
    EXPECT_EQ(unit.mode(), c.modeAfter);
    EXPECT_TRUE(unit.images().empty());
}

const auto noEcho = [](UnitConfig& c) { c.echo = false; };

INSTANTIATE_TEST_SUITE_P(
    Lines, ExchangeTest,
    testing::Values(
        ExchangeCase{"EmptyLineGetsPrompt", {}, "\r", "\r\n#", Mode::Normal},
        ExchangeCase{"LfAfterCrIsIgnored", {}, "\r\n\r\n", "\r\n#\r\n#", Mode::Normal},
        ExchangeCase{"LfOnAnEmptyLineIsIgnored", {}, "\n\n", "", Mode::Normal},
        ExchangeCase{"CommandIsEchoedThenPrompt", {}, "HELLO\r", "HELLO\r\n#", Mode::Normal},
        ExchangeCase{"EchoOffSendsOnlyTheAnswer", noEcho, "HELLO\r\n", "\r\n#", Mode::Normal},
        ExchangeCase{"VersionQuery", {}, "VER\r", "VER\r\n2.06\r\n#", Mode::Normal},
        ExchangeCase{"AnythingBeginningWithVerIsAVersionQuery",
                     [](UnitConfig& c) {
                         c.versionText = "3.1 beta";
                         c.echo = false;
                     },
                     "VERSION ?\r", "\r\n3.1 beta\r\n#", Mode::Normal},
        ExchangeCase{"VersionQueryIsCaseSensitive", {}, "ver\r", "ver\r\n#", Mode::Normal},
        ExchangeCase{"EntryCommandSwitchesToLoaderPrompt", {}, "LOADR\r\n", "LOADR\r\n>", Mode::Loader},
        ExchangeCase{"EntryWithoutEchoAsOverTcp", noEcho, "LOADR\r\n\r\n", "\r\n>\r\n>", Mode::Loader},
        ExchangeCase{
            "EntryMustMatchWholeLine", {}, "LOADR2\r LOADR\r", "LOADR2\r\n# LOADR\r\n#", Mode::Normal},
        ExchangeCase{"ConfiguredPromptsAndEntry",
                     [](UnitConfig& c) {
                         c.normalPrompt = '$';
                         c.loaderPrompt = '%';
                         c.entryCommand = "BOOT";
                     },
                     "X\rBOOT\r\r", "X\r\n$BOOT\r\n%\r\n%", Mode::Loader},
        ExchangeCase{"StartInLoaderMode", [](UnitConfig& c) { c.startInLoaderMode = true; }, "VER\r",
                     "VER\r\n2.06\r\n>", Mode::Loader},
        ExchangeCase{"BackspaceEditsTheLine", {}, "LOAX\bDR\r", "LOAX\bDR\r\n>", Mode::Loader},
        ExchangeCase{"SerialBackspaceSequence", {}, "LOADRX\b \b\r", "LOADRX\b \b\r\n>", Mode::Loader},
        ExchangeCase{"BackspaceOnEmptyLineDoesNothing", {}, "\b\b\r", "\r\n#", Mode::Normal},
        ExchangeCase{"LfInsideALineIsPartOfIt", {}, "LOA\nDR\r", "LOA\nDR\r\n#", Mode::Normal},
        ExchangeCase{"LoadHeaderOutsideLoaderModeIsAPlainLine",
                     {},
                     "LF 8000 1 0 x\r",
                     "LF 8000 1 0 x\r\n#",
                     Mode::Normal},
        ExchangeCase{"OverlongLineIsRefused", [](UnitConfig& c) { c.maxLineBytes = 8; }, "ABCDEFGHIJ\r",
                     "ABCDEFGHIJ\r\nLINE TOO LONG\r\n#", Mode::Normal},
        ExchangeCase{"BackspaceBackIntoTheLimit", [](UnitConfig& c) { c.maxLineBytes = 5; }, "LOADRXY\b\b\r",
                     "LOADRXY\b\b\r\n>", Mode::Loader},
        ExchangeCase{"SilentSendsNothingButStillActs", [](UnitConfig& c) { c.silent = true; }, "LOADR\rVER\r",
                     "", Mode::Loader},
        ExchangeCase{"OnlyPromptAnswersEveryLineWithIt", [](UnitConfig& c) { c.onlyPrompt = '>'; },
                     "LOADR\r\nVER\r\r", ">>>", Mode::Normal},
        ExchangeCase{"OnlyPromptRecognisesNoHeader",
                     [](UnitConfig& c) {
                         c.onlyPrompt = '#';
                         c.startInLoaderMode = true;
                     },
                     "LF 8000 2 0 v\rAB", "#", Mode::Loader}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitModelLines, RecordsEveryLineWithItsMode) {
    UnitModel unit({}, [] { return 0.0; });
    unit.receive("VER\rLOADR\r\r\nAB\bC\r");
    ASSERT_EQ(unit.lines().size(), 4u);
    EXPECT_EQ(unit.lines()[0].text, "VER");
    EXPECT_EQ(unit.lines()[1].mode, Mode::Normal);
    EXPECT_EQ(unit.lines()[2].text, "");
    EXPECT_EQ(unit.lines()[2].mode, Mode::Loader);
    EXPECT_EQ(unit.lines()[3].text, "AC");
    EXPECT_TRUE(logHas(unit, R"({"event":"line","mode":"normal","text":"LOADR"})"));
    EXPECT_TRUE(logHas(unit, R"({"event":"mode","mode":"loader"})"));
    EXPECT_TRUE(logHas(unit, R"({"event":"line","mode":"loader","text":"AC"})"));
    EXPECT_EQ(eventsNamed(unit, "mode").size(), 1u) << "entering loader mode twice is no change";
}

// ---------------------------------------------------------------------------------------------
// Load headers and images.

struct ImageCase {
    const char* name;
    std::size_t size;
    std::function<std::string(std::uint16_t)> checksumText; // from the true sum
    Verdict verdict;
};

class ImageTest : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageTest, TakesExactlyTheAnnouncedBytesAndChecksThem) {
    const auto& c = GetParam();
    const std::string data = imageBytes(c.size);
    UnitModel unit({}, [] { return 0.0; });
    unit.receive("LOADR\r");
    const std::string header = headerLine(std::to_string(c.size), c.checksumText(sum16(data)), "V 1.0 beta");

    const std::string reply = unit.receive(header + data + "VER\r");

    const std::string verdictText = c.verdict == Verdict::Ok ? "\r\nOK\r\n>" : "\r\nCHECKSUM ERROR\r\n>";
    const std::string headerEcho = header.substr(0, header.size() - 1); // its CR is answered after the image
    EXPECT_EQ(reply, headerEcho + verdictText + "VER\r\n2.06\r\n>")
        << "image bytes are neither echoed nor read as lines";
    ASSERT_EQ(unit.images().size(), 1u);
    const ImageRecord& image = unit.images()[0];
    EXPECT_EQ(image.verdict, c.verdict);
    EXPECT_EQ(image.size, c.size);
    EXPECT_EQ(image.received, c.size);
    EXPECT_EQ(image.sum, sum16(data));
    EXPECT_EQ(image.bytes, data);
    EXPECT_EQ(image.fnv1a64, fnv1a64(data));
    EXPECT_EQ(image.address, "8000");
    EXPECT_EQ(image.version, "V 1.0 beta");
    EXPECT_EQ(unit.lines().size(), 3u); // LOADR, the header, VER
    EXPECT_FALSE(unit.takingImage());
}

INSTANTIATE_TEST_SUITE_P(
    Images, ImageTest,
    testing::Values(
        ImageCase{"Empty", 0, [](std::uint16_t s) { return hexText(s); }, Verdict::Ok},
        ImageCase{"OneByte", 1, [](std::uint16_t s) { return hexText(s); }, Verdict::Ok},
        ImageCase{"TwoBlocksAndARest", 4500, [](std::uint16_t s) { return hexText(s); }, Verdict::Ok},
        ImageCase{"SumWrapsAt16Bits", 70000, [](std::uint16_t s) { return hexText(s); }, Verdict::Ok},
        ImageCase{"UpperCaseHex", 4500,
                  [](std::uint16_t s) {
                      std::string t = hexText(s);
                      std::transform(t.begin(), t.end(), t.begin(), ::toupper);
                      return t;
                  },
                  Verdict::Ok},
        ImageCase{"LeadingZeros", 4500, [](std::uint16_t s) { return "000" + hexText(s); }, Verdict::Ok},
        ImageCase{"WrongChecksum", 4500, [](std::uint16_t s) { return hexText(s ^ 1u); }, Verdict::Bad},
        ImageCase{"UnmaskedSumIsWrong", 4500, [](std::uint16_t s) { return hexText(s + 0x10000u); },
                  Verdict::Bad},
        ImageCase{"EmptyWithWrongChecksum", 0, [](std::uint16_t) { return "1"s; }, Verdict::Bad}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitModelImages, LogsHeaderAndImage) {
    double now = 10.0;
    UnitModel unit({}, [&] { return now; });
    const std::string data = imageBytes(300);
    unit.receive("LOADR\r" + headerLine("300", hexText(sum16(data)), ""));
    unit.receive(data.substr(0, 100)); // arrived before the unit could look at its clock
    now = 11.0;
    unit.receive(data.substr(100, 100));
    now = 12.0;
    unit.receive(data.substr(200));

    const std::string sum = hexText(sum16(data));
    char fnv[17];
    std::snprintf(fnv, sizeof fnv, "%016llx", static_cast<unsigned long long>(fnv1a64(data)));
    EXPECT_TRUE(logHas(unit, R"({"event":"header","word":"LF","address":"8000","size":300,"checksum":")" +
                                 sum + R"(","version":""})"));
    EXPECT_TRUE(logHas(unit, R"({"event":"image","size":300,"sum":")" + sum + R"(","expected":")" + sum +
                                 R"(","verdict":"ok","fnv1a64":")" + fnv +
                                 R"(","seconds":2.000000,"bytes_per_second":100.000000})"));
    EXPECT_DOUBLE_EQ(unit.images().at(0).seconds, 2.0);
}

TEST(UnitModelImages, ChecksumTextIsLoggedNormalised) {
    UnitModel unit({}, [] { return 0.0; });
    unit.receive("LOADR\rLF 8000 0 00AB x\r");
    EXPECT_TRUE(logHas(
        unit, R"({"event":"header","word":"LF","address":"8000","size":0,"checksum":"ab","version":"x"})"));
    EXPECT_NE(eventsNamed(unit, "image").at(0).find(R"("verdict":"bad")"), std::string::npos);
    EXPECT_NE(eventsNamed(unit, "image").at(0).find(R"("bytes_per_second":null)"), std::string::npos);
}

// The same conversation in any split gives the same answers: headers cut anywhere, image bytes one
// at a time.
class SplitTest : public testing::TestWithParam<std::size_t> {};

TEST_P(SplitTest, PiecesDoNotChangeTheOutcome) {
    const std::string data = imageBytes(4500);
    const std::string bad = imageBytes(10);
    const std::string conversation = "VER\r\nLOADR\r\n" + headerLine("4500", hexText(sum16(data))) + data +
                                     headerLine("10", "0") + bad + "LF 8000 x 0 v\r\n\r";
    UnitModel whole({}, [] { return 0.0; });
    UnitModel split({}, [] { return 0.0; });

    EXPECT_EQ(feed(split, conversation, GetParam()), whole.receive(conversation));
    ASSERT_EQ(split.images().size(), 2u);
    EXPECT_EQ(split.images()[0].verdict, Verdict::Ok);
    EXPECT_EQ(split.images()[0].bytes, data);
    EXPECT_EQ(split.images()[1].verdict, Verdict::Bad);
    EXPECT_EQ(split.log(), whole.log());
}

INSTANTIATE_TEST_SUITE_P(PieceSizes, SplitTest, testing::Values(1u, 2u, 7u, 1999u, 2000u, 4096u));

struct HeaderCase {
    const char* name;
    std::string loadWord;
    std::string line;
    std::string reason; // empty: a good header; "-": not a header at all
};

class HeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, RecognisesAndValidates) {
    const auto& c = GetParam();
    UnitConfig config;
    config.loadWord = c.loadWord;
    config.startInLoaderMode = true;
    config.echo = false;
    UnitModel unit(config, [] { return 0.0; });

    const std::string reply = unit.receive(c.line + "\r");

    if (c.reason.empty()) {
        EXPECT_EQ(reply, "");
        EXPECT_TRUE(unit.takingImage());
        EXPECT_EQ(eventsNamed(unit, "header").size(), 1u);
        return;
    }
    EXPECT_FALSE(unit.takingImage());
    EXPECT_TRUE(eventsNamed(unit, "header").empty());
    if (c.reason == "-") {
        EXPECT_EQ(reply, "\r\n>");
        EXPECT_TRUE(eventsNamed(unit, "bad-header").empty());
    } else {
        EXPECT_EQ(reply, "\r\nBAD HEADER\r\n>");
        EXPECT_TRUE(logHas(unit, R"({"event":"bad-header","text":)" + jsonString(c.line) + R"(,"reason":)" +
                                     jsonString(c.reason) + "}"));
    }
    EXPECT_EQ(unit.receive("VER\r"), "\r\n2.06\r\n>") << "still in command mode";
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderTest,
    testing::Values(
        HeaderCase{"Good", "LF", "LF 8000 10 1a V1", ""},
        HeaderCase{"EmptyVersion", "LF", "LF 8000 10 1a ", ""},
        HeaderCase{"OtherLoadWord", "LOAD", "LOAD 0x100 10 1a x", ""},
        HeaderCase{"EmptyLoadWord", "", " 8000 10 1a x", ""},
        HeaderCase{"LargestSize", "LF", "LF 8000 2147483648 0 x", ""},
        HeaderCase{"OtherWordIsAPlainLine", "LF", "LX 8000 10 1a x", "-"},
        HeaderCase{"WordPrefixIsAPlainLine", "LF", "LFX 8000 10 1a x", "-"},
        HeaderCase{"WordAlone", "LF", "LF", "expected <word> <address> <size> <checksum> <version>"},
        HeaderCase{"NoVersionBlank", "LF", "LF 8000 10 1a",
                   "expected <word> <address> <size> <checksum> <version>"},
        HeaderCase{"SizeNotANumber", "LF", "LF 8000 1O 1a x", "size is not a decimal number"},
        HeaderCase{"SizeWithSign", "LF", "LF 8000 +10 1a x", "size is not a decimal number"},
        HeaderCase{"NegativeSize", "LF", "LF 8000 -10 1a x", "size is negative"},
        HeaderCase{"AbsurdSize", "LF", "LF 8000 2147483649 1a x", "size is over 2 GiB"},
        HeaderCase{"HugeSize", "LF", "LF 8000 99999999999999999999999 1a x", "size is over 2 GiB"},
        HeaderCase{"EmptySize", "LF", "LF 8000  1a x", "size is empty"},
        HeaderCase{"EmptyAddress", "LF", "LF  10 1a x", ""},
        HeaderCase{"ChecksumNotHex", "LF", "LF 8000 10 1g x", "checksum is not hexadecimal"},
        HeaderCase{"ChecksumWithPrefix", "LF", "LF 8000 10 0x1a x", "checksum is not hexadecimal"},
        HeaderCase{"ChecksumTooWide", "LF", "LF 8000 10 123456789 x", "checksum is wider than 32 bits"},
        HeaderCase{"EmptyChecksum", "LF", "LF 8000 10  x", "checksum is empty"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitModelImages, KeepsImageBytesOnlyUpToTheCap) {
    UnitConfig config;
    config.keptImageBytes = 10;
    config.startInLoaderMode = true;
    UnitModel unit(config, [] { return 0.0; });
    const std::string a = imageBytes(25);
    const std::string b = imageBytes(5);
    unit.receive(headerLine("25", hexText(sum16(a))) + a + headerLine("5", hexText(sum16(b))) + b);
    ASSERT_EQ(unit.images().size(), 2u);
    EXPECT_EQ(unit.images()[0].bytes, a.substr(0, 10));
    EXPECT_FALSE(unit.images()[0].bytesComplete());
    EXPECT_EQ(unit.images()[0].verdict, Verdict::Ok) << "the check covers every byte, kept or not";
    EXPECT_EQ(unit.images()[0].fnv1a64, fnv1a64(a));
    EXPECT_TRUE(unit.images()[1].bytes.empty());
}

// ---------------------------------------------------------------------------------------------
// Links coming and going, and the close-after fault.

TEST(UnitModelLink, DropMidImageEndsItIncompleteAndKeepsTheMode) {
    UnitModel unit({}, [] { return 0.0; });
    unit.connected();
    const std::string data = imageBytes(100);
    unit.receive("LOADR\r" + headerLine("100", hexText(sum16(data))) + data.substr(0, 40) + "\r\r");
    unit.disconnected();

    ASSERT_EQ(unit.images().size(), 1u);
    EXPECT_EQ(unit.images()[0].verdict, Verdict::Incomplete);
    EXPECT_EQ(unit.images()[0].received, 42u);
    EXPECT_FALSE(unit.takingImage());
    EXPECT_NE(eventsNamed(unit, "image").at(0).find(R"("size":100,"received":42,)"), std::string::npos);
    EXPECT_NE(eventsNamed(unit, "image").at(0).find(R"("verdict":"incomplete")"), std::string::npos);

    unit.connected();
    EXPECT_EQ(unit.receive("\r"), "\r\n>");
    EXPECT_EQ(eventsNamed(unit, "connect").size(), 2u);
    EXPECT_EQ(eventsNamed(unit, "disconnect").size(), 1u);
}

TEST(UnitModelLink, ConnectStartsAFreshLine) {
    UnitModel unit({}, [] { return 0.0; });
    unit.connected();
    unit.receive("LOA");
    unit.disconnected();
    unit.connected();
    unit.receive("DR\r");
    EXPECT_EQ(unit.mode(), Mode::Normal);
    EXPECT_EQ(unit.lines().back().text, "DR");
}

struct CloseCase {
    const char* name;
    long closeAfter;
    std::string input;
    std::string reply;
    std::size_t taken;
};

class CloseAfterTest : public testing::TestWithParam<CloseCase> {};

TEST_P(CloseAfterTest, StopsTakingBytesAtTheLimit) {
    const auto& c = GetParam();
    UnitConfig config;
    config.closeAfterBytes = c.closeAfter;
    UnitModel unit(config, [] { return 0.0; });
    unit.connected();

    EXPECT_EQ(feed(unit, c.input, 3), c.reply);
    EXPECT_TRUE(unit.wantsClose());
    EXPECT_EQ(unit.linkBytes(), c.taken);
    EXPECT_EQ(unit.receive("\r"), "") << "nothing more is taken from a closing link";
    EXPECT_EQ(eventsNamed(unit, "close"),
              std::vector<std::string>{R"({"event":"close","reason":"close-after","bytes":)" +
                                       std::to_string(c.taken) + "}"});

    unit.disconnected();
    unit.connected();
    EXPECT_EQ(unit.wantsClose(), c.closeAfter == 0) << "each link gets its own count";
}

INSTANTIATE_TEST_SUITE_P(Faults, CloseAfterTest,
                         testing::Values(CloseCase{"AtOnce", 0, "VER\r", "", 0},
                                         CloseCase{"MidLine", 3, "VER\r", "VER", 3},
                                         CloseCase{"AfterALine", 4, "VER\rVER\r", "VER\r\n2.06\r\n#", 4},
                                         CloseCase{"MidImage", 25, "LOADR\rLF 8000 50 0 v\r0123456789",
                                                   "LOADR\r\n>LF 8000 50 0 v", 25}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Replies that a loader must survive.

TEST(UnitModelFaults, LongReplyIsPrintableFillerThenThePrompt) {
    UnitConfig config;
    config.longReplyBytes = 5000;
    config.echo = false;
    config.normalPrompt = 'A'; // a prompt inside the filler would end the reply early
    UnitModel unit(config, [] { return 0.0; });

    for (const std::string line : {"VER\r", "\r"}) {
        const std::string reply = unit.receive(line);
        ASSERT_EQ(reply.size(), 2 + 5000 + 2 + 1u);
        EXPECT_EQ(reply.substr(0, 2), "\r\n");
        EXPECT_EQ(reply.substr(5002), "\r\nA");
        const std::string body = reply.substr(2, 5000);
        EXPECT_TRUE(std::all_of(body.begin(), body.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) && c != 'A';
        }));
    }
    const std::string data = imageBytes(3);
    EXPECT_EQ(unit.receive("LOADR\r" + headerLine("3", hexText(sum16(data))) + data).substr(5002),
              "\r\n>\r\nOK\r\n>")
        << "the entry is answered with filler, the image verdict as always";
}

TEST(UnitModelFaults, BinaryReplyHoldsEveryByteButThePrompts) {
    UnitConfig config;
    config.binaryReply = true;
    config.echo = false;
    UnitModel unit(config, [] { return 0.0; });
    const std::string reply = unit.receive("VER\r");

    ASSERT_EQ(reply.back(), '#');
    const std::string body = reply.substr(0, reply.size() - 1);
    EXPECT_EQ(body.find_first_of("#>"), std::string::npos) << "the reply must end at the real prompt";
    for (int b = 0; b < 256; ++b) {
        if (b != '#' && b != '>') {
            EXPECT_NE(body.find(static_cast<char>(b)), std::string::npos) << "byte " << b;
        }
    }
    EXPECT_NE(body.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(body.find("\x1b]0;"), std::string::npos);
}

TEST(UnitModelFaults, SilentUnitStillReceivesImages) {
    UnitConfig config;
    config.silent = true;
    UnitModel unit(config, [] { return 0.0; });
    const std::string data = imageBytes(7);
    EXPECT_EQ(unit.receive("LOADR\r" + headerLine("7", hexText(sum16(data))) + data), "");
    ASSERT_EQ(unit.images().size(), 1u);
    EXPECT_EQ(unit.images()[0].verdict, Verdict::Ok);
}

// ---------------------------------------------------------------------------------------------
// The log: one JSON object a line, whatever bytes the lines carried.

TEST(UnitModelLog, EscapesEveryByteReadably) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"plain text", R"("plain text")"},           {"a\"b\\c/", R"("a\"b\\c/")"},
        {"\r\n\t", R"("\u000d\u000a\u0009")"},       {"\0\x1b[2J"s, R"("\u0000\u001b[2J")"},
        {"\x7f\x80\xff", R"("\u007f\u0080\u00ff")"}, {"\xc3\xa9", R"("\u00c3\u00a9")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonString(c.in), c.out);
    }
}

TEST(UnitModelLog, EveryLineIsValidJsonAndTextRoundTrips) {
    UnitConfig config;
    config.maxLineBytes = 1000;
    UnitModel unit(config, [] { return 0.0; });
    std::string binary;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n' && b != 8) {
            binary += static_cast<char>(b);
        }
    }
    unit.receive("\n" + binary + "\rLOADR\rLF \"a\" 1 0 \xff\x01\rX");

    ASSERT_FALSE(unit.log().empty());
    for (const auto& line : unit.log()) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
        ASSERT_TRUE(doc.isObject()) << line;
        EXPECT_TRUE(doc.object().contains("event")) << line;
    }
    const QJsonDocument first = QJsonDocument::fromJson(QByteArray::fromStdString(unit.log().front()));
    EXPECT_EQ(first.object().value("text").toString().toLatin1().toStdString(), binary);
    EXPECT_EQ(unit.images().at(0).version, "\xff\x01");
}

TEST(UnitModelLog, SinkSeesEveryLineEvenWithoutHistory) {
    UnitConfig config;
    config.keepHistory = false;
    UnitModel unit(config, [] { return 0.0; });
    std::vector<std::string> seen;
    unit.setLogSink([&](const std::string& line) { seen.push_back(line); });
    unit.connected();
    unit.receive("LOADR\r");
    unit.logEvent(JsonLine("stall").number("after", 6));
    EXPECT_TRUE(unit.log().empty());
    EXPECT_TRUE(unit.lines().empty());
    EXPECT_EQ(seen, (std::vector<std::string>{
                        R"({"event":"connect"})", R"({"event":"line","mode":"normal","text":"LOADR"})",
                        R"({"event":"mode","mode":"loader"})", R"({"event":"stall","after":6})"}));
}

TEST(UnitModelLog, NumbersStayValidJson) {
    EXPECT_EQ(JsonLine("x").real("s", 1.5).real("n", std::nan("")).str(),
              R"({"event":"x","s":1.500000,"n":null})");
    const std::string huge = JsonLine("x").real("s", 1e300).str();
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(huge)).isObject()) << huge;
}

TEST(UnitModelHash, MatchesPublishedFnv1a64Vectors) {
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a64("foobar"), 0x85944171f73967e8ull);
    EXPECT_EQ(fnv1a64("bar", fnv1a64("foo")), fnv1a64("foobar")) << "hashing in pieces";
}

} // namespace
} // namespace zarvex::unit
