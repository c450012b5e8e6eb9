#pragma once
// Where txtp's bytes come from and go to, one block at a time, so that no
// text has to be whole in memory.
#include <cstddef>
#include <string>
#include <string_view>

#include "ExitCode.h"
#include "Wipe.h"

namespace tainoteka::cli {

class IByteSource {
public:
    virtual ~IByteSource() = default;
    // Up to capacity bytes into buffer; got == 0 only at the end of the input.
    virtual TOutcome Read(char* buffer, std::size_t capacity, std::size_t& got) = 0;
    virtual const std::string& Name() const = 0; // for messages
};

class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual TOutcome Write(std::string_view data) = 0;
};

// A text already in memory.
class TMemorySource final : public IByteSource {
public:
    TMemorySource(std::string_view data, std::string name) : data_(data), name_(std::move(name)) {}
    TOutcome Read(char* buffer, std::size_t capacity, std::size_t& got) override
    {
        got = data_.copy(buffer, capacity);
        data_.remove_prefix(got);
        return Success();
    }
    const std::string& Name() const override { return name_; }

private:
    std::string_view data_;
    std::string name_;
};

class TStringSink final : public IByteSink {
public:
    explicit TStringSink(std::string& out) : out_(out) {}
    TOutcome Write(std::string_view data) override
    {
        out_.append(data);
        return Success();
    }

private:
    std::string& out_;
};

// Passes all of input to output block by block, until either fails. The
// block may hold text, so it is wiped.
inline TOutcome CopyStream(IByteSource& input, IByteSink& output, std::size_t blockSize)
{
    std::string block(blockSize, '\0');
    const TWipeOnExit wipeBlock(block);
    for (;;) {
        std::size_t got = 0;
        TOutcome outcome = input.Read(block.data(), blockSize, got);
        if (outcome.Ok() && got > 0)
            outcome = output.Write(std::string_view(block.data(), got));
        if (!outcome.Ok() || got == 0)
            return outcome;
    }
}

} // namespace tainoteka::cli
