#pragma once
// Prompts whose answers a test queues up in advance; every question, error
// and dialog is recorded so the test can check what the user would have seen.
#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

#include "Prompts.h"
#include "Shell.h"

namespace tainoteka::test {

class ScriptedPrompts final : public IPrompts {
public:
    struct Error {
        QString Title;
        QString Text;
    };

    std::deque<TAnswer> Answers; // for both kinds of question
    std::deque<std::optional<QString>> OpenNames;
    std::deque<std::optional<QString>> SaveNames;
    std::deque<TDocumentType> SaveTypes; // picked in the save dialog; the offered one when empty
    std::deque<std::optional<TFontChoice>> Fonts;
    // Plays the user's part in a dialog; the dialog is hidden afterwards.
    std::deque<std::function<void(QDialog&)>> DialogScripts;

    QStringList Questions;
    QList<Error> Errors;
    QStringList DialogsShown; // object names
    QStringList SaveStartFolders;
    QStringList OpenStartFolders;
    QList<TDocumentType> SaveTypesOffered;
    QStringList SaveNamesSuggested;

    TAnswer AskYesNo(QWidget*, const QString& text) override { return Answer(text, TAnswer::No); }
    TAnswer AskYesNoCancel(QWidget*, const QString& text) override { return Answer(text, TAnswer::Cancel); }
    TAnswer AskYesNoLater(QWidget*, const QString& text) override { return Answer(text, TAnswer::Cancel); }
    void ShowError(QWidget*, const QString& title, const QString& text) override { Errors.append({title, text}); }
    void ExecDialog(QDialog& dialog) override
    {
        DialogsShown.append(dialog.objectName());
        dialog.show();
        if (!DialogScripts.empty()) {
            auto script = std::move(DialogScripts.front());
            DialogScripts.pop_front();
            script(dialog);
        }
        dialog.hide();
    }
    std::optional<QString> AskOpenFileName(QWidget*, const QString& start, const QString&) override
    {
        OpenStartFolders.append(start);
        return Next(OpenNames);
    }
    std::optional<QString> AskSaveFileName(QWidget*, const QString& start, const QString& name,
                                           TDocumentType& type) override
    {
        SaveStartFolders.append(start);
        SaveNamesSuggested.append(name);
        SaveTypesOffered.append(type);
        if (!SaveTypes.empty()) {
            type = SaveTypes.front();
            SaveTypes.pop_front();
        }
        return Next(SaveNames);
    }
    std::optional<TFontChoice> AskFont(QWidget*, const TFontChoice&) override { return Next(Fonts); }

private:
    TAnswer Answer(const QString& text, TAnswer fallback)
    {
        Questions.append(text);
        if (Answers.empty())
            return fallback;
        const TAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }
    template <class T>
    static std::optional<T> Next(std::deque<std::optional<T>>& queue)
    {
        std::optional<T> next;
        if (!queue.empty()) {
            next.swap(queue.front());
            queue.pop_front();
        }
        return next;
    }
};

class RecordingShell final : public IShell {
public:
    QStringList Opened;
    void Open(const QString& target) override { Opened.append(target); }
};

} // namespace tainoteka::test
