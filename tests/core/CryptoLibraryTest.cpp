// libsodium is linked and working: one of its primitives against a published
// answer (HMAC-SHA-256, RFC 4231 test case 1).
#include <gtest/gtest.h>
#include <sodium.h>

#include <array>
#include <string>

namespace {

std::string Hex(const unsigned char* bytes, std::size_t size)
{
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

TEST(CryptoLibrary, StartsAndComputesPublishedHmac)
{
    ASSERT_GE(sodium_init(), 0);
    std::array<unsigned char, 20> key;
    key.fill(0x0b);
    const std::string data = "Hi There";
    std::array<unsigned char, crypto_auth_hmacsha256_BYTES> mac{};
    crypto_auth_hmacsha256_state state;
    crypto_auth_hmacsha256_init(&state, key.data(), key.size());
    crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    crypto_auth_hmacsha256_final(&state, mac.data());
    EXPECT_EQ(Hex(mac.data(), mac.size()),
              "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
}

} // namespace
