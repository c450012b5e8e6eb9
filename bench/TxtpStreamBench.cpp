// txtp as whole processes: `txtp decrypt --raw` of a 40 MB file against a
// bare loop that reads the file, runs the cipher's chain and writes the
// result, run side by side in turns; and the peak memory (maximum resident
// set) of txtp for 40 MB and for 1 GB, which must not grow with the size.
//
//   txtp_stream_bench [--txtp PATH] [--runs N] [--dir FOLDER] [--large-mib N] [--tsv FILE] [--out FILE]
//
// Both sides write their result to --out (default /dev/null: the same write
// calls, without the disk's write-back, which on a shared machine varies more
// than the work being compared).
//   txtp_stream_bench --bare FILE START MULT ADD   (the bare loop itself)
//
// The files are made in FOLDER (default /tmp) and deleted afterwards.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "CodePage1251.h"
#include "KeyBlock.h"
#include "SampleText.h"
#include "TxtpFile.h"

extern char** environ;

using namespace tainoteka;

namespace {

constexpr std::size_t kBlock = std::size_t(1) << 20;
constexpr const char* kPassword = "bench-password";

// ---------------------------------------------------------------------------
// The bare loop: what no file-to-file decipher can beat.

int RunBareLoop(const char* path, uint32_t key, uint32_t mult, uint32_t add)
{
    const int fd = open(path, O_RDONLY);
    if (fd < 0)
        return 4;
    std::vector<unsigned char> buffer(kBlock);
    std::size_t skip = KeyBlockSize;
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0)
            return 4;
        if (got == 0)
            break;
        const std::size_t start = std::min<std::size_t>(skip, static_cast<std::size_t>(got));
        skip -= start;
        for (std::size_t i = start; i < static_cast<std::size_t>(got); ++i) {
            const unsigned char c = buffer[i];
            buffer[i] = static_cast<unsigned char>(c ^ (key >> 8));
            key = (key + c) * mult + add;
        }
        const char* out = reinterpret_cast<const char*>(buffer.data()) + start;
        std::size_t left = static_cast<std::size_t>(got) - start;
        while (left > 0) {
            const ssize_t put = write(1, out, left);
            if (put <= 0)
                return 4;
            out += put;
            left -= static_cast<std::size_t>(put);
        }
    }
    close(fd);
    return 0;
}

// ---------------------------------------------------------------------------

struct TRun {
    double Seconds = 0;
    double CpuSeconds = 0; // user + system: what the machine's other work cannot stretch
    long PeakKiB = 0;
    int Exit = -1;
};

// Runs a program with standard input and output redirected; waits for it.
TRun Measure(const std::vector<std::string>& arguments, const std::string& in, const std::string& out)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!in.empty())
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    TRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakKiB = usage.ru_maxrss;
    run.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct TSample {
    std::string Path;
    TKeySet BodyKeys;
};

// A .txtp of about `bytes` bytes: the sample text, repeated as often as needed.
TSample WriteSampleFile(const std::string& path, std::size_t bytes)
{
    const std::size_t chunkChars = std::min<std::size_t>(bytes, 40'000'000);
    const TCp1251Encoding text = Utf16ToCp1251(bench::MakeSampleText(chunkChars));
    std::string body = NormalizeLineEnds(text.Bytes);
    body.resize(std::min(body.size(), bytes));
    TSystemRandom random;
    const TBuiltKeyBlock keyBlock = BuildKeyBlock(kPassword, random);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(keyBlock.Block.data(), static_cast<std::streamsize>(keyBlock.Block.size()));
    TKeySet running = keyBlock.BodyKeys;
    for (std::size_t written = 0; written < bytes;) {
        std::string piece = body.substr(0, std::min(body.size(), bytes - written));
        running.StartKey = EncryptRun(reinterpret_cast<unsigned char*>(piece.data()), piece.size(), running);
        file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        written += piece.size();
    }
    return {path, keyBlock.BodyKeys};
}

