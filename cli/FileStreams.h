#pragma once
// Files, standard input and standard output as txtp's block streams.
// A regular output file is replaced atomically: the text takes the file's
// name only once it is complete, so a failure leaves the old file as it was
// and a killed program leaves no copy behind. Anything else (a device, a FIFO, a
// terminal, one of the program's own standard streams) is written in place.
#include <string>

#include "ByteStreams.h"
#include "ReplacementFile.h"

namespace tainoteka::cli {

class TInputFile final : public IByteSource {
public:
    TInputFile() = default;
    ~TInputFile() override;
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    // An empty path is standard input.
    TOutcome Open(const std::string& path);
    TOutcome Read(char* buffer, std::size_t capacity, std::size_t& got) override;
    const std::string& Name() const override { return name_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    std::string name_;
};

enum class TOutputAccess {
    KeepExisting, // a replaced file keeps its permissions, a new one gets the usual
    OwnerOnly, // readable and writable by the owner only, new or replaced
};

class TOutputFile final : public IByteSink {
public:
    TOutputFile() = default;
    // Without Commit the new content is dropped.
    ~TOutputFile() override;
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    // An empty path is standard output.
    TOutcome Open(const std::string& path, TOutputAccess access);
    TOutcome Write(std::string_view data) override;
    // Everything is written: the new content takes the file's name.
    TOutcome Commit();

private:
    void Discard();
    TOutcome CommitReplacement();
    void DiscardReplacement();

    int fd_ = -1;
    bool owned_ = false;
    std::string name_; // for messages
    TReplacementFile replacement_;
    bool replacing_ = false;
};

// Usage error when output names the very file input names: writing it would
// destroy what is still to be read.
TOutcome RefuseOutputOntoInput(const std::string& input, const std::string& output);

} // namespace tainoteka::cli
