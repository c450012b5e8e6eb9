#pragma once
// How long a password would hold out against guessing, as zxcvbn estimates
// it: for the line under the fields of the password change. A weak password
// is only reported, never refused.
#include <string_view>

namespace tainoteka {

// An attacker with a rack of graphics cards against scrypt at N = 2^18, the
// work factor .txt.age files are written with.
inline constexpr double kGuessesPerSecond = 1e4;

struct TPasswordStrength {
    int Score = 0; // 0 очень слабый, 1 слабый, 2 средний, 3 хороший, 4 отличный
    double Guesses = 1; // zxcvbn's estimate of the guesses needed
    double SecondsToGuess = 0; // Guesses at kGuessesPerSecond
};

// zxcvbn's own bounds: fewer than 10^3 guesses score 0, 10^6 score 1,
// 10^8 score 2, 10^10 score 3; more score 4.
TPasswordStrength StrengthForGuesses(double guesses);

// Whether this build has the estimator: the Windows build has it only where
// zxcvbn-c's source could be had to cross-build it.
bool PasswordStrengthAvailable();

// Any UTF-8 text, read where it is; the copies made for zxcvbn are in locked
// memory and wiped. Text after a NUL is not seen (zxcvbn takes a C string).
// Russian letters are also estimated as the Latin keys they were typed on,
// and the weaker answer counts. Without the estimator, a score of 0.
TPasswordStrength EstimatePasswordStrength(std::string_view passwordUtf8);

} // namespace tainoteka
