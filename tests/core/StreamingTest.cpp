// A text passing through in blocks must come out as if it had been whole:
// every split point, with line ends and the running key carried across.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Cipher.h"
#include "LineEnds.h"

using namespace tainoteka;

namespace {

std::string NormalizedInPieces(const std::string& text, TLineEnd lineEnd, std::size_t first, std::size_t second)
{
    TLineEndNormalizer lines(lineEnd);
    std::string out;
    lines.Append(std::string_view(text).substr(0, first), out);
    lines.Append(std::string_view(text).substr(first, second - first), out);
    lines.Append(std::string_view(text).substr(second), out);
    lines.Finish(out);
    return out;
}

} // namespace

TEST(LineEndsInPieces, EverySplitGivesTheWholeTextsLineEnds)
{
    const struct {
        std::string Text;
        std::string Stored;
        TLineEnd End = TLineEnd::CrLf;
    } cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\r\nb", "a\r\nb\r\n"},
        {"a\rb\nc", "a\r\nb\r\nc\r\n"},
        {"\r\r\n\n\r", "\r\n\r\n\r\n\r\n"},
        {"\n\r", "\r\n\r\n"},
        {"ab\r\n", "ab\r\n"},
        {"x\r\n\r\ny", "x\r\n\r\ny\r\n"},
        {std::string("ab\r\0\ncd", 7), "ab\r\n"},
        {std::string("ab\0cd\r\n", 7), "ab\r\n"},
        {std::string("\0x", 2), ""},
        {"a\rb\nc", "a\nb\nc\n", TLineEnd::Lf},
        {"\r\r\n\n\r", "\n\n\n\n", TLineEnd::Lf},
        {"x\r\n\r\ny", "x\n\ny\n", TLineEnd::Lf},
        {std::string("ab\r\0\ncd", 7), std::string("ab\n\0\ncd\n", 8), TLineEnd::Lf},
    };
    for (const auto& c : cases)
        for (std::size_t first = 0; first <= c.Text.size(); ++first)
            for (std::size_t second = first; second <= c.Text.size(); ++second)
                EXPECT_EQ(NormalizedInPieces(c.Text, c.End, first, second), c.Stored)
                    << "split at " << first << " and " << second << " of " << testing::PrintToString(c.Text);
}

TEST(LineEndsInPieces, EmptyPieceBetweenCrAndLfKeepsThemOneLineEnd)
{
    TLineEndNormalizer lines;
    std::string out;
    lines.Append("a\r", out);
    lines.Append("", out);
    lines.Append("\nb", out);
    lines.Finish(out);
    EXPECT_EQ(out, "a\r\nb\r\n");
}

TEST(CipherInPieces, RunningKeyCarriedAcrossCallsGivesOneRun)
{
    const TKeySet keys{1234567, -7654321, 99991};
    std::vector<unsigned char> whole(1000);
    for (std::size_t i = 0; i < whole.size(); ++i)
        whole[i] = static_cast<unsigned char>(i * 37 + 11);
    std::vector<unsigned char> pieces = whole;
    const int32_t end = EncryptRun(whole.data(), whole.size(), keys);

    TKeySet running = keys;
    for (std::size_t at = 0, size = 1; at < pieces.size(); at += size, size = size * 2 + 1) {
        const std::size_t n = std::min(size, pieces.size() - at);
        running.StartKey = EncryptRun(pieces.data() + at, n, running);
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(running.StartKey, end);

    running = keys;
    for (std::size_t at = 0; at < pieces.size(); at += 7)
        running.StartKey = DecryptRun(pieces.data() + at, std::min<std::size_t>(7, pieces.size() - at), running);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        ASSERT_EQ(pieces[i], static_cast<unsigned char>(i * 37 + 11)) << i;
}
