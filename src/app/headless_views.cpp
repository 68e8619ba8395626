#include "app/headless_views.h"

#include <QTimer>

#include <ostream>

namespace zarvex {

std::string printableText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            out.push_back(text[i]);
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            out.push_back('\n');
    }
    return out;
}

HeadlessOperator::HeadlessOperator(std::optional<bool> answerOk, std::ostream& err)
    : answerOk_(answerOk), err_(err) {}

void HeadlessOperator::showMessage(const std::string& text) {
    err_ << "Message: " << printableText(text) << std::endl;
}

std::string HeadlessOperator::whyAnswered() const {
    if (!answerOk_)
        return " (no --answer given)";
    return *answerOk_ ? " (--answer ok)" : " (--answer cancel)";
}

void HeadlessOperator::printQuestion(const std::string& title, const std::string& text, const char* answer) {
    err_ << "Question: " << printableText(title) << ": " << printableText(text) << "\n"
         << "Answer: " << answer << whyAnswered() << std::endl;
}

bool HeadlessOperator::askOkCancel(const std::string& title, const std::string& text) {
    const bool ok = answerOk_.value_or(false);
    printQuestion(title, text, ok ? "OK" : "Cancel");
    return ok;
}

bool HeadlessOperator::askYesNo(const std::string& title, const std::string& text) {
    const bool yes = answerOk_.value_or(false);
    printQuestion(title, text, yes ? "Yes" : "No");
    return yes;
}

std::optional<std::string> HeadlessOperator::chooseOpenFile(const std::string&, const std::string&) {
    err_ << "Note: a headless run has no file dialog; the choice is cancelled." << std::endl;
    return std::nullopt;
}

std::optional<FontChoice> HeadlessOperator::chooseFont(const FontChoice&) {
    return std::nullopt;
}

void HeadlessMainView::showStatus(const std::string& text) {
    if (text != " ") // a single blank only clears the line
        err_ << "Status: " << printableText(text) << std::endl;
}

void HeadlessMainView::terminalWrite(std::string_view bytes) {
    out_.write(bytes.data(), std::streamsize(bytes.size()));
    out_.flush();
}

void HeadlessInfo::showNotice(const std::string& text) {
    err_ << "Info: " << text << std::endl;
}

void HeadlessEthernetDialog::showDialog() {
    err_ << "Note: a headless run has no Ethernet dialog; connect with the settings of LoaderDefault.ini."
         << std::endl;
}

void HeadlessEthernetDialog::setDialogStatus(const std::string& text) {
    err_ << "Ethernet: " << printableText(text) << std::endl;
}

HeadlessViewSet::HeadlessViewSet(std::optional<bool> answerOk, std::ostream& out, std::ostream& err)
    : err_(err), op_(answerOk, err), main_(out, err), progress_(), ethernet_(err), info_(err) {}

HeadlessViewSet::~HeadlessViewSet() = default;

void HeadlessViewSet::start(LoaderApp& app) {
    app.ctx.port.onReceived = [this](std::string_view bytes) { main_.terminalWrite(bytes); };
    app.ctx.port.onLost = [this](const std::string& reason) {
        err_ << "Note: the serial port was lost: " << reason << std::endl;
    };
    interrupt_ = std::make_unique<InterruptStop>([&app] { app.progress.CancelButtonClick(); });
    QTimer::singleShot(0, [&app] { app.startup.FormShow(); });
}

} // namespace zarvex
