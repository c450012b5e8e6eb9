#include "LineEnds.h"

namespace tainoteka {

void TLineEndNormalizer::Append(std::string_view piece, std::string& out)
{
    if (ended_ || piece.empty())
        return;
    if (const std::size_t nul = piece.find('\0'); nul != std::string_view::npos && lineEnd_ == TLineEnd::CrLf) {
        piece = piece.substr(0, nul);
        ended_ = true;
    }
    std::size_t lineStart = 0;
    if (afterCr_ && !piece.empty() && piece.front() == '\n')
        lineStart = 1;
    if (!piece.empty())
        afterCr_ = false;
    for (std::size_t i = lineStart; i < piece.size(); ++i) {
        const char ch = piece[i];
        if (ch != '\r' && ch != '\n')
            continue;
        out.append(piece, lineStart, i - lineStart);
        out += End();
        lineOpen_ = false;
        if (ch == '\r') {
            if (i + 1 == piece.size())
                afterCr_ = true;
            else if (piece[i + 1] == '\n')
                ++i;
        }
        lineStart = i + 1;
    }
    if (lineStart < piece.size()) {
        out.append(piece, lineStart, piece.size() - lineStart);
        lineOpen_ = true;
    }
}

void TLineEndNormalizer::Finish(std::string& out)
{
    if (lineOpen_)
        out += End();
    lineOpen_ = false;
}

} // namespace tainoteka
