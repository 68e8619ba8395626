// LoaderDefault.ini against the settings it leaves behind: one table of files, each
// with the settings that differ from the defaults and the messages it brings.

#include "app/config_reader.h"
#include "support/rig.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// Everything read_loader_defaults can change, gathered in one comparable record.
struct Settings {
    int comPort = 0;
    int baud = 38400;
    std::string baudLabel = "38400";
    int dataBits = 8, parity = 0, stopBits = 1;
    std::string autoScript;
    std::string dialogDir = "..";
    bool automatic = false;
    char normalPrompt = '#', loaderPrompt = '>';
    std::string entryCommand = "LOADR\r\n";
    bool terminalVisible = true;
    int background = 0, textColor = 0;
    std::string loadWord = "LF";
    bool skipPortSearch = false;
    std::string address = "127.0.0.1";
    std::string ethernetPort = "3000";
    std::vector<std::string> messages;
    bool operator==(const Settings&) const = default;
};

std::string describe(const Settings& s) {
    std::ostringstream o;
    o << "com " << s.comPort << ", baud " << s.baud << " label " << s.baudLabel << ", line " << s.dataBits
      << "/" << s.parity << "/" << s.stopBits << ", script '" << s.autoScript << "', dir '" << s.dialogDir
      << "', automatic " << s.automatic << ", prompts " << s.normalPrompt << s.loaderPrompt << ", entry '"
      << s.entryCommand << "', terminal " << s.terminalVisible << " " << s.background << "/" << s.textColor
      << ", word '" << s.loadWord << "', skip " << s.skipPortSearch << ", ethernet " << s.address << ":"
      << s.ethernetPort << ", messages:";
    for (const auto& m : s.messages)
        o << " [" << m << "]";
    return o.str();
}

// A configuration file of numbered positions; positions not given are filled with a
// line without '=', which takes its position and changes nothing.
std::string positions(const std::map<int, std::string>& lines, const char* end = "\n") {
    std::string file;
    const int last = lines.empty() ? 0 : lines.rbegin()->first;
    for (int p = 1; p <= last; ++p)
        file += (lines.count(p) ? lines.at(p) : "unused " + std::to_string(p)) + end;
    return file;
}

struct Case {
    const char* name;
    std::optional<std::string> file; // nullopt: no file at all
    std::function<void(Settings&)> expect;
};

const std::string kBaud = kInvalidBaudMessage;
std::string tooLongNote(int position, int line, int limit) {
    return "Note: setting " + std::to_string(position) + " in line " + std::to_string(line) +
           " of LoaderDefault.ini is longer than " + std::to_string(limit) + " characters and was ignored.";
}

class ConfigFile : public ::testing::Test {
protected:
    Settings read(const std::optional<std::string>& content) {
        Rig rig;
        RecordingEthernetDialog ethernet;
        const std::string path = dir_.filePath("LoaderDefault.ini").toStdString();
        std::remove(path.c_str());
        if (content)
            std::ofstream(path, std::ios::binary) << *content;
        ConfigTargets targets{rig.state, rig.port, rig.view, ethernet, rig.op};
        read_loader_defaults(targets, path);
        const LoaderState& st = rig.state;
        return Settings{st.configuredComPort,
                        rig.port.baud(),
                        rig.view.baudLabel,
                        rig.port.settings().dataBits,
                        rig.port.settings().parity,
                        rig.port.settings().stopBits,
                        st.autoScriptPath.str(),
                        rig.view.dialogDir,
                        st.automaticMode,
                        st.normalPrompt,
                        st.loaderPrompt,
                        st.loaderEntryCommand,
                        rig.view.terminalVisible,
                        rig.view.background,
                        rig.view.textColor,
                        st.loadCommandWord,
                        st.skipPortSearch,
                        ethernet.boxes[0] + "." + ethernet.boxes[1] + "." + ethernet.boxes[2] + "." +
                            ethernet.boxes[3],
                        ethernet.portText,
                        rig.op.messages};
    }
    void check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            Settings want;
            if (c.expect)
                c.expect(want);
            const Settings got = read(c.file);
            EXPECT_EQ(got, want) << c.name << "\n got:  " << describe(got) << "\n want: " << describe(want);
        }
    }
    QTemporaryDir dir_;
};

