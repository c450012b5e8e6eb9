#include <gtest/gtest.h>

#include <limits>

#include "StrengthLine.h"

using namespace tainoteka;

namespace {

constexpr double kMinute = 60, kHour = 3600, kDay = 86400, kYear = 365.25 * kDay, kMonth = kYear / 12;

TEST(GuessTime, RoundsToTheLargestUnitWithRussianPlurals)
{
    const struct {
        double Seconds;
        const char* Text;
    } cases[] = {
        {0, "меньше секунды"},
        {0.99, "меньше секунды"},
        {1, "1 секунда"},
        {2, "2 секунды"},
        {5, "5 секунд"},
        {11, "11 секунд"},
        {21, "21 секунда"},
        {59.4, "59 секунд"},
        {59.6, "1 минута"},
        {22 * kMinute, "22 минуты"},
        {3.2 * kHour, "3 часа"},
        {11.4 * kHour, "11 часов"},
        {23.7 * kHour, "1 день"},
        {3 * kDay, "3 дня"},
        {14 * kDay, "14 дней"},
        {2 * kMonth, "2 месяца"},
        {11.6 * kMonth, "1 год"},
        {5 * kYear, "5 лет"},
        {101 * kYear, "101 год"},
        {112 * kYear, "112 лет"},
        {1000 * kYear, "1000 лет"},
        {1001 * kYear, "больше 1000 лет"},
        {std::numeric_limits<double>::infinity(), "больше 1000 лет"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GuessTimeText(c.Seconds), c.Text) << c.Seconds << " s";
}

TEST(StrengthLine, ScoreBoundsAreZxcvbnsAndTimeIsAtTenThousandGuessesASecond)
{
    const struct {
        double Guesses;
        const char* Line;
    } cases[] = {
        {999, "Надёжность пароля: очень слабый, подбор: меньше секунды"},
        {1e3, "Надёжность пароля: слабый, подбор: меньше секунды"},
        {1e8 - 1, "Надёжность пароля: средний, подбор: 3 часа"},
        {1e8, "Надёжность пароля: хороший, подбор: 3 часа"},
        {1e10, "Надёжность пароля: отличный, подбор: 12 дней"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrengthLine(StrengthForGuesses(c.Guesses)), c.Line) << c.Guesses;
    EXPECT_EQ(StrengthForGuesses(1e6).Score, 2);
}

} // namespace
