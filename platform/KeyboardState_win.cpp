// Keyboard state on Windows: the calling thread's input layout and the
// toggle bit of the Caps Lock key.
#include "KeyboardState.h"

#include <windows.h>

namespace tainoteka {
namespace {

class TWinKeyboardState final : public IKeyboardState {
public:
    bool IsCapsLockOn() override { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

    QString LayoutName() override
    {
        char name[KL_NAMELENGTH + 1] = {};
        if (!GetKeyboardLayoutNameA(name))
            return {};
        name[KL_NAMELENGTH] = '\0';
        return QString::fromLatin1(name); // ends at the first NUL
    }
};

} // namespace

std::unique_ptr<IKeyboardState> CreateSystemKeyboardState()
{
    return std::make_unique<TWinKeyboardState>();
}

} // namespace tainoteka
