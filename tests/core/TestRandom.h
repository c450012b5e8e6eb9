#pragma once
// A scripted random source: hands out queued values, then a fixed fallback.
#include <deque>

#include "RandomSource.h"

namespace tainoteka::test {

class TScriptedRandom final : public TRandomSource {
public:
    explicit TScriptedRandom(std::deque<uint32_t> values, uint32_t fallback = 0)
        : values_(std::move(values)), fallback_(fallback) {}
    uint32_t Random(uint32_t n) override
    {
        uint32_t v = fallback_;
        if (!values_.empty()) {
            v = values_.front();
            values_.pop_front();
        }
        return v % n;
    }

private:
    std::deque<uint32_t> values_;
    uint32_t fallback_;
};

} // namespace tainoteka::test
