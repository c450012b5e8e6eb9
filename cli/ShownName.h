#pragma once
// A file name as messages show it. A Linux name is bytes and need not be
// UTF-8: a byte that is not is shown as \xNN, so the name is neither lost
// nor turned into another one.
#include <string>
#include <string_view>

namespace tainoteka::cli {

std::string ShownName(std::string_view systemName);

} // namespace tainoteka::cli
