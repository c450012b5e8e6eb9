#pragma once
// The 32 images shared by menu and toolbar; an odd index is the greyed
// variant of the image before it.
#include <QIcon>
#include <QPixmap>

namespace tainoteka {

QPixmap ImgLstMenuToolbar(int index);
// A toolbar button's icon: the image, and one index higher when disabled.
QIcon ButtonIcon(int index);
// A menu switch's icon: checked, the image with a check mark; unchecked,
// its greyed variant (one index higher) without one.
QIcon SwitchIcon(int index);
QIcon ApplicationIcon();

} // namespace tainoteka
