#pragma once
// Everything the system asks of the person at the keyboard: modal messages, OK/Cancel
// and Yes/No questions, the open dialog and the font dialog. A Qt implementation shows
// real dialogs, a headless one prints and takes preset answers, tests script it.

#include <optional>
#include <string>

namespace zarvex {

struct FontChoice {
    std::string family = "Courier New";
    int pixelSize = 12;
    bool bold = false;
    bool italic = false;
    unsigned rgb = 0xC0C0C0;
};

class Operator {
public:
    virtual ~Operator() = default;
    // A modal message box with an OK button and the application's title.
    virtual void showMessage(const std::string& text) = 0;
    // A modal OK/Cancel question; true for OK. Closing the box counts as Cancel.
    virtual bool askOkCancel(const std::string& title, const std::string& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
    // The open dialog; nullopt when cancelled. `filter` uses the "Name (*.ext)|*.ext|..." form.
    virtual std::optional<std::string> chooseOpenFile(const std::string& initialDir,
                                                      const std::string& filter) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& current) = 0;
};

} // namespace zarvex
