#include "Commands.h"

#include <QByteArray>
#include <QString>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "AtomicFile.h"
#include "InputText.h"
#include "PasswordRules.h"
#include "PasswordSource.h"
#include "StreamIo.h"
#include "TextCodec.h"
#include "TxtpFile.h"

namespace tainoteka::cli {
namespace {

const std::string kStandardInput = "standard input";

TOutcome ReadFile(const std::string& path, std::string& data)
{
    QByteArray bytes;
    const TFileResult read = ReadWholeFile(QString::fromStdString(path), bytes);
    if (!read.Ok)
        return Failure(TExitCode::FileError, read.Error.toStdString());
    data = bytes.toStdString();
    return Success();
}

TOutcome WriteFile(const std::string& path, std::string_view data)
{
    const QByteArray bytes(data.data(), static_cast<qsizetype>(data.size()));
    const TFileResult written = WriteFileAtomically(QString::fromStdString(path), bytes);
    if (!written.Ok)
        return Failure(TExitCode::FileError, written.Error.toStdString());
    return Success();
}

// A new file of plain text is readable by its owner only; an existing one
// keeps its permissions.
void KeepNewFilesPrivate()
{
#ifndef _WIN32
    ::umask(077);
#endif
}

TOutcome ObtainPassword(const TRequest& request, TPasswordUse use, const std::string& file, std::string& cp1251)
{
    std::string utf8;
    TOutcome outcome = ReadPassword(request.Password, {file, use == TPasswordUse::Protect}, utf8);
    if (outcome.Ok())
        outcome = PasswordToCp1251(utf8, use, cp1251);
    return outcome;
}

TOutcome ReadProtectedFile(const std::string& path, std::string& data)
{
    TOutcome outcome = ReadFile(path, data);
    if (outcome.Ok() && IsTooShortForTxtp(data.size()))
        return Failure(TExitCode::TooShort, path + ": " + std::to_string(data.size()) +
                                                " bytes, too short for a protected file (at least " +
                                                std::to_string(KeyBlockSize) + ")");
    return outcome;
}

// A short file is refused before the password is asked for.
TOutcome OpenRequestedFile(const TRequest& request, bool raw, std::string& text)
{
    std::string file;
    TOutcome outcome = ReadProtectedFile(request.Input, file);
    std::string password;
    if (outcome.Ok())
        outcome = ObtainPassword(request, TPasswordUse::Open, request.Input, password);
    if (outcome.Ok())
        outcome = OpenProtected(file, request.Input, raw, password, text);
    return outcome;
}

// Lines as the editor would show them: a last line without an end counts too.
std::size_t CountLines(std::string_view text)
{
    const TTextPlace end = PlaceOf(text, text.size());
    return end.Column > 1 ? end.Line : end.Line - 1;
}

} // namespace

TOutcome ProtectText(std::string_view input, const std::string& inputName, bool raw, std::string_view password,
                     std::string& file)
{
    std::string text;
    TOutcome outcome = ImportInputText(input, raw, inputName, text);
    if (outcome.Ok())
        file = EncodeTxtpFile(text, password);
    return outcome;
}

TOutcome OpenProtected(std::string_view file, const std::string& fileName, bool raw, std::string_view password,
                       std::string& text)
{
    const TDecodedFile decoded = DecodeTxtpFile(file, password);
    switch (decoded.Status) {
    case TDecodeStatus::TooShort:
        return Failure(TExitCode::TooShort, fileName + ": too short for a protected file");
    case TDecodeStatus::InvalidKeyBlock:
        return Failure(TExitCode::WrongPassword, fileName + ": wrong password, or not a protected file");
    case TDecodeStatus::Ok:
        break;
    }
    text = raw ? decoded.Body : Cp1251ToUtf8(decoded.Body);
    return Success();
}

TOutcome RunEncrypt(const TRequest& request)
{
    // The password first: with --pass fd:0 it is the first line of standard
    // input and the text is what follows.
    std::string password;
    TOutcome outcome = ObtainPassword(request, TPasswordUse::Protect, request.Output, password);
    std::string input;
    if (outcome.Ok())
        outcome = request.Input.empty() ? ReadStandardInput(input) : ReadFile(request.Input, input);
    const std::string& inputName = request.Input.empty() ? kStandardInput : request.Input;
    std::string file;
    if (outcome.Ok())
        outcome = ProtectText(input, inputName, request.Raw, password, file);
    if (outcome.Ok())
        outcome = WriteFile(request.Output, file);
    return outcome;
}

TOutcome RunDecrypt(const TRequest& request)
{
    std::string text;
    TOutcome outcome = OpenRequestedFile(request, request.Raw, text);
    if (!outcome.Ok())
        return outcome;
    if (request.Output.empty())
        return WriteStandardOutput(text);
    KeepNewFilesPrivate();
    return WriteFile(request.Output, text);
}

TOutcome RunCheck(const TRequest& request)
{
    std::string text;
    TOutcome outcome = OpenRequestedFile(request, true, text);
    if (!outcome.Ok())
        return outcome;
    return WriteStandardOutput(request.Input + ": password correct, text of " + std::to_string(text.size()) +
                               " bytes in " + std::to_string(CountLines(text)) + " lines\n");
}

} // namespace tainoteka::cli