// Made in a child process: a child's peak memory counts the memory of its
// parent at the fork, so the measuring process must stay small.
TSample MakeFile(const std::string& path, std::size_t bytes)
{
    int ends[2];
    if (pipe(ends) != 0)
        std::abort();
    const pid_t child = fork();
    if (child == 0) {
        const TSample sample = WriteSampleFile(path, bytes);
        const bool sent = write(ends[1], &sample.BodyKeys, sizeof sample.BodyKeys) == sizeof sample.BodyKeys;
        _exit(sent ? 0 : 1);
    }
    TSample sample{path, {}};
    const bool received = read(ends[0], &sample.BodyKeys, sizeof sample.BodyKeys) == sizeof sample.BodyKeys;
    int status = 0;
    waitpid(child, &status, 0);
    close(ends[0]);
    close(ends[1]);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not make %s\n", path.c_str());
        std::exit(1);
    }
    return sample;
}

std::string MiB(long kib)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(kib) / 1024.0);
    return text;
}

struct TOptions {
    std::string Txtp = TXTP_BINARY;
    std::string Self;
    std::string Dir = "/tmp";
    std::string Tsv;
    std::string Out = "/dev/null";
    int Runs = 5;
    std::size_t LargeMiB = 1024;
};

TOptions ParseOptions(int argc, char** argv)
{
    TOptions options;
    options.Self = argv[0];
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--txtp")
            options.Txtp = value;
        else if (name == "--runs")
            options.Runs = std::max(1, std::atoi(value.c_str()));
        else if (name == "--dir")
            options.Dir = value;
        else if (name == "--large-mib")
            options.LargeMiB = static_cast<std::size_t>(std::atol(value.c_str()));
        else if (name == "--tsv")
            options.Tsv = value;
        else if (name == "--out")
            options.Out = value;
    }
    return options;
}

std::vector<std::string> Decrypt(const TOptions& options, const std::string& file, bool raw)
{
    std::vector<std::string> arguments = {options.Txtp, "decrypt", file, "--pass", "env:TXTP_BENCH_PW"};
    if (raw)
        arguments.push_back("--raw");
    return arguments;
}

std::vector<std::string> Bare(const TOptions& options, const TSample& sample)
{
    return {options.Self,
            "--bare",
            sample.Path,
            std::to_string(static_cast<uint32_t>(sample.BodyKeys.StartKey)),
            std::to_string(static_cast<uint32_t>(sample.BodyKeys.MultKey)),
            std::to_string(static_cast<uint32_t>(sample.BodyKeys.AddKey))};
}