TEST_F(ConfigFile, LineRulesDecideWhichLinesTakeAPosition) {
    check({
        {"no file", std::nullopt, nullptr},
        {"comments, headers and empty lines only", "; settings\n\n[Serial]\n;ComPort=3\n\n[Run]\n", nullptr},
        {"header in the first column takes no position", "[Serial]\nComPort=3\nBaud=9600\n",
         [](Settings& s) {
             s.comPort = 3;
             s.baud = 9600;
             s.baudLabel = "9600";
         }},
        {"header after a blank takes position 1 and shifts the rest", " [Serial]\nComPort=3\nBaud=9600\n",
         [](Settings& s) { s.messages = {kBaud}; }}, // "3" lands on the baud rate
        {"a line without '=' uses up its position", "ComPort COM3\nBaud=9600\n",
         [](Settings& s) {
             s.baud = 9600;
             s.baudLabel = "9600";
         }},
        {"CR LF reads as LF", positions({{1, "ComPort=COM4"}, {8, "Mode=automatic"}}, "\r\n"),
         [](Settings& s) {
             s.comPort = 4;
             s.automatic = true;
         }},
        {"last line without a line end", "ComPort=6", [](Settings& s) { s.comPort = 6; }},
        {"Ctrl-Z ends the file",
         "ComPort=3\n\x1a"
         "Baud=300\n",
         [](Settings& s) { s.comPort = 3; }},
        {"file that stops at position 13 keeps both prompts",
         positions({{1, "ComPort=2"},
                    {2, "Baud=57600"},
                    {6, "Script=go.sld"},
                    {8, "Mode=AUTOMATIC"},
                    {13, "Spare="}}),
         [](Settings& s) {
             s.comPort = 2;
             s.baud = 57600;
             s.baudLabel = "57600";
             s.autoScript = "go.sld";
             s.automatic = true;
         }},
        {"a 30th line is never read", positions({{29, "Spare="}}) + "ComPort=COM7\nBaud=300\n", nullptr},
    });
}

TEST_F(ConfigFile, SerialSettings) {
    const auto com = [](const char* v) { return positions({{1, std::string("ComPort=") + v}}); };
    const auto baud = [](const char* v) { return positions({{2, std::string("Baud=") + v}}); };
    const auto rate = [](int b) {
        return [b](Settings& s) {
            s.baud = b;
            s.baudLabel = std::to_string(b);
        };
    };
    check({
        {"COM3", com("COM3"), [](Settings& s) { s.comPort = 3; }},
        {"10", com("10"), [](Settings& s) { s.comPort = 10; }},
        {"0", com("0"), nullptr},
        {"COM", com("COM"), nullptr},
        {"COM05", com("COM05"), [](Settings& s) { s.comPort = 5; }},
        {"number too large for a port", com("99999999999999"), nullptr},
        {"38400", baud("38400"), rate(38400)},
        {"blank, 38400 and a word", baud(" 38400 baud"), rate(38400)},
        {"4800 exists only here", baud("4800"), rate(4800)},
        {"115200", baud("115200"), rate(115200)},
        {"300 is not a rate", baud("300"), [](Settings& s) { s.messages = {kBaud}; }},
        {"empty rate", baud(""), [](Settings& s) { s.messages = {kBaud}; }},
        {"word instead of a rate", baud("fast"), [](Settings& s) { s.messages = {kBaud}; }},
        {"data bits, parity, stop bits", positions({{3, "Data=7"}, {4, "Parity=2"}, {5, "Stop=2"}}),
         [](Settings& s) {
             s.dataBits = 7;
             s.parity = 2;
             s.stopBits = 2;
         }},
        {"out-of-range line settings are ignored", positions({{3, "Data=9"}, {4, "Parity=5"}, {5, "Stop=3"}}),
         nullptr},
    });
}

