#pragma once
// Draws for body keys and key block filler. The system source reads the
// operating system's cryptographic generator: a clock-seeded one would let
// anyone who knows a file's date guess its body keys.
#include <cstdint>
#include <vector>

namespace tainoteka {

class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    // Uniform over 0 .. n-1; n > 0.
    virtual uint32_t Random(uint32_t n) = 0;
};

class TSystemRandom final : public TRandomSource {
public:
    uint32_t Random(uint32_t n) override;

private:
    uint32_t NextWord();
    std::vector<uint32_t> pool_;
    std::size_t next_ = 0;
};

// Fills the buffer from the OS generator; throws std::runtime_error if it is
// unavailable (std::system_error with the error number where the system gives one).
void FillSystemRandom(void* buffer, std::size_t size);

} // namespace tainoteka
