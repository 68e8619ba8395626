// The zarvex program as a process, headless, against zarvex-unit on a pseudo-terminal
// that ZARVEX_COM1 puts on COM1: the unit's own log says what it received.

#include "support/unit_process.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

using namespace zarvex::test;

namespace {

struct ProgramRun {
    bool finished = false;
    bool crashed = false;
    int exitCode = -1;
    std::string out, err;
};

class ProgramTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    // LoaderDefault.ini for an automatic run of auto.sld from the working folder.
    void automaticConfig(const std::string& extra = "") const {
        write("LoaderDefault.ini",
              "; test run\n[Serial]\nComPort=COM1\nBaud=38400\nData=8\nParity=0\nStop=1\n[Run]\n"
              "Script=auto.sld\nDir=.\nMode=AUTOMATIC\n" +
                  extra);
    }

    ProgramRun run(const QStringList& args, const std::map<int, std::string>& coms) const {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : ComMapping::environment(coms))
            env.insert(entry.section('=', 0, 0), entry.section('=', 1));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(ZARVEX_PATH, args);
        ProgramRun r;
        r.finished = process.waitForFinished(kProcessPatienceMs);
        if (!r.finished) {
            process.kill();
            process.waitForFinished(3000);
        }
        r.crashed = process.exitStatus() == QProcess::CrashExit;
        r.exitCode = process.exitCode();
        r.out = process.readAllStandardOutput().toStdString();
        r.err = process.readAllStandardError().toStdString();
        return r;
    }

    // The unit's log events of one kind.
    std::vector<QJsonObject> unitEvents(const std::string& event) const {
        std::vector<QJsonObject> found;
        QFile log(QString::fromStdString(file("unit.log")));
        if (!log.open(QIODevice::ReadOnly))
            return found;
        while (!log.atEnd()) {
            const QJsonObject o = QJsonDocument::fromJson(log.readLine()).object();
            if (o.value("event").toString().toStdString() == event)
                found.push_back(o);
        }
        return found;
    }
    std::vector<std::string> unitLines() const {
        std::vector<std::string> lines;
        for (const QJsonObject& o : unitEvents("line"))
            lines.push_back(o.value("text").toString().toStdString());
        return lines;
    }

    QTemporaryDir dir_;
};

TEST_F(ProgramTest, AutomaticRunLoadsTheImageAndEndsWithStatusZero) {
    UnitProcess unit({"--pty", "--log", QString::fromStdString(file("unit.log"))});
    ASSERT_TRUE(unit.started());
    std::string image(5000, '\0');
    unsigned sum = 0;
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = char((i * 7919) >> 3);
        sum = (sum + static_cast<unsigned char>(image[i])) & 0xFFFF;
    }
    write("image.bin", image);
    write("auto.sld", "; load when the unit reports 2.06\n_TC \"^M\"\n_QC \"VER\"\n_LP 1\n_LF image.bin\n"
                      "_LA 8000\n_LV 1.0\n_CS \"2.06\" _LD\n_FI\n");
    automaticConfig();

    const ProgramRun r = run({"--headless"}, {{1, unit.where()}});
    ASSERT_TRUE(r.finished) << r.err;
    EXPECT_FALSE(r.crashed) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto images = unitEvents("image");
    ASSERT_EQ(images.size(), 1u) << r.err;
    EXPECT_EQ(images[0].value("size").toInt(), 5000);
    EXPECT_EQ(images[0].value("verdict").toString(), "ok");
    EXPECT_EQ(images[0].value("sum").toString().toUInt(nullptr, 16), sum);
    EXPECT_NE(r.err.find("Status: SUCCESS. Reading script file complete"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("2.06"), std::string::npos) << "what the unit sends goes to stdout";
}

TEST_F(ProgramTest, AutomaticModeWithoutPortSearchReportsAndEnds) {
    write("auto.sld", "_SC \"HELLO\"\n");
    automaticConfig("unused 9\nunused 10\nunused 11\nunused 12\nunused 13\nunused 14\nunused 15\nunused 16\n"
                    "unused 17\nunused 18\nunused 19\nunused 20\nunused 21\nunused 22\nunused 23\nunused 24\n"
                    "Skip=TRUE\n");
    const ProgramRun r = run({"--headless"}, {});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("Message: Error!! COM port communication failed. Please check RS232 connection/INI "
                         "settings. Exiting application"),
              std::string::npos)
        << r.err;
}

TEST_F(ProgramTest, AnswerOptionDecidesTheScriptsQuestions) {
    struct Case {
        QStringList args;
        std::string answerLine;
        std::string sent;
    };
    const std::vector<Case> cases = {
        {{"--headless"}, "Answer: Cancel (no --answer given)", "DECLINED"},
        {{"--headless", "--answer", "ok"}, "Answer: OK (--answer ok)", "CONFIRMED"},
    };
    for (const Case& c : cases) {
        QFile::remove(QString::fromStdString(file("unit.log")));
        UnitProcess unit({"--pty", "--log", QString::fromStdString(file("unit.log"))});
        ASSERT_TRUE(unit.started());
        write("auto.sld", "_DQ \"Load the test image?\"\n_DO _SC \"CONFIRMED\"\n_DC _SC \"DECLINED\"\n");
        automaticConfig();
        const ProgramRun r = run(c.args, {{1, unit.where()}});
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.err.find("Question: Zarvex - Query: Load the test image?\n" + c.answerLine),
                  std::string::npos)
            << r.err;
        unit.waitForExit(200);
        const auto lines = unitLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.sent), lines.end()) << c.sent << "\n" << r.err;
    }
}

TEST_F(ProgramTest, HelpListsTheOptionsAndABadOptionIsRefused) {
    const ProgramRun help = run({"--help"}, {});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--headless", "--answer ok|cancel", "--help", "ZARVEX_COM"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const ProgramRun bad = run({"--colour"}, {});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("unknown option '--colour'"), std::string::npos);
}

} // namespace
