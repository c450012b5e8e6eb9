#pragma once
// The real modal dialogs behind IPrompts.
#include "ApplicationTitle.h"
#include "Prompts.h"

namespace tainoteka {

// The file dialogs' filters: one per type when saving, both in one when opening.
extern const QString TxtpFilter;
extern const QString AgeFilter;
extern const QString OpenFilter;

class TQtPrompts final : public IPrompts {
public:
    TAnswer AskYesNo(QWidget* parent, const QString& text) override;
    TAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& title, const QString& text) override;
    void ExecDialog(QDialog& dialog) override;
    std::optional<QString> AskOpenFileName(QWidget* parent, const QString& startFolder,
                                           const QString& lastName) override;
    std::optional<QString> AskSaveFileName(QWidget* parent, const QString& startFolder, const QString& lastName,
                                           TDocumentType& type) override;
    std::optional<TFontChoice> AskFont(QWidget* parent, const TFontChoice& current) override;
};

} // namespace tainoteka
