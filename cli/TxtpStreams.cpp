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
    TBodyWriter(const TKeySet& bodyKeys, IByteSink& output, std::size_t blockSize)
        : running_(bodyKeys)
        , output_(output)
    {
        stored_.reserve(2 * blockSize + 2);
    }
    ~TBodyWriter() { Wipe(stored_); }
    TBodyWriter(const TBodyWriter&) = delete;
    TBodyWriter& operator=(const TBodyWriter&) = delete;

    TOutcome Write(std::string_view text, bool last)
    {
        stored_.clear();
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

TOutcome ProtectStream(IByteSource& input, bool raw, std::string_view password, IByteSink& output,
                       std::size_t blockSize)
{
    const TBuiltKeyBlock keyBlock = BuildKeyBlock(password);
    TOutcome outcome = output.Write(keyBlock.Block);
    TBodyWriter body(keyBlock.BodyKeys, output, blockSize);
    TTextImporter importer(raw, input.Name());
    std::string block(blockSize, '\0');
    std::string text;
    const TWipeOnExit wipeBlock(block);
    const TWipeOnExit wipeText(text);
    text.reserve(blockSize + 4);
    while (outcome.Ok() && !importer.Stopped()) {
        std::size_t got = 0;
        outcome = input.Read(block.data(), blockSize, got);
        if (!outcome.Ok() || got == 0)
            break;
        text.clear();
        importer.Take(std::string_view(block.data(), got), text);
        // Once the text is refused the rest is only read for the count.
        if (!importer.Refusing())
            outcome = body.Write(text, false);
    }
    if (!outcome.Ok())
        return outcome;
    text.clear();
    importer.Finish(text);
    if (importer.Refusing())
        return importer.Verdict();
    return body.Write(text, true);
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
