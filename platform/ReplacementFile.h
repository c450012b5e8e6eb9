#pragma once
// The new content of a file, written so that a program killed half-way
// leaves nothing behind: where the file system allows it the content has no
// name until it is complete, and then takes the file's name in one step.
// Elsewhere it goes to a temporary file named in a way only we use, and the
// next write into the same folder removes such files that no running
// program is still writing. Paths are the system's own bytes (UTF-8 on
// Windows).
#include <string>

namespace tainoteka {

class TReplacementFile {
public:
    TReplacementFile() = default;
    // Without Commit nothing of the new content is left on disk.
    ~TReplacementFile();
    TReplacementFile(const TReplacementFile&) = delete;
    TReplacementFile& operator=(const TReplacementFile&) = delete;

    // Starts the new content of target with the given permissions; 0 or the
    // system's error number (EACCES when the folder refuses new files).
    int Open(const std::string& target, unsigned permissions);
    int Descriptor() const { return fd_; }
    // The content is on disk under a temporary name until Commit.
    bool Named() const { return !temporary_.empty(); }
    const std::string& TemporaryName() const { return temporary_; }
    // Flushes the content to disk and puts it in place of target; 0 or the
    // system's error number, with nothing left behind then.
    int Commit();
    void Discard();

private:
    int OpenUnnamed(const std::string& folder, unsigned permissions);
    int OpenNamed(unsigned permissions);
    int LinkBeside();

    int fd_ = -1;
    std::string target_;
    std::string temporary_;
};

// Whether name (without folder) is one of our temporary files.
bool IsOurTemporaryName(const std::string& name);
// A temporary name of ours for the file base in folder (which ends with a
// separator, or is empty for the current folder).
std::string OurTemporaryName(const std::string& folder, const std::string& base);

// Removes our temporary files in folder that no running program holds.
void RemoveLeftOverTemporaries(const std::string& folder);

} // namespace tainoteka
