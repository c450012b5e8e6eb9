#pragma once
// The real modal dialogs behind IPrompts.
#include "ApplicationTitle.h"
#include "Prompts.h"

namespace tainoteka {

extern const QString TxtpFilter; // the file dialogs' one filter

class TQtPrompts final : public IPrompts {
public:
    TAnswer AskYesNo(QWidget* parent, const QString& text) override;
    TAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    TAnswer AskYesNoLater(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& title, const QString& text) override;
    void ExecDialog(QDialog& dialog) override;
    std::optional<QString> AskOpenFileName(QWidget* parent, const QString& startFolder,
                                           const QString& lastName) override;
    std::optional<QString> AskSaveFileName(QWidget* parent, const QString& startFolder,
                                           const QString& lastName) override;
    std::optional<TFontChoice> AskFont(QWidget* parent, const TFontChoice& current) override;

private:
    // Yes, No and a third button (Cancel unless named) that Escape and the close box answer.
    static TAnswer AskThreeWays(QWidget* parent, const QString& text, const QString& thirdButton);
};

} // namespace tainoteka
