#pragma once
// The whole program wired to scripted prompts, a recording shell and a fake
// keyboard, with its own folder standing in for the program's folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "FakeKeyboardState.h"
#include "RichEditText.h"
#include "ScriptedPrompts.h"
#include "Tainoteka.h"
#include "TxtpFile.h"

namespace tainoteka::test {

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { Start({}); }

    void Start(const QStringList& arguments)
    {
        program.reset();
        program = std::make_unique<TTainoteka>(
            TProgramServices{prompts, shell, keyboard, arguments, folder.path() + QLatin1Char('/'), documentFile,
                             RecoveryFolder()});
    }

    TFrmGeneral& window() { return program->FrmGeneral; }
    TRichEditText& editor() { return *program->FrmGeneral.RichEditText; }
    QString Path(const QString& name) const { return folder.filePath(name); }
    QString RecoveryFolder() const { return folder.filePath(QStringLiteral("recovery")); }

    // The user types a new password into the change dialog and presses OK.
    void ScriptNewPassword(const QString& password)
    {
        prompts.DialogScripts.push_back([password](QDialog& d) {
            auto& dialog = static_cast<TFrmPasswordCreate&>(d);
            dialog.TxtPasswordNew->setText(password);
            dialog.TxtPasswordRetry->setText(password);
            dialog.BtnOkClick();
        });
    }
    // The user types the password into the entry dialog and presses OK.
    void ScriptTypedPassword(const QString& password)
    {
        prompts.DialogScripts.push_back([password](QDialog& d) {
            auto& dialog = static_cast<TFrmPasswordEnter&>(d);
            dialog.TxtPassword->setText(password);
            dialog.BtnOkClick();
        });
    }
    void WriteFile(const QString& name, const std::string& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qsizetype(bytes.size()));
    }
    std::string ReadFile(const QString& name)
    {
        QFile file(Path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = file.readAll();
        return std::string(data.constData(), data.size());
    }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    RecordingShell shell;
    FakeKeyboardState keyboard;
    TDocumentFile* documentFile = nullptr; // the system's unless a test puts one in before Start
    std::unique_ptr<TTainoteka> program;
};

} // namespace tainoteka::test
