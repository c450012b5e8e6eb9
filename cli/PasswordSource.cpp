#include "PasswordSource.h"

#include <charconv>
#include <cstdlib>
#include <optional>

#include <QString>

#include "AtomicFile.h"
#include "FileName.h"
#include "ShownName.h"
#include "StreamIo.h"
#include "Terminal.h"

namespace tainoteka::cli {
namespace {

constexpr std::size_t kLongestDescriptorLine = 4096;
constexpr std::string_view kSourceForms = " takes env:VAR, file:PATH or fd:N";

TOutcome UsageError(const std::string& text)
{
    return Failure(TExitCode::Usage, text);
}

std::string_view FirstLine(std::string_view data)
{
    const std::size_t lineEnd = data.find('\n');
    if (lineEnd == std::string_view::npos)
        return data;
    data = data.substr(0, lineEnd);
    if (!data.empty() && data.back() == '\r')
        data.remove_suffix(1);
    return data;
}

TOutcome ParseDescriptor(std::string_view number, std::string_view option, TPasswordSource& source)
{
    int fd = -1;
    const char* last = number.data() + number.size();
    const bool isNumber = !number.empty() && std::from_chars(number.data(), last, fd).ptr == last && fd >= 0;
    if (!isNumber)
        return UsageError(std::string(option) + " fd:N needs a descriptor number, not \"" + std::string(number) + "\"");
    source = {TPasswordKind::Descriptor, "fd:" + std::string(number), fd, std::string(option)};
    return Success();
}

// Windows keeps the environment in UTF-16; its narrow copy is in the ANSI code
// page and turns every letter outside it into '?'.
std::optional<std::string> Variable(const std::string& name)
{
#ifdef _WIN32
    const wchar_t* value = _wgetenv(QString::fromStdString(name).toStdWString().c_str());
    if (!value)
        return std::nullopt;
    return QString::fromWCharArray(value).toStdString();
#else
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
#endif
}

TOutcome FromEnvironment(const TPasswordSource& source, std::string& utf8)
{
    const std::optional<std::string> value = Variable(source.Name);
    if (!value)
        return UsageError(source.Option + " env:" + source.Name + ": the variable is not set");
    utf8 = *value;
    return Success();
}

TOutcome FromFile(const std::string& path, std::string& utf8)
{
    QByteArray data;
    const TFileResult read = ReadWholeFile(FileNameFromSystem(QByteArray::fromStdString(path)), data);
    if (!read.Ok)
        return Failure(TExitCode::FileError, read.Error.toStdString());
    utf8 = FirstLine(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    return Success();
}

TOutcome FromDescriptor(const TPasswordSource& source, std::string& utf8)
{
    TOutcome outcome = ReadLineFromDescriptor(source.Fd, kLongestDescriptorLine, source.Name, utf8);
    if (outcome.Ok() && !utf8.empty() && utf8.back() == '\r')
        utf8.pop_back();
    return outcome;
}

TOutcome AskOnce(const std::string& prompt, std::string& utf8)
{
    const TTerminalLine line = AskHidden(prompt);
    switch (line.Status) {
    case TTerminalStatus::Ok:
        utf8 = line.Text;
        return Success();
    case TTerminalStatus::NoTerminal:
        return UsageError("no terminal to ask for the password on (" + line.Error +
                          "); give it with --pass env:VAR, --pass file:PATH or --pass fd:N");
    case TTerminalStatus::Cancelled:
        return UsageError("password entry cancelled");
    case TTerminalStatus::Failed:
        break;
    }
    return Failure(TExitCode::FileError, "terminal: " + line.Error);
}

TOutcome FromTerminal(const TPasswordPrompt& prompt, std::string& utf8)
{
    TOutcome outcome = AskOnce("Password for " + ShownName(prompt.File) + ": ", utf8);
    if (!outcome.Ok() || !prompt.Confirm)
        return outcome;
    std::string again;
    outcome = AskOnce("Repeat the password: ", again);
    if (outcome.Ok() && again != utf8)
        return UsageError("the two passwords differ; " + ShownName(prompt.File) + " was not written");
    return outcome;
}

} // namespace

TOutcome ParsePasswordSource(std::string_view text, TPasswordSource& source, std::string_view option)
{
    if (text.empty()) {
        source = {};
        return Success();
    }
    const std::size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon == std::string_view::npos ? 0 : colon);
    const std::string_view rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    if (kind == "fd")
        return ParseDescriptor(rest, option, source);
    if ((kind == "env" || kind == "file") && !rest.empty()) {
        source = {kind == "env" ? TPasswordKind::Environment : TPasswordKind::File, std::string(rest), -1,
                  std::string(option)};
        return Success();
    }
    return UsageError(std::string(option) + std::string(kSourceForms) +
                      "; a password itself is never taken as an argument");
}

TOutcome ReadPassword(const TPasswordSource& source, const TPasswordPrompt& prompt, std::string& utf8)
{
    switch (source.Kind) {
    case TPasswordKind::Environment:
        return FromEnvironment(source, utf8);
    case TPasswordKind::File:
        return FromFile(source.Name, utf8);
    case TPasswordKind::Descriptor:
        return FromDescriptor(source, utf8);
    case TPasswordKind::Terminal:
        break;
    }
    return FromTerminal(prompt, utf8);
}

} // namespace tainoteka::cli
