#pragma once
// The edge of the main window at which the toolbar stands.

namespace tainoteka {

enum class TToolbarEdge { Top, Bottom, Left, Right };

} // namespace tainoteka
