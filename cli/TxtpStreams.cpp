#include "TxtpStreams.h"

#include "Cipher.h"
#include "InputText.h"
#include "LineEnds.h"
#include "TextCodec.h"
#include "Wipe.h"

namespace tainoteka::cli {
namespace {

// Normalises the line ends of a piece of text, enciphers it and writes it.
class TBodyWriter {
public:
    TBodyWriter(const TKeySet& bodyKeys, IByteSink& output)
        : running_(bodyKeys)
        , output_(output)
    {
    }
    ~TBodyWriter() { Wipe(stored_); }
    TBodyWriter(const TBodyWriter&) = delete;
    TBodyWriter& operator=(const TBodyWriter&) = delete;

    TOutcome Write(std::string_view text, bool last)
    {
        // Room first: a buffer that grew would leave text behind in the old one.
        stored_.clear();
        stored_.reserve(2 * text.size() + 2);
        lines_.Append(text, stored_);
        if (last)
            lines_.Finish(stored_);
        running_.StartKey = EncryptRun(reinterpret_cast<unsigned char*>(stored_.data()), stored_.size(), running_);
        return stored_.empty() ? Success() : output_.Write(stored_);
    }

private:
    TKeySet running_;
    IByteSink& output_;
    TLineEndNormalizer lines_;
    std::string stored_;
};

} // namespace

struct TTxtpProtector::TState {
    TState(bool raw, std::string_view password, IByteSink& out, std::string inputName)
        : KeyBlock(BuildKeyBlock(password))
        , Output(out)
        , Body(KeyBlock.BodyKeys, out)
        , Importer(raw, std::move(inputName))
    {
    }
    ~TState() { Wipe(Text); }

    // Room for the Windows-1251 form of a piece (never longer, but for a
    // held-back sequence), the last one's wiped first.
    void MakeRoom(std::size_t pieceSize)
    {
        Wipe(Text);
        Text.clear();
        Text.reserve(pieceSize + 4);
    }

    // The key block goes out with the first of the text.
    TOutcome Start()
    {
        if (Started)
            return Success();
        Started = true;
        return Output.Write(KeyBlock.Block);
    }

    TBuiltKeyBlock KeyBlock;
    IByteSink& Output;
    TBodyWriter Body;
    TTextImporter Importer;
    std::string Text; // the Windows-1251 form of the latest piece
    bool Started = false;
};

TTxtpProtector::TTxtpProtector(bool raw, std::string_view password, IByteSink& output, std::string inputName)
    : state_(std::make_unique<TState>(raw, password, output, std::move(inputName)))
{
}

TTxtpProtector::~TTxtpProtector() = default;

TOutcome TTxtpProtector::Write(std::string_view text)
{
    TOutcome outcome = state_->Start();
    if (!outcome.Ok())
        return outcome;
    state_->MakeRoom(text.size());
    state_->Importer.Take(text, state_->Text);
    if (state_->Importer.Stopped())
        return state_->Importer.Verdict();
    // Once the text is refused the rest only counts towards the verdict.
    return state_->Importer.Refusing() ? Success() : state_->Body.Write(state_->Text, false);
}

TOutcome TTxtpProtector::Finish()
{
    TOutcome outcome = state_->Start();
    if (!outcome.Ok())
        return outcome;
    state_->MakeRoom(0);
    state_->Importer.Finish(state_->Text);
    if (state_->Importer.Refusing())
        return state_->Importer.Verdict();
    return state_->Body.Write(state_->Text, true);
}

TOutcome ProtectStream(IByteSource& input, bool raw, std::string_view password, IByteSink& output,
                       std::size_t blockSize)
{
    TTxtpProtector protector(raw, password, output, input.Name());
    const TOutcome outcome = CopyStream(input, protector, blockSize);
    return outcome.Ok() ? protector.Finish() : outcome;
}

TOutcome ReadFileStart(IByteSource& file, std::string& start)
{
    start.assign(KeyBlockSize, '\0');
    std::size_t have = 0;
    while (have < KeyBlockSize) {
        std::size_t got = 0;
        const TOutcome outcome = file.Read(start.data() + have, KeyBlockSize - have, got);
        if (!outcome.Ok())
            return outcome;
        if (got == 0)
            break;
        have += got;
    }
    start.resize(have);
    return Success();
}

TOutcome CheckKeyBlockLength(const std::string& start, const std::string& fileName)
{
    if (start.size() >= KeyBlockSize)
        return Success();
    return Failure(TExitCode::TooShort, fileName + ": " + std::to_string(start.size()) +
                                            " bytes, too short for a protected file (at least " +
                                            std::to_string(KeyBlockSize) + ")");
}

TOutcome ReadKeyBlock(IByteSource& file, std::string& block)
{
    const TOutcome outcome = ReadFileStart(file, block);
    return outcome.Ok() ? CheckKeyBlockLength(block, file.Name()) : outcome;
}

TOutcome OpenKeyBlock(std::string_view block, std::string_view password, const std::string& fileName, TKeySet& body)
{
    TFileKeys keys = ParseKeyBlock(block, password);
    const TWipeOnExit wipeStored(keys.Password);
    if (!keys.Valid)
        return Failure(TExitCode::WrongPassword, fileName + ": wrong password, or not a protected file");
    body = {keys.StartKey, keys.MultKey, keys.AddKey};
    return Success();
}

TOutcome DecipherStream(IByteSource& file, const TKeySet& body, bool raw, IByteSink& output, std::size_t blockSize)
{
    TKeySet running = body;
    std::string block(blockSize, '\0');
    std::string utf8;
    const TWipeOnExit wipeBlock(block);
    const TWipeOnExit wipeUtf8(utf8);
    if (!raw)
        utf8.reserve(3 * blockSize);
    for (;;) {
        std::size_t got = 0;
        TOutcome outcome = file.Read(block.data(), blockSize, got);
        if (!outcome.Ok() || got == 0)
            return outcome;
        auto* bytes = reinterpret_cast<unsigned char*>(block.data());
        running.StartKey = DecryptRun(bytes, got, running);
        const std::string_view plain(block.data(), got);
        if (raw) {
            outcome = output.Write(plain);
        } else {
            utf8.clear();
            AppendCp1251AsUtf8(plain, utf8);
            outcome = output.Write(utf8);
        }
        if (!outcome.Ok())
            return outcome;
    }
}

} // namespace tainoteka::cli
