#pragma once
// The operator's dialogs on the desktop: modal message boxes titled with the application
// title, the Yes/No question owned by the main window, the open dialog and the font
// dialog.

#include "link/platform/operator.h"

#include <QString>

class QWidget;

namespace zarvex {

class QtOperator : public Operator {
public:
    static constexpr const char* kApplicationTitle = "Zarvex";

    void showMessage(const std::string& text) override;
    bool askOkCancel(const std::string& title, const std::string& text) override;
    // Owned by the window of class "TRirovUzodAdiruvForm" when it exists.
    bool askYesNo(const std::string& title, const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& initialDir,
                                              const std::string& filter) override;
    std::optional<FontChoice> chooseFont(const FontChoice& current) override;

    // "Script files (*.sld)|*.sld|All files (*.*)|*.*" in Qt's form:
    // "Script files (*.sld);;All files (*)". "*.*" means every file, as it does there.
    static QString qtNameFilter(const std::string& filter);
    // Message texts end lines with CR or CR LF; a message box wants LF.
    static QString messageText(const std::string& text);
    // The main window, found by its class name as the Yes/No question needs it.
    static QWidget* mainWindow();
};

} // namespace zarvex
