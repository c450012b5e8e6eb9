#include "Convert.h"

#include <string>
#include <string_view>

#include "AgeStreams.h"
#include "FileStreams.h"
#include "LineEnds.h"
#include "OpenedFile.h"
#include "PasswordRules.h"
#include "PasswordSource.h"
#include "ShownName.h"
#include "TxtpStreams.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

// An age payload written from now on ends its lines in LF alone.
class TLfLineEnds final : public IByteSink {
public:
    explicit TLfLineEnds(IByteSink& next) : next_(next) {}
    ~TLfLineEnds() override { Wipe(lines_); }
    TLfLineEnds(const TLfLineEnds&) = delete;
    TLfLineEnds& operator=(const TLfLineEnds&) = delete;

    TOutcome Write(std::string_view text) override
    {
        MakeRoom(text.size());
        normalizer_.Append(text, lines_);
        return lines_.empty() ? Success() : next_.Write(lines_);
    }

    TOutcome Finish()
    {
        MakeRoom(0);
        normalizer_.Finish(lines_);
        return lines_.empty() ? Success() : next_.Write(lines_);
    }

private:
    // Never longer than the piece but for a last line end; a buffer that
    // grew would leave text behind in the old one.
    void MakeRoom(std::size_t pieceSize)
    {
        Wipe(lines_);
        lines_.clear();
        lines_.reserve(pieceSize + 1);
    }

    IByteSink& next_;
    TLineEndNormalizer normalizer_{TLineEnd::Lf};
    std::string lines_;
};

// The output's password: the input's unless --new-pass gives another, and
// one the output's type can be opened with again.
TOutcome ChooseOutputPassword(const TRequest& request, std::string_view typedOld, std::string& password)
{
    std::string typedNew;
    const TWipeOnExit wipeNew(typedNew);
    TOutcome outcome = request.NewPassword ? ReadPassword(*request.NewPassword, {request.Output, true}, typedNew)
                                           : Success();
    const std::string_view chosen = request.NewPassword ? std::string_view(typedNew) : typedOld;
    if (outcome.Ok())
        outcome = PasswordForProtecting(chosen, request.Format, request.AllowEmptyPassword, password);
    if (outcome.Code == TExitCode::Usage && !request.NewPassword)
        outcome.Message = ShownName(request.Output) + ": the password of " + ShownName(request.Input) + " cannot protect it: " +
                          outcome.Message + "; give another with --new-pass";
    return outcome;
}

TOutcome ReprotectAsAge(TOpenedFile& opened, std::string_view password, bool armored, IByteSink& output)
{
    TAgeProtector age(password, armored, output);
    TLfLineEnds lines(age);
    TOutcome outcome = ReadProtectedText(opened, false, lines);
    if (outcome.Ok())
        outcome = lines.Finish();
    return outcome.Ok() ? age.Finish() : outcome;
}

// Between two .txtp files the Windows-1251 bytes pass as stored.
TOutcome ReprotectAsTxtp(TOpenedFile& opened, std::string_view password, IByteSink& output)
{
    const bool raw = opened.Format == TFileFormat::Txtp;
    TTxtpProtector txtp(raw, password, output, opened.File.Name());
    const TOutcome outcome = ReadProtectedText(opened, raw, txtp);
    return outcome.Ok() ? txtp.Finish() : outcome;
}

} // namespace

TOutcome RunConvert(const TRequest& request)
{
    TOutcome outcome = RefuseOutputOntoInput(request.Input, request.Output);
    TOpenedFile opened;
    if (outcome.Ok())
        outcome = ExamineProtectedFile(request.Input, opened);
    std::string typed;
    std::string password;
    const TWipeOnExit wipeTyped(typed);
    const TWipeOnExit wipePassword(password);
    if (outcome.Ok())
        outcome = ReadPassword(request.Password, {request.Input, false}, typed);
    // A password the output cannot take is refused before the input's key derivation.
    if (outcome.Ok())
        outcome = ChooseOutputPassword(request, typed, password);
    if (outcome.Ok())
        outcome = UnlockProtectedFile(opened, typed);
    TOutputFile output;
    if (outcome.Ok())
        outcome = output.Open(request.Output, TOutputAccess::KeepExisting);
    if (outcome.Ok())
        outcome = request.Format == TFileFormat::Age ? ReprotectAsAge(opened, password, request.Armor, output)
                                                     : ReprotectAsTxtp(opened, password, output);
    if (outcome.Ok())
        outcome = output.Commit();
    return outcome;
}

} // namespace tainoteka::cli
