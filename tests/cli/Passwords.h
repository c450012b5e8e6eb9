#pragma once
// Passwords in Windows-1251 that a file can be protected with: 0 to 20
// characters from 0x20-0xFF without "|". Every such byte turns up at least
// once, along with blanks, equals signs and key-block keywords.
#include <random>
#include <string>
#include <vector>

namespace tainoteka::test {

inline std::string PasswordAlphabet()
{
    std::string alphabet;
    for (int b = 0x20; b <= 0xFF; ++b)
        if (b != '|')
            alphabet += static_cast<char>(b);
    return alphabet;
}

inline std::vector<std::string> ProtectablePasswords(std::size_t randomCount)
{
    const std::string alphabet = PasswordAlphabet();
    std::vector<std::string> passwords = {
        "",
        " ",
        "                    ",
        " AddKey=",
        " AddKey=5 MultKey=7 ",
        "Password= x",
        "StartKey=1",
        "====================",
        "-2147483648",
        "\xCF\xE0\xF0\xEE\xEB\xFC", // Пароль
        "\xC0\xC1\xC2 \xE0\xE1\xE2 = \xDF\xFF",
        "\xA8\xB8\x98\x88\x7F",
    };
    for (std::size_t start = 0; start < alphabet.size(); start += 20)
        passwords.push_back(alphabet.substr(start, 20));
    for (std::size_t length = 0; length <= 20; ++length)
        passwords.push_back(alphabet.substr(length * 7, length));
    std::mt19937 random(1251);
    std::uniform_int_distribution<std::size_t> anyLength(0, 20);
    std::uniform_int_distribution<std::size_t> anyChar(0, alphabet.size() - 1);
    for (std::size_t n = 0; n < randomCount; ++n) {
        std::string password(anyLength(random), ' ');
        for (char& ch : password)
            ch = alphabet[anyChar(random)];
        passwords.push_back(password);
    }
    return passwords;
}

// Another password that must not open a file protected with this one.
inline std::string OtherPassword(const std::string& password)
{
    if (password.empty())
        return " ";
    std::string other = password;
    other.back() = other.back() == 'x' ? 'y' : 'x';
    return other;
}

} // namespace tainoteka::test
