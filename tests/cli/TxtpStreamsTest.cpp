// Texts cut into blocks of every small size must give the same files, texts
// and verdicts as when they are whole: the cut may fall inside a UTF-8
// sequence, between CR and LF, or inside the byte order mark.
#include <gtest/gtest.h>

#include <string>

#include "InputText.h"
#include "TextCodec.h"
#include "TxtpStreams.h"

using namespace tainoteka;
using namespace tainoteka::cli;

namespace {

// Hands out at most `piece` bytes per read, like a pipe.
class TTrickleSource final : public IByteSource {
public:
    TTrickleSource(std::string_view data, std::size_t piece) : data_(data), piece_(piece) {}
    TOutcome Read(char* buffer, std::size_t capacity, std::size_t& got) override
    {
        got = data_.copy(buffer, std::min(capacity, piece_));
        data_.remove_prefix(got);
        return Success();
    }
    const std::string& Name() const override { return name_; }

private:
    std::string_view data_;
    std::size_t piece_;
    std::string name_ = "in";
};

struct TRoundTrip {
    TOutcome Protected;
    std::string Stored; // the deciphered body, Windows-1251
    std::string Utf8; // the same as UTF-8
};

TRoundTrip ProtectAndOpen(const std::string& text, bool raw, std::size_t block, std::size_t piece)
{
    TRoundTrip trip;
    std::string file;
    TStringSink fileSink(file);
    TTrickleSource input(text, piece);
    trip.Protected = ProtectStream(input, raw, "pw", fileSink, block);
    if (!trip.Protected.Ok())
        return trip;
    for (const bool rawOut : {true, false}) {
        TTrickleSource stored(file, piece);
        std::string keyBlock;
        TKeySet body;
        EXPECT_TRUE(ReadKeyBlock(stored, keyBlock).Ok());
        EXPECT_TRUE(OpenKeyBlock(keyBlock, "pw", "f", body).Ok());
        TStringSink sink(rawOut ? trip.Stored : trip.Utf8);
        EXPECT_TRUE(DecipherStream(stored, body, rawOut, sink, block).Ok());
    }
    return trip;
}

} // namespace

TEST(TxtpStreams, EveryBlockSizeGivesTheSameText)
{
    const std::string text = "\xEF\xBB\xBFПервая\r\nвторая\rтретья\n№ 5 — «цитата»\r\n\r\nконец";
    const std::string stored = Utf8ToCp1251("Первая\r\nвторая\r\nтретья\r\n№ 5 — «цитата»\r\n\r\nконец\r\n").Bytes;
    for (std::size_t block = 1; block <= 9; ++block)
        for (const std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(5), text.size()}) {
            SCOPED_TRACE(testing::Message() << "block " << block << ", piece " << piece);
            const TRoundTrip trip = ProtectAndOpen(text, false, block, piece);
            ASSERT_TRUE(trip.Protected.Ok()) << trip.Protected.Message;
            EXPECT_EQ(trip.Stored, stored);
            EXPECT_EQ(trip.Utf8, Cp1251ToUtf8(stored));
        }
}

TEST(TxtpStreams, ShortTextsAndTheByteOrderMarkAlone)
{
    for (std::size_t block = 1; block <= 4; ++block) {
        EXPECT_EQ(ProtectAndOpen("", false, block, 1).Stored, "");
        EXPECT_EQ(ProtectAndOpen("Я", false, block, 1).Stored, "\xDF\r\n");
        EXPECT_EQ(ProtectAndOpen("\xEF\xBB\xBF", false, block, 1).Stored, "");
        EXPECT_EQ(ProtectAndOpen("\xEF\xBB", true, block, 1).Stored, "\xEF\xBB\r\n") << "raw keeps every byte";
    }
}

TEST(TxtpStreams, RefusalsNameTheSamePlaceWhateverTheBlocks)
{
    const struct {
        std::string Text;
        bool Raw;
        std::string Message;
    } cases[] = {
        {"one\r\ntwo ✓✓ ✓", false, "in: 3 characters have no Windows-1251 form, the first at line 2, column 5"},
        {"ok\r\nЖ\xD0", false, "in: not valid UTF-8 at line 2, column 2 (use --raw for Windows-1251 text)"},
        {"ok\r\nЖ\xD0\x20", false, "in: not valid UTF-8 at line 2, column 2 (use --raw for Windows-1251 text)"},
        {std::string("ab\r\ncd\0ef", 9), true,
         "in: NUL character at line 2, column 3; a protected file cannot hold it, the text would end there"},
        {std::string("ab\r\nЖd\0e✓", 12), false,
         "in: NUL character at line 2, column 3; a protected file cannot hold it, the text would end there"},
    };
    for (const auto& c : cases)
        for (std::size_t block = 1; block <= 7; ++block) {
            const TRoundTrip trip = ProtectAndOpen(c.Text, c.Raw, block, 3);
            EXPECT_EQ(trip.Protected.Code, TExitCode::BadText) << c.Message;
            EXPECT_EQ(trip.Protected.Message, c.Message) << "block " << block;
        }
}

TEST(TxtpStreams, KeyBlockArrivingInPiecesIsWholeOrTooShort)
{
    const std::string file(250, 'k');
    TTrickleSource slow(file, 3);
    std::string block;
    EXPECT_TRUE(ReadKeyBlock(slow, block).Ok());
    EXPECT_EQ(block, file.substr(0, KeyBlockSize));

    TTrickleSource cut(std::string_view(file).substr(0, 199), 7);
    const TOutcome outcome = ReadKeyBlock(cut, block);
    EXPECT_EQ(outcome.Code, TExitCode::TooShort);
    EXPECT_EQ(outcome.Message, "in: 199 bytes, too short for a protected file (at least 200)");
}
