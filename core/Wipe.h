#pragma once
// Overwrites memory that held a password or deciphered text before it is
// given back, in a way the compiler may not drop as a dead store. Works on
// any buffer with data() and size(): std::string, std::vector, QByteArray,
// QString (a QString or QByteArray shared with another copy is detached first,
// so only this copy is wiped).
#include <cstddef>

namespace tainoteka {

void WipeBytes(void* data, std::size_t size);

template <class Buffer>
void Wipe(Buffer& buffer)
{
    if (buffer.size() > 0)
        WipeBytes(buffer.data(), static_cast<std::size_t>(buffer.size()) * sizeof(*buffer.data()));
}

// Wipes a buffer when the scope ends, however it ends.
template <class Buffer>
class TWipeOnExit {
public:
    explicit TWipeOnExit(Buffer& buffer) : buffer_(buffer) {}
    ~TWipeOnExit() { Wipe(buffer_); }
    TWipeOnExit(const TWipeOnExit&) = delete;
    TWipeOnExit& operator=(const TWipeOnExit&) = delete;

private:
    Buffer& buffer_;
};

} // namespace tainoteka