TEST_F(ConfigFile, RunModeScriptAndPortSearch) {
    const auto mode = [](const char* v) { return positions({{8, std::string("Mode=") + v}}); };
    const auto skip = [](const char* v) { return positions({{25, std::string("Skip=") + v}}); };
    const auto automatic = [](Settings& s) { s.automatic = true; };
    const auto skipping = [](Settings& s) { s.skipPortSearch = true; };
    check({
        {"AUTOMATIC", mode("AUTOMATIC"), automatic},
        {"automatic", mode("automatic"), automatic},
        {"mixed case", mode("AuToMaTiC"), automatic},
        {"leading blanks", mode("   automatic"), automatic},
        {"blank inside the word", mode("auto matic"), automatic},
        {"followed by a digit", mode("automatic1"), nullptr},
        {"a tab is not a blank", mode("automatic\t"), nullptr},
        {"MANUAL", mode("MANUAL"), nullptr},
        {"TRUE", skip("TRUE"), skipping},
        {"blank before TRUE", skip("  TRUE"), skipping},
        {"True", skip("True"), nullptr},
        {"true", skip("true"), nullptr},
        {"TRUE with a trailing blank", skip("TRUE "), nullptr},
        {"script path keeps trailing blanks",
         positions({{6, "Script=   demo.sld  "}, {7, "Dir= /opt/scripts"}}),
         [](Settings& s) {
             s.autoScript = "demo.sld  ";
             s.dialogDir = "/opt/scripts";
         }},
        {"empty script folder", positions({{7, "Dir="}}), [](Settings& s) { s.dialogDir = ""; }},
    });
}

TEST_F(ConfigFile, PromptsAndCommandWords) {
    check({
        {"both prompts, after leading blanks", positions({{14, "Normal=  $ and more"}, {15, "Loader=%"}}),
         [](Settings& s) {
             s.normalPrompt = '$';
             s.loaderPrompt = '%';
         }},
        {"prompt line without '=' keeps the default", positions({{14, "Normal $"}, {15, "Loader=!"}}),
         [](Settings& s) { s.loaderPrompt = '!'; }},
        {"empty prompt value keeps the default", positions({{14, "Normal=   "}, {15, "Loader="}}), nullptr},
        {"LOADR", positions({{19, "Entry=LOADR"}}), nullptr},
        {"another entry command", positions({{19, "Entry= BOOT 1"}}),
         [](Settings& s) { s.entryCommand = "BOOT 1\r\n"; }},
        {"empty entry command keeps the default", positions({{19, "Entry="}}), nullptr},
        {"load word", positions({{24, "Word= LX"}}), [](Settings& s) { s.loadWord = "LX"; }},
        {"empty load word keeps LF", positions({{24, "Word="}}), nullptr},
    });
}

TEST_F(ConfigFile, TerminalLook) {
    const auto look = [](const char* shown, const char* back, const char* text) {
        return positions({{20, std::string("Shown=") + shown},
                          {21, std::string("Back=") + back},
                          {22, std::string("Text=") + text}});
    };
    check({
        {"0 hides the shown terminal, colours 4 and 5", look("0", "4", "5"),
         [](Settings& s) {
             s.terminalVisible = false;
             s.background = 4;
             s.textColor = 5;
         }},
        {"1 leaves the shown terminal as it is", look(" 1", "1", "2"),
         [](Settings& s) {
             s.background = 1;
             s.textColor = 2;
         }},
        {"values out of range do nothing", look("2", "6", "-1"), nullptr},
    });
}

TEST_F(ConfigFile, EthernetDefaults) {
    const auto addr = [](const char* v) { return positions({{26, std::string("Address=") + v}}); };
    const auto port = [](const char* v) { return positions({{27, std::string("Port=") + v}}); };
    check({
        {"10.0.0.7", addr("10.0.0.7"), [](Settings& s) { s.address = "10.0.0.7"; }},
        {"address followed by a word", addr(" 192.168.1.20 lab"),
         [](Settings& s) { s.address = "192.168.1.20"; }},
        {"leading zeros are numbers", addr("010.000.0.7"), [](Settings& s) { s.address = "10.0.0.7"; }},
        {"a number above 255", addr("10.0.256.7"), nullptr},
        {"only three numbers", addr("10.0.7"), nullptr},
        {"empty address", addr(""), nullptr},
        {"negative number", addr("10.-1.0.7"), nullptr},
        {"port 4001", port("4001"), [](Settings& s) { s.ethernetPort = "4001"; }},
        {"port followed by a word", port(" 23 telnet"), [](Settings& s) { s.ethernetPort = "23"; }},
        {"port above 65535", port("70000"), nullptr},
        {"port that is not a number", port("http"), nullptr},
    });
}

