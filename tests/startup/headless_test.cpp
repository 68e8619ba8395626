// The headless run's side of the operator: its answers to questions, what it prints
// where, and the command line that sets it up.

#include "app/headless_views.h"
#include "app/options.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zarvex;

namespace {

TEST(HeadlessOperator, AnswersAsPresetAndPrintsQuestionAndAnswer) {
    struct Case {
        std::optional<bool> answerOk;
        bool okCancel;
        bool yesNo;
        std::string okLine;
        std::string yesLine;
    };
    const std::vector<Case> cases = {
        {std::nullopt, false, false, "Answer: Cancel (no --answer given)", "Answer: No (no --answer given)"},
        {false, false, false, "Answer: Cancel (--answer cancel)", "Answer: No (--answer cancel)"},
        {true, true, true, "Answer: OK (--answer ok)", "Answer: Yes (--answer ok)"},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        HeadlessOperator op(c.answerOk, err);
        EXPECT_EQ(op.askOkCancel("Zarvex", "Load the image?"), c.okCancel);
        EXPECT_EQ(op.askYesNo("Loader GUI : Confirm Exit", "File upload in progress.\rAre you sure?"),
                  c.yesNo);
        EXPECT_EQ(err.str(),
                  "Question: Zarvex: Load the image?\n" + c.okLine +
                      "\nQuestion: Loader GUI : Confirm Exit: File upload in progress.\nAre you sure?\n" +
                      c.yesLine + "\n");
    }
}

TEST(HeadlessOperator, MessagesGoToStderrAndDialogsAreCancelled) {
    std::ostringstream err;
    HeadlessOperator op(true, err);
    op.showMessage("Error! Unit not in Loader Mode! Exiting script");
    EXPECT_EQ(op.chooseOpenFile("..", "Script (*.sld)|*.sld"), std::nullopt);
    EXPECT_EQ(op.chooseFont(FontChoice{}), std::nullopt);
    EXPECT_EQ(err.str().rfind("Message: Error! Unit not in Loader Mode! Exiting script\n", 0), 0u);
}

TEST(HeadlessMainView, UnitOutputToStdoutStatusToStderr) {
    std::ostringstream out, err;
    HeadlessMainView view(out, err);
    view.terminalWrite(std::string_view("2.06\r\n>\0x", 9));
    view.showStatus("Established communication on COM 1");
    view.showStatus(" ");
    view.setComNumberLabel("3");
    EXPECT_EQ(out.str(), std::string("2.06\r\n>\0x", 9)) << "the unit's bytes pass unchanged";
    EXPECT_EQ(err.str(), "Status: Established communication on COM 1\n") << "a blank status only clears";
    EXPECT_EQ(view.comNumberLabel(), "3") << "start-up reads the label back";
}

TEST(PrintableText, CarriageReturnsBecomeLineEnds) {
    EXPECT_EQ(printableText("a\rb\r\nc\r"), "a\nb\nc\n");
    EXPECT_EQ(printableText("plain"), "plain");
}

TEST(Options, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool headless;
        std::optional<bool> answerOk;
        bool help;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{}, false, std::nullopt, false, ""},
        {{"--headless"}, true, std::nullopt, false, ""},
        {{"--headless", "--answer", "ok"}, true, true, false, ""},
        {{"--answer=cancel"}, false, false, false, ""},
        {{"--help"}, false, std::nullopt, true, ""},
        {{"--answer"}, false, std::nullopt, false, "--answer needs a value: ok or cancel"},
        {{"--answer", "yes"}, false, std::nullopt, false, "--answer takes ok or cancel, not 'yes'"},
        {{"--window"}, false, std::nullopt, false, "unknown option '--window'"},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = parseOptions(c.args);
        const std::string line = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(p.error, c.error) << line;
        if (!c.error.empty())
            continue;
        EXPECT_EQ(p.options.headless, c.headless) << line;
        EXPECT_EQ(p.options.answerOk, c.answerOk) << line;
        EXPECT_EQ(p.options.help, c.help) << line;
    }
}

} // namespace
