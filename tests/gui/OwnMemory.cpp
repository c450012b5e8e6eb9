#include "OwnMemory.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#endif

namespace tainoteka::test {

#ifdef __linux__
namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kNeedleRoom = 4096;

struct TRegion {
    std::uintptr_t From = 0;
    std::uintptr_t To = 0;
};

std::vector<TRegion> ReadableRegions()
{
    std::vector<TRegion> regions;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range;
        std::string permissions;
        fields >> range >> permissions;
        if (permissions.empty() || permissions[0] != 'r' || line.find("[vvar") != std::string::npos)
            continue;
        const std::size_t dash = range.find('-');
        regions.push_back({std::stoull(range.substr(0, dash), nullptr, 16),
                           std::stoull(range.substr(dash + 1), nullptr, 16)});
    }
    return regions;
}

int CountIn(const char* data, std::size_t size, std::string_view needle)
{
    int count = 0;
    const std::string_view text(data, size);
    for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

// One region in chunks that overlap by the needle's length less one.
int CountInRegion(int mem, TRegion region, char* buffer, std::string_view needle)
{
    int count = 0;
    for (std::uintptr_t at = region.From; at < region.To;) {
        const std::size_t want = std::min<std::uintptr_t>(kChunk, region.To - at);
        const ssize_t got = pread(mem, buffer, want, off_t(at));
        if (got <= 0)
            return count;
        count += CountIn(buffer, std::size_t(got), needle);
        if (std::size_t(got) < needle.size() || at + std::size_t(got) >= region.To)
            return count;
        at += std::size_t(got) - (needle.size() - 1);
    }
    return count;
}

} // namespace

bool CanReadOwnMemory()
{
    const int mem = open("/proc/self/mem", O_RDONLY);
    if (mem < 0)
        return false;
    close(mem);
    return true;
}

TCopies CopiesInOwnMemory(const std::vector<std::string_view>& pieces)
{
    std::size_t length = 0;
    for (std::string_view piece : pieces)
        length += piece.size();
    // The needle and its UTF-16 form fit in the room kept for them.
    if (length == 0 || 3 * length > kNeedleRoom)
        return {-1, -1};
    const std::size_t size = kNeedleRoom + kChunk;
    void* own = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (own == MAP_FAILED)
        return {-1, -1};
    char* needleData = static_cast<char*>(own);
    std::size_t at = 0;
    for (std::string_view piece : pieces) {
        std::memcpy(needleData + at, piece.data(), piece.size());
        at += piece.size();
    }
    // The same letters as UTF-16, right after.
    char* wideData = needleData + length;
    for (std::size_t i = 0; i < length; ++i) {
        wideData[2 * i] = needleData[i];
        wideData[2 * i + 1] = 0;
    }
    const std::string_view narrow(needleData, length);
    const std::string_view wide(wideData, 2 * length);
    const auto ownFrom = reinterpret_cast<std::uintptr_t>(own);
    const std::uintptr_t ownTo = ownFrom + size;
    char* buffer = needleData + kNeedleRoom;
    const int mem = open("/proc/self/mem", O_RDONLY);
    TCopies copies;
    // Our own mapping may have merged with a neighbour: only it is left out.
    for (const TRegion region : ReadableRegions())
        for (const TRegion part : {TRegion{region.From, std::min(region.To, ownFrom)},
                                   TRegion{std::max(region.From, ownTo), region.To}})
            if (part.From < part.To) {
                copies.Narrow += CountInRegion(mem, part, buffer, narrow);
                copies.Wide += CountInRegion(mem, part, buffer, wide);
            }
    close(mem);
    munmap(own, size);
    return copies;
}

#else

bool CanReadOwnMemory() { return false; }
TCopies CopiesInOwnMemory(const std::vector<std::string_view>&) { return {-1, -1}; }

#endif

} // namespace tainoteka::test
