#include "PasswordRules.h"

#include <algorithm>

#include "KeyBlock.h"
#include "TextCodec.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

// Positions are counted from 1 in characters; the password itself is never
// echoed into a message.
std::string Position(std::size_t index)
{
    return "position " + std::to_string(index + 1);
}

TOutcome CheckConversion(const TUtf8Import& imported)
{
    if (imported.MalformedAt)
        return Failure(TExitCode::Usage, "password: not valid UTF-8 at " + Position(*imported.MalformedAt));
    if (!imported.Unmappable.empty())
        return Failure(TExitCode::Usage, "password: the character at " + Position(imported.Unmappable.front()) +
                                             " has no Windows-1251 form");
    return Success();
}

TOutcome CheckReopenable(std::string_view password)
{
    if (password.size() > MaxPasswordLength)
        return Failure(TExitCode::Usage, "password: " + std::to_string(password.size()) + " characters; at most " +
                                             std::to_string(MaxPasswordLength) +
                                             " are allowed, a longer one could never open the file");
    const std::size_t bar = password.find('|');
    if (bar != std::string_view::npos)
        return Failure(TExitCode::Usage, "password: \"|\" at " + Position(bar) +
                                             " is not allowed, the file could never be opened again");
    const auto control = std::find_if(password.begin(), password.end(),
                                      [](char ch) { return static_cast<unsigned char>(ch) < 0x20; });
    if (control != password.end())
        return Failure(TExitCode::Usage, "password: control character at " + Position(control - password.begin()) +
                                             "; it could not be typed when opening the file");
    return Success();
}

TOutcome PasswordForUse(std::string_view utf8, TPasswordUse use, TFileFormat format, std::string& password)
{
    if (format == TFileFormat::Txtp)
        return PasswordToCp1251(utf8, use, password);
    password.assign(utf8);
    return Success();
}

} // namespace

TOutcome PasswordToCp1251(std::string_view utf8, TPasswordUse use, std::string& cp1251)
{
    TUtf8Import imported = Utf8ToCp1251(utf8);
    // Copied, not moved: a short string's bytes would stay behind in the moved-from buffer.
    const TWipeOnExit wipeImported(imported.Bytes);
    TOutcome outcome = CheckConversion(imported);
    if (outcome.Ok() && use == TPasswordUse::Protect)
        outcome = CheckReopenable(imported.Bytes);
    if (outcome.Ok())
        cp1251 = imported.Bytes;
    return outcome;
}

TOutcome PasswordForOpening(std::string_view utf8, TFileFormat format, std::string& password)
{
    return PasswordForUse(utf8, TPasswordUse::Open, format, password);
}

TOutcome PasswordForProtecting(std::string_view utf8, TFileFormat format, bool allowEmpty, std::string& password)
{
    const TOutcome outcome = PasswordForUse(utf8, TPasswordUse::Protect, format, password);
    if (outcome.Ok() && password.empty() && !allowEmpty)
        return Failure(TExitCode::Usage, "empty password; use --allow-empty-password to protect with none");
    return outcome;
}

} // namespace tainoteka::cli
