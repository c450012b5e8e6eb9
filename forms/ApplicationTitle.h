#pragma once
// The program's name as every window, question and caption shows it.
#include <QString>

namespace tainoteka {

inline const QString ApplicationTitle = QStringLiteral("Тайнотека");

} // namespace tainoteka
