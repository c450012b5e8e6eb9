#include "Commands.h"

#include "AgeStreams.h"
#include "FileStreams.h"
#include "OpenedFile.h"
#include "PasswordRules.h"
#include "PasswordSource.h"
#include "ShownName.h"
#include "StreamIo.h"
#include "TextCodec.h"
#include "TxtpStreams.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

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

TOutcome OpenRequestedFile(const TRequest& request, TOpenedFile& opened)
{
    std::string typed;
    const TWipeOnExit wipeTyped(typed);
    TOutcome outcome = ExamineProtectedFile(request.Input, opened);
    if (outcome.Ok())
        outcome = ReadPassword(request.Password, {request.Input, false}, typed);
    if (outcome.Ok())
        outcome = UnlockProtectedFile(opened, typed);
    return outcome;
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
    std::string typed;
    std::string password;
    const TWipeOnExit wipeTyped(typed);
    const TWipeOnExit wipePassword(password);
    if (outcome.Ok())
        outcome = ReadPassword(request.Password, {request.Output, true}, typed);
    if (outcome.Ok())
        outcome = PasswordForProtecting(typed, request.Format, request.AllowEmptyPassword, password);
    TInputFile input;
    if (outcome.Ok())
        outcome = input.Open(request.Input);
    TOutputFile output;
    if (outcome.Ok())
        outcome = output.Open(request.Output, TOutputAccess::KeepExisting);
    if (outcome.Ok())
        outcome = request.Format == TFileFormat::Age ? ProtectAgeStream(input, password, request.Armor, output)
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
        outcome = ReadProtectedText(opened, request.Raw, output);
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
        outcome = ReadProtectedText(opened, true, measure);
    if (!outcome.Ok())
        return outcome;
    return WriteStandardOutput(ShownName(request.Input) + ": password correct, text of " + std::to_string(measure.Bytes()) +
                               " bytes in " + std::to_string(measure.Lines()) + " lines\n");
}

} // namespace tainoteka::cli
