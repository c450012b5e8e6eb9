#include "SampleText.h"

#include <array>
#include <random>
#include <string_view>

namespace tainoteka::bench {
namespace {

constexpr std::array<std::u16string_view, 40> kRussian = {
    u"документ", u"пароль", u"текст", u"и", u"в", u"не", u"на", u"что",
    u"файл", u"сохранить", u"открыть", u"строка", u"ключ", u"шифр", u"Москва", u"ёлка",
    u"съезд", u"объявление", u"Тайнотека", u"редактор", u"письмо", u"отчёт", u"встреча", u"завтра",
    u"Щука", u"жёлтый", u"Подъезд", u"государство", u"человек", u"время", u"работа", u"слово",
    u"Иванов", u"Санкт-Петербург", u"№", u"руб.", u"г.", u"тыс.", u"эхо", u"Юг",
};

constexpr std::array<std::u16string_view, 24> kLatin = {
    u"the", u"report", u"meeting", u"invoice", u"https://example.org/page", u"Qt", u"draft", u"and",
    u"e-mail", u"version", u"2024", u"15:30", u"100%", u"ID", u"password", u"note",
    u"(see", u"below)", u"user@example.com", u"Windows-1251", u"OK", u"TODO", u"v1.0", u"#42",
};

constexpr std::array<std::u16string_view, 10> kAfterWord = {
    u" ", u" ", u" ", u" ", u" ", u", ", u". ", u" — ", u"; ", u"! ",
};

} // namespace

std::u16string MakeSampleText(std::size_t length, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::u16string out;
    out.reserve(length + 64);
    std::size_t lineStart = 0;
    while (out.size() < length) {
        const unsigned pick = rng() % 100;
        std::u16string_view word;
        if (pick < 70)
            word = kRussian[rng() % kRussian.size()];
        else if (pick < 95)
            word = kLatin[rng() % kLatin.size()];
        else
            word = (rng() & 1) ? u"«цитата»" : u"“quote”";
        if (out.size() - lineStart + word.size() > 60 && out.size() > lineStart) {
            // Drop the trailing blank of the line before breaking it.
            if (!out.empty() && out.back() == u' ')
                out.pop_back();
            out += u'\n';
            lineStart = out.size();
        }
        out += word;
        out += kAfterWord[rng() % kAfterWord.size()];
    }
    out.resize(length);
    out.back() = u'\n';
    return out;
}

} // namespace tainoteka::bench
