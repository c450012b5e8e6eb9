#include "Commands.h"

#include "AgeStreams.h"
#include "FileStreams.h"
#include "PasswordRules.h"
#include "PasswordSource.h"
#include "StreamIo.h"
#include "TextCodec.h"
#include "TxtpStreams.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

const std::string kEmptyPassword = "empty password; use --allow-empty-password to protect with none";

// The password as the file type uses it: Windows-1251 bytes for .txtp, the
// typed UTF-8 for age. The UTF-8 copy is wiped on the way.
TOutcome ObtainPassword(const TRequest& request, TPasswordUse use, TFileFormat format, const std::string& file,
                        std::string& password)
{
    std::string utf8;
    const TWipeOnExit wipeUtf8(utf8);
    TOutcome outcome = ReadPassword(request.Password, {file, use == TPasswordUse::Protect}, utf8);
    if (outcome.Ok() && format == TFileFormat::Age)
        password.assign(utf8);
    else if (outcome.Ok())
        outcome = PasswordToCp1251(utf8, use, password);
    if (outcome.Ok() && use == TPasswordUse::Protect && password.empty() && !request.AllowEmptyPassword)
        return Failure(TExitCode::Usage, kEmptyPassword);
    return outcome;
}

// Counts what passes without keeping any of it.
class TTextMeasure final : public IByteSink {
public:
    TOutcome Write(std::string_view data) override
    {
        bytes_ += data.size();
        counter_.Advance(data);
        return Success();
    }
    std::size_t Bytes() const { return bytes_; }
    // Lines as the editor would show them: a last line without an end counts too.
    std::size_t Lines() const
    {
        const TTextPlace& end = counter_.Place();
        return end.Column > 1 ? end.Line : end.Line - 1;
    }

private:
    std::size_t bytes_ = 0;
    TPlaceCounter counter_;
};

// A protected file of either type, its password checked, ready to give its text.
struct TOpenedFile {
    TInputFile File;
    TFileFormat Format = TFileFormat::Txtp;
    TKeySet Body; // .txtp
    AgeReader Age;
    std::string PayloadStart; // age: payload bytes read with the header
};

// The type comes from the content; a short or damaged file, or one for
// keys, is refused before the password is asked for.
TOutcome OpenRequestedFile(const TRequest& request, TOpenedFile& opened)
{
    std::string start;
    std::string password;
    const TWipeOnExit wipeStart(start);
    const TWipeOnExit wipePassword(password);
    TOutcome outcome = opened.File.Open(request.Input);
    if (outcome.Ok())
        outcome = ReadFileStart(opened.File, start);
    const bool age = LooksLikeAgeFile({reinterpret_cast<const std::uint8_t*>(start.data()), start.size()});
    opened.Format = age ? TFileFormat::Age : TFileFormat::Txtp;
    if (outcome.Ok())
        outcome = age ? ReadAgeHeader(opened.File, start, opened.Age, opened.PayloadStart)
                      : CheckKeyBlockLength(start, opened.File.Name());
    if (outcome.Ok())
        outcome = ObtainPassword(request, TPasswordUse::Open, opened.Format, request.Input, password);
    if (outcome.Ok())
        outcome = age ? UnlockAgeFile(opened.Age, password, request.Input)
                      : OpenKeyBlock(start, password, request.Input, opened.Body);
    return outcome;
}

TOutcome ReadText(TOpenedFile& opened, bool raw, IByteSink& output)
{
    if (opened.Format == TFileFormat::Age)
        return OpenAgeStream(opened.File, opened.Age, opened.PayloadStart, output);
    return DecipherStream(opened.File, opened.Body, raw, output);
}

} // namespace

TOutcome ProtectText(std::string_view input, const std::string& inputName, bool raw, std::string_view password,
                     std::string& file)
{
    TMemorySource source(input, inputName);
    std::string protectedFile;
    TStringSink sink(protectedFile);
    const TOutcome outcome = ProtectStream(source, raw, password, sink);
    if (outcome.Ok())
        file = std::move(protectedFile);
    return outcome;
}

TOutcome OpenProtected(std::string_view file, const std::string& fileName, bool raw, std::string_view password,
                       std::string& text)
{
    TMemorySource source(file, fileName);
    std::string block;
    TKeySet body;
    TOutcome outcome = ReadKeyBlock(source, block);
    if (outcome.Ok())
        outcome = OpenKeyBlock(block, password, fileName, body);
    std::string opened;
    TStringSink sink(opened);
    if (outcome.Ok())
        outcome = DecipherStream(source, body, raw, sink);
    if (outcome.Ok())
        text = std::move(opened);
    return outcome;
}

TOutcome RunEncrypt(const TRequest& request)
{
    TOutcome outcome = RefuseOutputOntoInput(request.Input, request.Output);
    // The password first: with --pass fd:0 it is the first line of standard
    // input and the text is what follows.
    std::string password;
    const TWipeOnExit wipePassword(password);
    if (outcome.Ok())
        outcome = ObtainPassword(request, TPasswordUse::Protect, request.Format, request.Output, password);
    TInputFile input;
    if (outcome.Ok())
        outcome = input.Open(request.Input);
    TOutputFile output;
    if (outcome.Ok())
        outcome = output.Open(request.Output, TOutputAccess::KeepExisting);
    if (outcome.Ok())
        outcome = request.Format == TFileFormat::Age ? ProtectAgeStream(input, password, output)
                                                     : ProtectStream(input, request.Raw, password, output);
    if (outcome.Ok())
        outcome = output.Commit();
    return outcome;
}

TOutcome RunDecrypt(const TRequest& request)
{
    TOutcome outcome = RefuseOutputOntoInput(request.Input, request.Output);
    TOpenedFile opened;
    if (outcome.Ok())
        outcome = OpenRequestedFile(request, opened);
    TOutputFile output;
    if (outcome.Ok())
        outcome = output.Open(request.Output, TOutputAccess::OwnerOnly);
    if (outcome.Ok())
        outcome = ReadText(opened, request.Raw, output);
    if (outcome.Ok())
        outcome = output.Commit();
    return outcome;
}

TOutcome RunCheck(const TRequest& request)
{
    TOpenedFile opened;
    TOutcome outcome = OpenRequestedFile(request, opened);
    TTextMeasure measure;
    if (outcome.Ok())
        outcome = ReadText(opened, true, measure);
    if (!outcome.Ok())
        return outcome;
    return WriteStandardOutput(request.Input + ": password correct, text of " + std::to_string(measure.Bytes()) +
                               " bytes in " + std::to_string(measure.Lines()) + " lines\n");
}

} // namespace tainoteka::cli
