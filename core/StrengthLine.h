#pragma once
// The Russian wording of a strength estimate, UTF-8, e.g.
// "Надёжность пароля: слабый, подбор: 3 часа".
#include <string>
#include <string_view>

#include "PasswordStrength.h"

namespace tainoteka {

std::string StrengthLine(const TPasswordStrength& strength);

// "очень слабый", "слабый", "средний", "хороший", "отличный" for scores 0..4.
std::string_view StrengthWord(int score);

// The time rounded to a whole number of the largest unit it fills (seconds,
// minutes, hours, days, months of 1/12 year, years of 365.25 days):
// "меньше секунды", "1 секунда", "3 часа", "5 лет", "больше 1000 лет".
std::string GuessTimeText(double seconds);

} // namespace tainoteka
