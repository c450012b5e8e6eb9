#pragma once
// Turns the text given to encrypt into the Windows-1251 bytes a protected
// file holds, refusing anything that would not come back unchanged.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ExitCode.h"
#include "TextCodec.h"

namespace tainoteka::cli {

// The same work on a text that arrives in pieces of any size, so it never has
// to be whole in memory. raw: the data already is Windows-1251 and is taken
// as it stands. Otherwise it must be valid UTF-8 (a leading byte order mark
// is dropped) and every character must have a Windows-1251 byte. A NUL is
// refused in both cases: the file's writer ends the text there, so the rest
// would be lost. The first NUL or malformed sequence ends the check, as
// nothing after it could be stored; characters without a Windows-1251 byte
// are counted up to there. name names the input in messages.
class TTextImporter {
public:
    TTextImporter(bool raw, std::string name);

    // Appends the Windows-1251 form of the next piece to cp1251.
    void Take(std::string_view piece, std::string& cp1251);
    // The input has ended; appends what was held back.
    void Finish(std::string& cp1251);

    // Nothing after this point can change the verdict.
    bool Stopped() const { return stopped_; }
    // The text will be refused; what was appended is not worth keeping.
    bool Refusing() const { return stopped_ || unmappableCount_ > 0; }
    TOutcome Verdict() const;

private:
    void Convert(std::string_view utf8, bool final, std::string& cp1251);
    void Check(std::string_view bytes, std::optional<std::size_t> malformedAt, const std::vector<std::size_t>& unmappable);

    bool raw_;
    std::string name_;
    std::string held_; // the start of the input, or of a UTF-8 sequence cut between pieces
    bool startSeen_ = false; // the byte order mark has been looked for
    bool stopped_ = false;
    TPlaceCounter counter_;
    std::optional<TTextPlace> malformed_;
    std::optional<TTextPlace> nul_;
    std::size_t unmappableCount_ = 0;
    TTextPlace firstUnmappable_;
};

// The whole text at once. cp1251 is left untouched when the text is refused.
TOutcome ImportInputText(std::string_view data, bool raw, const std::string& name, std::string& cp1251);

} // namespace tainoteka::cli
