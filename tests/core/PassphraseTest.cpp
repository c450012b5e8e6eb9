#include <gtest/gtest.h>
#include <sodium.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "EffWordList.h"
#include "Passphrase.h"

using namespace tainoteka;

namespace {

const std::set<std::string_view> kWords(kEffLargeWordList.begin(), kEffLargeWordList.end());

std::string Text(const TSecretBytes& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Whether text is exactly `words` list words joined by hyphens; a word of
// the list may hold a hyphen itself, so every cut is tried.
bool IsWordsOfList(std::string_view text, int words)
{
    for (std::size_t cut = text.find('-'); words > 1 && cut != std::string_view::npos; cut = text.find('-', cut + 1))
        if (kWords.count(text.substr(0, cut)) && IsWordsOfList(text.substr(cut + 1), words - 1))
            return true;
    return words == 1 && kWords.count(text);
}

std::string Sha256Hex(const std::string& bytes)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[2 * sizeof digest + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

// "11111" for the first line, "66666" for the last: the place in base 6.
std::string DiceOf(std::size_t place)
{
    std::string dice(5, '1');
    for (int digit = 4; digit >= 0; --digit, place /= 6)
        dice[std::size_t(digit)] = char('1' + place % 6);
    return dice;
}

TEST(EffWordList, IsThePublishedListInItsOrder)
{
    ASSERT_GE(sodium_init(), 0);
    std::ifstream in(TAINOTEKA_WORDLIST_FILE, std::ios::binary);
    ASSERT_TRUE(in) << TAINOTEKA_WORDLIST_FILE;
    std::stringstream file;
    file << in.rdbuf();
    // As EFF publishes eff_large_wordlist.txt.
    EXPECT_EQ(Sha256Hex(file.str()), "addd35536511597a02fa0a9ff1e5284677b8883b83e986e43f15a3db996b903e");

    std::string line;
    std::size_t place = 0;
    for (; std::getline(file, line) && place < kEffWordCount; ++place)
        EXPECT_EQ(line, DiceOf(place) + "\t" + std::string(kEffLargeWordList[place])) << place;
    EXPECT_EQ(place, kEffWordCount);
    EXPECT_FALSE(std::getline(file, line));
}

TEST(EffWordList, WordsAreDistinctAndLowercase)
{
    EXPECT_EQ(kWords.size(), kEffWordCount);
    for (const std::string_view word : kEffLargeWordList)
        EXPECT_EQ(word.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string_view::npos) << word;
}

TEST(Passphrase, SixListWordsJoinedByHyphens)
{
    const std::string phrase = Text(GeneratePassphrase());
    EXPECT_TRUE(IsWordsOfList(phrase, kPassphraseWords)) << phrase;
    EXPECT_TRUE(IsWordsOfList(Text(GeneratePassphrase(1)), 1));
}

TEST(Passphrase, EachCallDrawsAnew)
{
    EXPECT_NE(Text(GeneratePassphrase()), Text(GeneratePassphrase()));
}

TEST(Passphrase, NoWordsIsRefused)
{
    EXPECT_THROW(GeneratePassphrase(0), std::invalid_argument);
}

} // namespace
