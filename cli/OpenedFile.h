#pragma once
// A protected file as decrypt, check and convert read it. Its type comes from
// its content: a .txtp, a binary age file, or an armoured one, which is taken
// out of its armour in memory and then read like a binary one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AgeFile.h"
#include "ByteStreams.h"
#include "ExitCode.h"
#include "FileFormat.h"
#include "FileStreams.h"
#include "KeyBlock.h"

namespace tainoteka::cli {

struct TOpenedFile {
    TOpenedFile() = default;
    ~TOpenedFile();
    TOpenedFile(const TOpenedFile&) = delete;
    TOpenedFile& operator=(const TOpenedFile&) = delete;

    // Where the rest of the file comes from: the file, or its armour's content.
    IByteSource& Rest();

    TInputFile File;
    TFileFormat Format = TFileFormat::Txtp;
    std::string KeyBlock; // .txtp: it holds the stored password, so it is wiped
    TKeySet Body; // .txtp, once unlocked
    AgeReader Age;
    std::string PayloadStart; // age: payload bytes read with the header
    std::vector<std::uint8_t> Dearmored; // an armoured age file, out of its armour
    std::optional<TMemorySource> DearmoredSource;
};

// Opens path and reads what tells the type: an age file's header, a .txtp's
// key block. A short or damaged file, or one for keys, is refused here,
// before any password is asked for.
TOutcome ExamineProtectedFile(const std::string& path, TOpenedFile& opened);

// Checks the password as typed (UTF-8); a .txtp takes its Windows-1251 form.
TOutcome UnlockProtectedFile(TOpenedFile& opened, std::string_view typedPassword);

// The text into output: UTF-8, or for a .txtp when raw the Windows-1251
// bytes as stored. An age file's text goes out only once authenticated.
TOutcome ReadProtectedText(TOpenedFile& opened, bool raw, IByteSink& output);

} // namespace tainoteka::cli
