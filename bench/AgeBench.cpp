// The age type's core: key derivation at the work factor files are written
// with, and encryption and decryption throughput without derivation.
//
//   age_bench [--runs N] [--mib N]
//
// Prints the median of N runs of each; the guesses per second an attacker
// gets on one core are one over the derivation time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "AgeFile.h"

using namespace tainoteka;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall-clock seconds; the processor seconds too where asked, which a busy
// shared machine inflates less.
template <class Work>
double MedianSeconds(int runs, Work work, double* cpuSeconds = nullptr)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        work();
        wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(double(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    if (cpuSeconds)
        *cpuSeconds = Median(cpu);
    return Median(wall);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::size_t mib = 40;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--mib") == 0)
            mib = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    double deriveCpu = 0;
    const double derive = MedianSeconds(runs, [] { AgeSealer sealer("bench-password"); }, &deriveCpu);
    std::printf("key derivation, log2 N = 18: %.3f s wall, %.3f s processor (%.2f guesses per second per core)\n",
                derive, deriveCpu, 1.0 / deriveCpu);

    std::vector<std::uint8_t> text(mib << 20);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<std::uint8_t>('a' + i % 26);
    // The cheapest derivation, so only the payload is timed.
    const AgeSealer sealer("bench-password", 1);
    std::vector<std::uint8_t> file;
    double sealCpu = 0, openCpu = 0;
    const double seal = MedianSeconds(runs, [&] { file = sealer.Seal(text); }, &sealCpu);
    std::size_t opened = 0;
    const double open = MedianSeconds(runs, [&] {
        AgeReader reader;
        std::size_t used = 0;
        std::vector<std::uint8_t> released;
        released.reserve(text.size());
        reader.ReadHeader(file, used);
        reader.Unlock("bench-password");
        reader.ReadPayload(std::span<const std::uint8_t>(file).subspan(used), released);
        reader.Finish(released);
        opened = released.size();
    }, &openCpu);
    if (opened != text.size()) {
        std::fprintf(stderr, "age_bench: the sealed text did not open\n");
        return 1;
    }
    std::printf("encrypt %zu MiB: %.3f s wall, %.0f MB/s; %.3f s processor, %.0f MB/s\n", mib, seal,
                text.size() / seal / 1e6, sealCpu, text.size() / sealCpu / 1e6);
    std::printf("decrypt %zu MiB: %.3f s wall, %.0f MB/s; %.3f s processor, %.0f MB/s\n", mib, open,
                text.size() / open / 1e6, openCpu, text.size() / openCpu / 1e6);
    return 0;
}
