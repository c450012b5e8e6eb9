#pragma once
// How long the lock panel makes the next try wait after wrong passwords in a
// row: nothing for the first few, then a wait that doubles with each one, up
// to a limit, so that guessing at a locked window gets slow.
namespace tainoteka {

class TUnlockBackOff {
public:
    static constexpr int WrongWithoutWait = 2;
    static constexpr int LongestWaitSeconds = 30;

    // Counts a wrong password; the seconds the next try waits, 0 for none.
    int Wrong();
    void Reset() { wrongInRow_ = 0; }

private:
    int wrongInRow_ = 0;
};

} // namespace tainoteka