bool AllDone(const std::vector<TRun>& runs)
{
    return std::all_of(runs.begin(), runs.end(), [](const TRun& r) { return r.Exit == 0; });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--bare") == 0)
        return RunBareLoop(argv[2], static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)),
                           static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                           static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 10)));
    const TOptions options = ParseOptions(argc, argv);
    setenv("TXTP_BENCH_PW", kPassword, 1);
    const std::string dir = options.Dir + "/txtp-bench-" + std::to_string(getpid());
    if (mkdir(dir.c_str(), 0700) != 0) {
        std::perror(dir.c_str());
        return 1;
    }
    const std::string& out = options.Out;

    std::printf("making a 40 MB file in %s\n", dir.c_str());
    const TSample medium = MakeFile(dir + "/40mb.txtp", 40'000'000);
    std::vector<TRun> raw, bare, utf8, encrypt;
    for (int i = 0; i < options.Runs; ++i) {
        raw.push_back(Measure(Decrypt(options, medium.Path, true), {}, out));
        bare.push_back(Measure(Bare(options, medium), {}, out));
        utf8.push_back(Measure(Decrypt(options, medium.Path, false), {}, out));
    }
    const std::string plain = dir + "/40mb.txt";
    Measure(Decrypt(options, medium.Path, false), {}, plain);
    for (int i = 0; i < options.Runs; ++i)
        encrypt.push_back(Measure({options.Txtp, "encrypt", "-o", dir + "/again.txtp", "--pass", "env:TXTP_BENCH_PW"},
                                  plain, "/dev/null"));
    unlink(plain.c_str());
    unlink(medium.Path.c_str());

    std::printf("making a %zu MiB file\n", options.LargeMiB);
    const TSample large = MakeFile(dir + "/large.txtp", options.LargeMiB * kBlock);
    const TRun largeRaw = Measure(Decrypt(options, large.Path, true), {}, "/dev/null");
    const TRun largeUtf8 = Measure(Decrypt(options, large.Path, false), {}, "/dev/null");
    unlink(large.Path.c_str());
    unlink((dir + "/again.txtp").c_str());
    rmdir(dir.c_str());

    const auto seconds = [](const std::vector<TRun>& runs) {
        std::vector<double> s;
        for (const TRun& r : runs)
            s.push_back(r.Seconds);
        return Median(s);
    };
    const auto cpu = [](const std::vector<TRun>& runs) {
        std::vector<double> s;
        for (const TRun& r : runs)
            s.push_back(r.CpuSeconds);
        return Median(s);
    };
    const auto peak = [](const std::vector<TRun>& runs) {
        long most = 0;
        for (const TRun& r : runs)
            most = std::max(most, r.PeakKiB);
        return most;
    };
    if (!AllDone(raw) || !AllDone(bare) || !AllDone(utf8) || !AllDone(encrypt) || largeRaw.Exit != 0
        || largeUtf8.Exit != 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double ratio = seconds(raw) / seconds(bare);
    const double cpuRatio = cpu(raw) / cpu(bare);
    std::printf("txtp decrypt --raw 40 MB       %.3f s, CPU %.3f s (medians of %d, output %s)\n", seconds(raw),
                cpu(raw), options.Runs, out.c_str());
    std::printf("bare read-decipher-write loop  %.3f s, CPU %.3f s\n", seconds(bare), cpu(bare));
    std::printf("ratio                          %.2f (CPU %.2f)  target <= 1.3\n", ratio, cpuRatio);
    std::printf("txtp decrypt (UTF-8) 40 MB     %.3f s\n", seconds(utf8));
    std::printf("txtp encrypt (UTF-8) 40 MB     %.3f s\n", seconds(encrypt));
    std::printf("peak memory, 40 MB: decrypt --raw %s, decrypt %s, encrypt %s; bare loop %s\n",
                MiB(peak(raw)).c_str(), MiB(peak(utf8)).c_str(), MiB(peak(encrypt)).c_str(), MiB(peak(bare)).c_str());
    std::printf("peak memory, %zu MiB: decrypt --raw %s (%.2f s), decrypt %s (%.2f s)  target < 16 MiB\n",
                options.LargeMiB, MiB(largeRaw.PeakKiB).c_str(), largeRaw.Seconds, MiB(largeUtf8.PeakKiB).c_str(),
                largeUtf8.Seconds);
    if (!options.Tsv.empty()) {
        std::ofstream tsv(options.Tsv);
        char line[256];
        std::snprintf(line, sizeof line, "raw40\t%.3f s\nbare40\t%.3f s\nratio\t%.2f\ncpu_ratio\t%.2f\nutf8_40\t%.3f s\nencrypt40\t%.3f s\n",
                      seconds(raw), seconds(bare), ratio, cpuRatio, seconds(utf8), seconds(encrypt));
        tsv << line;
        tsv << "peak_raw40\t" << MiB(peak(raw)) << "\npeak_utf8_40\t" << MiB(peak(utf8)) << "\npeak_encrypt40\t"
            << MiB(peak(encrypt)) << "\npeak_bare40\t" << MiB(peak(bare)) << "\npeak_raw_large\t"
            << MiB(largeRaw.PeakKiB) << "\npeak_utf8_large\t" << MiB(largeUtf8.PeakKiB) << "\nlarge_mib\t"
            << options.LargeMiB << "\n";
    }
    return 0;
}
