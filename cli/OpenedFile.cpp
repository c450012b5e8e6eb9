#include "OpenedFile.h"

#include "AgeArmor.h"
#include "AgeStreams.h"
#include "ArmoredAge.h"
#include "PasswordRules.h"
#include "TxtpStreams.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

// The start read for a .txtp key block tells an armoured file too.
static_assert(KeyBlockSize >= kAgeArmorProbeSize);

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TOutcome ExamineArmoredAge(std::string_view start, TOpenedFile& opened)
{
    TOutcome outcome = ReadArmoredAge(opened.File, start, opened.Dearmored);
    if (!outcome.Ok())
        return outcome;
    const std::string_view binary(reinterpret_cast<const char*>(opened.Dearmored.data()), opened.Dearmored.size());
    opened.DearmoredSource.emplace(binary, opened.File.Name());
    return ReadAgeHeader(*opened.DearmoredSource, {}, opened.Age, opened.PayloadStart);
}

TOutcome ExamineStart(const std::string& start, TOpenedFile& opened)
{
    const bool armored = LooksLikeArmoredAge(Bytes(start));
    if (armored || LooksLikeAgeFile(Bytes(start))) {
        opened.Format = TFileFormat::Age;
        return armored ? ExamineArmoredAge(start, opened)
                       : ReadAgeHeader(opened.File, start, opened.Age, opened.PayloadStart);
    }
    const TOutcome outcome = CheckKeyBlockLength(start, opened.File.Name());
    if (outcome.Ok())
        opened.KeyBlock = start;
    return outcome;
}

} // namespace

TOpenedFile::~TOpenedFile()
{
    Wipe(KeyBlock);
}

IByteSource& TOpenedFile::Rest()
{
    if (DearmoredSource)
        return *DearmoredSource;
    return File;
}

TOutcome ExamineProtectedFile(const std::string& path, TOpenedFile& opened)
{
    std::string start;
    const TWipeOnExit wipeStart(start);
    TOutcome outcome = opened.File.Open(path);
    if (outcome.Ok())
        outcome = ReadFileStart(opened.File, start);
    return outcome.Ok() ? ExamineStart(start, opened) : outcome;
}

TOutcome UnlockProtectedFile(TOpenedFile& opened, std::string_view typedPassword)
{
    std::string password;
    const TWipeOnExit wipePassword(password);
    const TOutcome outcome = PasswordForOpening(typedPassword, opened.Format, password);
    if (!outcome.Ok())
        return outcome;
    if (opened.Format == TFileFormat::Age)
        return UnlockAgeFile(opened.Age, password, opened.File.Name());
    return OpenKeyBlock(opened.KeyBlock, password, opened.File.Name(), opened.Body);
}

TOutcome ReadProtectedText(TOpenedFile& opened, bool raw, IByteSink& output)
{
    if (opened.Format == TFileFormat::Age)
        return OpenAgeStream(opened.Rest(), opened.Age, opened.PayloadStart, output);
    return DecipherStream(opened.File, opened.Body, raw, output);
}

} // namespace tainoteka::cli
