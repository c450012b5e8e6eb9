#include "SecretBytes.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include <sodium.h>

namespace tainoteka {

void EnsureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

TSecretBytes::TSecretBytes(std::size_t size)
{
    EnsureSodium();
    // sodium_malloc locks the pages and sodium_free wipes them; a zero size
    // still gets a block so data() is never null.
    data_ = static_cast<std::uint8_t*>(sodium_malloc(size > 0 ? size : 1));
    if (!data_)
        throw std::bad_alloc();
    size_ = size;
    sodium_memzero(data_, size > 0 ? size : 1);
}

TSecretBytes::TSecretBytes(std::span<const std::uint8_t> bytes) : TSecretBytes(bytes.size())
{
    if (!bytes.empty())
        std::memcpy(data_, bytes.data(), bytes.size());
}

TSecretBytes::TSecretBytes(std::string_view text) : TSecretBytes(text.size())
{
    if (!text.empty())
        std::memcpy(data_, text.data(), text.size());
}

TSecretBytes::~TSecretBytes()
{
    if (data_)
        sodium_free(data_);
}

TSecretBytes::TSecretBytes(TSecretBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr))
    , size_(std::exchange(other.size_, 0))
{
}

TSecretBytes& TSecretBytes::operator=(TSecretBytes&& other) noexcept
{
    if (this != &other) {
        if (data_)
            sodium_free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

} // namespace tainoteka