// Lines and values longer than their buffers are refused whole, with a note, and never
// shift the positions after them.
TEST_F(ConfigFile, OverlongLinesAndValuesAreRefusedWithANote) {
    const std::string longPath(199, 'p');
    const std::string tooLongPath(200, 'p');
    check({
        {"300-character line at position 6",
         positions({{6, "Script=" + std::string(293, 's')}, {8, "Mode=AUTOMATIC"}}),
         [](Settings& s) {
             s.automatic = true;
             s.messages = {
                 "Note: line 6 of LoaderDefault.ini is longer than 299 characters; setting 6 was ignored."};
         }},
        {"299-character line is taken whole", positions({{7, "Dir=" + std::string(295, 'd')}}),
         [](Settings& s) { s.dialogDir = std::string(295, 'd'); }},
        {"over-long comment takes no position", ";" + std::string(500, 'c') + "\nComPort=3\n",
         [](Settings& s) { s.comPort = 3; }},
        {"script path of 199 characters", positions({{6, "Script=" + longPath}}),
         [&](Settings& s) { s.autoScript = longPath; }},
        {"script path of 200 characters", positions({{6, "Script=" + tooLongPath}}),
         [](Settings& s) { s.messages = {tooLongNote(6, 6, 199)}; }},
        {"entry command of 17 characters", positions({{19, "Entry=" + std::string(17, 'E')}}),
         [](Settings& s) { s.entryCommand = std::string(17, 'E') + "\r\n"; }},
        {"entry command of 18 characters", positions({{19, "Entry=" + std::string(18, 'E')}}),
         [](Settings& s) { s.messages = {tooLongNote(19, 19, 17)}; }},
        {"baud value of 20 characters, no baud message",
         positions({{2, "Baud=38400" + std::string(15, ' ')}}),
         [](Settings& s) { s.messages = {tooLongNote(2, 2, 19)}; }},
        {"run mode counted after its blanks are dropped",
         positions({{8, "Mode=  A U T O M A T I C           "}}), [](Settings& s) { s.automatic = true; }},
        {"messages come in position order", positions({{2, "Baud=1"}, {6, "Script=" + tooLongPath}}),
         [](Settings& s) {
             s.messages = {kBaud, tooLongNote(6, 6, 199)};
         }},
    });
}

TEST(ConfigValue, ReturnsTheValueOfOnePositionUnderTheSameRules) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("LoaderDefault.ini").toStdString();
    struct Probe {
        const char* name;
        std::optional<std::string> file;
        int position;
        std::optional<std::string> value;
    };
    const std::vector<Probe> probes = {
        {"no file", std::nullopt, 23, std::nullopt},
        {"22 positions only", positions({{22, "Text=1"}}), 23, std::nullopt},
        {"brand 100", "; brand file\n[x]\n" + positions({{23, "Brand= 100"}}), 23, " 100"},
        {"empty brand value", positions({{23, "Brand="}}), 23, ""},
        {"brand line without '='", positions({{23, "Brand 100"}}), 23, std::nullopt},
        {"brand on an over-long line", positions({{23, "Brand=" + std::string(300, '1')}}), 23, std::nullopt},
        {"position 29 is read", positions({{29, "Last=29"}, {30, "After=30"}}), 29, "29"},
        {"a 30th line is not", positions({{29, "Last=29"}, {30, "After=30"}}), 30, std::nullopt},
    };
    for (const Probe& p : probes) {
        std::remove(path.c_str());
        if (p.file)
            std::ofstream(path, std::ios::binary) << *p.file;
        EXPECT_EQ(configValue(p.position, path), p.value) << p.name;
    }
}

} // namespace
