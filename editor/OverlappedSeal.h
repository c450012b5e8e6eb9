#pragma once
// A .txtp file for a text in two passes that overlap: this thread converts
// the text piece by piece while a second thread enciphers, in order, what is
// converted so far. The cipher chains byte after byte, so it cannot be split,
// but the conversion need not wait for it.
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace tainoteka {

class TRandomSource;

class TSealedTxtp {
public:
    TSealedTxtp() = default;
    TSealedTxtp(TSealedTxtp&&) = default;
    TSealedTxtp& operator=(TSealedTxtp&&) = delete;
    ~TSealedTxtp(); // wipes the bytes

    std::string_view Bytes() const { return {bytes_.get(), size_}; }
    // Position (UTF-16 code unit) of the first character the file cannot
    // store; then there are no bytes.
    const std::optional<std::size_t>& Refused() const { return refused_; }

private:
    friend TSealedTxtp SealTxtpText(std::u16string_view, std::string_view, TRandomSource&, std::size_t);
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::optional<std::size_t> refused_;
};

// The whole file for text under password (Windows-1251 bytes), the same
// bytes as converting the text and then sealing it; pieceUnits is how much
// text is converted before the cipher may follow.
TSealedTxtp SealTxtpText(std::u16string_view text, std::string_view password, TRandomSource& random,
                         std::size_t pieceUnits = std::size_t(1) << 20);

} // namespace tainoteka
