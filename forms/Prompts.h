#pragma once
// Every modal thing the windows show goes through this interface, so that
// tests can script the answers instead of blocking in a modal loop.
#include <QFont>
#include <QColor>
#include <QString>
#include <optional>

#include "DocumentType.h"

class QDialog;
class QWidget;

namespace tainoteka {

enum class TAnswer { Yes, No, Cancel };

struct TFontChoice {
    QFont Font;
    QColor Color;
};

class IPrompts {
public:
    virtual ~IPrompts() = default;
    // Title "Тайнотека", exclamation icon, Yes default. Neither Escape nor the
    // close box answers: the user must pick Yes or No. Cancel only when a lock
    // closed the question.
    virtual TAnswer AskYesNo(QWidget* parent, const QString& text) = 0;
    // Title "Тайнотека", exclamation icon, Yes default; Escape and the close box answer Cancel.
    virtual TAnswer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // The same with "Позже" in place of Cancel, which it answers.
    virtual TAnswer AskYesNoLater(QWidget* parent, const QString& text) = 0;
    // Error icon, one OK button.
    virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;
    // Runs one of the program's own dialogs modally and returns once it is hidden.
    virtual void ExecDialog(QDialog& dialog) = 0;
    // File dialogs; nullopt when cancelled. The open dialog shows both
    // document types under one filter; the save dialog offers each type as a
    // filter of its own, `type` picked at first, and reports the one picked.
    virtual std::optional<QString> AskOpenFileName(QWidget* parent, const QString& startFolder,
                                                   const QString& lastName) = 0;
    virtual std::optional<QString> AskSaveFileName(QWidget* parent, const QString& startFolder,
                                                   const QString& lastName, TDocumentType& type) = 0;
    virtual std::optional<TFontChoice> AskFont(QWidget* parent, const TFontChoice& current) = 0;
};

} // namespace tainoteka
