#include "StrengthLine.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tainoteka {

namespace {

constexpr double kYear = 365.25 * 24 * 3600;
// Past this the number means nothing to a reader.
constexpr double kMostYears = 1000;

struct TUnit {
    double Seconds;
    std::array<std::string_view, 3> Forms; // for 1, for 2..4, for 5..20
};

constexpr std::array<TUnit, 6> kUnits = {{
    {1, {"секунда", "секунды", "секунд"}},
    {60, {"минута", "минуты", "минут"}},
    {3600, {"час", "часа", "часов"}},
    {24 * 3600, {"день", "дня", "дней"}},
    {kYear / 12, {"месяц", "месяца", "месяцев"}},
    {kYear, {"год", "года", "лет"}},
}};

constexpr std::array<std::string_view, 5> kScoreWords = {"очень слабый", "слабый", "средний", "хороший",
                                                         "отличный"};

// 1, 21, 101 секунда; 2..4, 22..24 секунды; 5..20, 25..30, 111..114 секунд.
std::string_view PluralForm(long long count, const TUnit& unit)
{
    const long long lastTwo = count % 100;
    const long long last = count % 10;
    if (last == 1 && lastTwo != 11)
        return unit.Forms[0];
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return unit.Forms[1];
    return unit.Forms[2];
}

std::string CountOf(long long count, const TUnit& unit)
{
    return std::to_string(count) + " " + std::string(PluralForm(count, unit));
}

} // namespace

std::string_view StrengthWord(int score)
{
    return kScoreWords[static_cast<std::size_t>(std::clamp(score, 0, 4))];
}

std::string GuessTimeText(double seconds)
{
    if (!(seconds >= 1))
        return "меньше секунды";
    if (seconds > kMostYears * kYear)
        return "больше 1000 лет";
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && seconds >= kUnits[unit + 1].Seconds)
        ++unit;
    long long count = std::llround(seconds / kUnits[unit].Seconds);
    // 59.6 minutes round to 60: that is an hour.
    if (unit + 1 < kUnits.size() && double(count) * kUnits[unit].Seconds >= kUnits[unit + 1].Seconds)
        count = std::llround(seconds / kUnits[++unit].Seconds);
    return CountOf(count, kUnits[unit]);
}

std::string StrengthLine(const TPasswordStrength& strength)
{
    return "Надёжность пароля: " + std::string(StrengthWord(strength.Score)) + ", подбор: "
           + GuessTimeText(strength.SecondsToGuess);
}

} // namespace tainoteka
