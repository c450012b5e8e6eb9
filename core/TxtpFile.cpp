#include "TxtpFile.h"

#include "LineEnds.h"

namespace tainoteka {

namespace {

void AppendNormalizedLines(std::string& out, std::string_view text)
{
    TLineEndNormalizer lines;
    lines.Append(text, out);
    lines.Finish(out);
}

} // namespace

std::string NormalizeLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    AppendNormalizedLines(out, text);
    return out;
}

std::string EncodeTxtpFile(std::string_view text, std::string_view password, TRandomSource& random)
{
    const TBuiltKeyBlock keyBlock = BuildKeyBlock(password, random);
    std::string file;
    file.reserve(KeyBlockSize + text.size() + 2);
    file = keyBlock.Block;
    AppendNormalizedLines(file, text);
    EncryptRun(reinterpret_cast<unsigned char*>(file.data()) + KeyBlockSize, file.size() - KeyBlockSize,
               keyBlock.BodyKeys);
    return file;
}

std::string EncodeTxtpFile(std::string_view text, std::string_view password)
{
    TSystemRandom random;
    return EncodeTxtpFile(text, password, random);
}

namespace {

bool Refused(std::string_view body, const TKeySet& keys, const TBodyLimit& limit)
{
    if (body.size() <= limit.Largest)
        return false;
    std::string head(body.substr(0, limit.HeadSize));
    DecryptRun(reinterpret_cast<unsigned char*>(head.data()), head.size(), keys);
    return !limit.AcceptsLonger || !limit.AcceptsLonger(head);
}

} // namespace

TDecodedFile DecodeTxtpFile(std::string_view file, std::string_view typed, const TBodyLimit* limit)
{
    TDecodedFile decoded;
    if (IsTooShortForTxtp(file.size()))
        return decoded;
    const TFileKeys keys = ParseKeyBlock(file.substr(0, KeyBlockSize), typed);
    if (!keys.Valid) {
        decoded.Status = TDecodeStatus::InvalidKeyBlock;
        return decoded;
    }
    const TKeySet bodyKeys{keys.StartKey, keys.MultKey, keys.AddKey};
    if (limit && Refused(file.substr(KeyBlockSize), bodyKeys, *limit)) {
        decoded.Status = TDecodeStatus::TooLarge;
        return decoded;
    }
    decoded.Body.assign(file.substr(KeyBlockSize));
    DecryptRun(reinterpret_cast<unsigned char*>(decoded.Body.data()), decoded.Body.size(), bodyKeys);
    decoded.Password = keys.Password;
    decoded.Status = TDecodeStatus::Ok;
    return decoded;
}

} // namespace tainoteka
