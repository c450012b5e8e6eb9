#pragma once
// Memory for keys and passphrases: locked so it is never swapped out, and
// wiped when given back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tainoteka {

// Initialises libsodium once; every user of its functions calls this first.
void EnsureSodium();

class TSecretBytes {
public:
    TSecretBytes() = default;
    // size bytes of zeros; throws std::bad_alloc when the memory cannot be had.
    explicit TSecretBytes(std::size_t size);
    explicit TSecretBytes(std::span<const std::uint8_t> bytes);
    explicit TSecretBytes(std::string_view text);
    ~TSecretBytes();
    TSecretBytes(TSecretBytes&& other) noexcept;
    TSecretBytes& operator=(TSecretBytes&& other) noexcept;
    TSecretBytes(const TSecretBytes&) = delete;
    TSecretBytes& operator=(const TSecretBytes&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace tainoteka
