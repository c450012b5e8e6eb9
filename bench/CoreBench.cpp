// Throughput of the protection core: the cipher against the bare dependency
// chain it cannot avoid, password key derivation, and a whole document going
// to and from a .txtp file with the code-page conversion included.
//
// Typical use (the machine may be shared, so repeat and read the medians):
//   core_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Cipher.h"
#include "CodePage1251.h"
#include "KeyDerivation.h"
#include "SampleText.h"
#include "TxtpFile.h"

using namespace tainoteka;

namespace {

constexpr std::size_t kCipherBytes = 40'000'000;
constexpr std::size_t kDocumentChars = 40'000'000;

// Keys of the size BuildKeyBlock draws; the values themselves do not change the work.
constexpr TKeySet kBodyKeys{1'234'567'891, -987'654'321, 55'555'555};

// Makes a value opaque to the optimiser at each step without sending it
// through memory: benchmark::DoNotOptimize may pick a memory operand, and a
// store and reload would lengthen the very chain being measured.
inline void KeepInRegister(uint32_t& value) { asm volatile("" : "+r"(value)); }

std::string ToCp1251(std::u16string_view text)
{
    TCp1251Encoding enc = Utf16ToCp1251(text);
    if (!enc.Ok()) {
        std::fprintf(stderr, "sample text has a character without a Windows-1251 byte\n");
        std::abort();
    }
    return std::move(enc.Bytes);
}

const std::u16string& Document()
{
    static const std::u16string text = bench::MakeSampleText(kDocumentChars);
    return text;
}

const std::string& DocumentCp1251()
{
    static const std::string bytes = ToCp1251(Document());
    return bytes;
}

// 20 characters, Cyrillic, Latin, digits and signs.
const std::string& Password()
{
    static const std::string password = ToCp1251(u"Тайный_пароль-2024ok");
    return password;
}

const std::string& EncodedDocument()
{
    static const std::string file = EncodeTxtpFile(DocumentCp1251(), Password());
    return file;
}

// The text the decoder must give back: every '\n' stored as CR LF.
const std::u16string& ExpectedDecodedDocument()
{
    static const std::u16string expected = [] {
        std::u16string out;
        out.reserve(Document().size() * 103 / 100);
        for (char16_t ch : Document()) {
            if (ch == u'\n')
                out += u'\r';
            out += ch;
        }
        return out;
    }();
    return expected;
}

// ---------------------------------------------------------------------------
// Cipher runs over 40 MB of document bytes.

void BM_EncryptRun(benchmark::State& state)
{
    std::string buffer = DocumentCp1251().substr(0, kCipherBytes);
    auto* data = reinterpret_cast<unsigned char*>(buffer.data());
    for (auto _ : state) {
        int32_t last = EncryptRun(data, buffer.size(), kBodyKeys);
        benchmark::DoNotOptimize(last);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_EncryptRun)->Unit(benchmark::kMillisecond);

void BM_DecryptRun(benchmark::State& state)
{
    std::string buffer = DocumentCp1251().substr(0, kCipherBytes);
    auto* data = reinterpret_cast<unsigned char*>(buffer.data());
    EncryptRun(data, buffer.size(), kBodyKeys);
    for (auto _ : state) {
        int32_t last = DecryptRun(data, buffer.size(), kBodyKeys);
        benchmark::DoNotOptimize(last);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_DecryptRun)->Unit(benchmark::kMillisecond);

// What no implementation of the cipher can beat: per byte, the mask shift,
// the xor, the add of the fed-back byte, the multiply and the add, each
// waiting for the one before. No stores; the key stays in a register.
void BM_ReferenceChain(benchmark::State& state)
{
    const std::string& input = DocumentCp1251();
    const auto* p = reinterpret_cast<const unsigned char*>(input.data());
    const std::size_t n = kCipherBytes;
    uint32_t mult = static_cast<uint32_t>(kBodyKeys.MultKey);
    uint32_t add = static_cast<uint32_t>(kBodyKeys.AddKey);
    benchmark::DoNotOptimize(mult);
    benchmark::DoNotOptimize(add);
    for (auto _ : state) {
        uint32_t key = static_cast<uint32_t>(kBodyKeys.StartKey);
        for (std::size_t i = 0; i < n; ++i) {
            const uint32_t c = (p[i] ^ (key >> 8)) & 0xFFu;
            key = (key + c) * mult + add;
            KeepInRegister(key);
        }
        benchmark::DoNotOptimize(key);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(BM_ReferenceChain)->Unit(benchmark::kMillisecond);

// Deciphering feeds back the byte it reads, so its chain is shorter: add,
// multiply, add. Shown for comparison only.
void BM_ReferenceDecryptChain(benchmark::State& state)
{
    const std::string& input = DocumentCp1251();
    const auto* p = reinterpret_cast<const unsigned char*>(input.data());
    const std::size_t n = kCipherBytes;
    uint32_t mult = static_cast<uint32_t>(kBodyKeys.MultKey);
    uint32_t add = static_cast<uint32_t>(kBodyKeys.AddKey);
    benchmark::DoNotOptimize(mult);
    benchmark::DoNotOptimize(add);
    for (auto _ : state) {
        uint32_t key = static_cast<uint32_t>(kBodyKeys.StartKey);
        for (std::size_t i = 0; i < n; ++i) {
            key = (key + p[i]) * mult + add;
            KeepInRegister(key);
        }
        benchmark::DoNotOptimize(key);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(BM_ReferenceDecryptChain)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Password key derivation, 20 characters.

template <TKeySet (*Derive)(std::string_view)>
void DeriveLoop(benchmark::State& state)
{
    const std::string& password = Password();
    for (auto _ : state) {
        TKeySet keys = Derive(password);
        benchmark::DoNotOptimize(keys);
    }
}

TKeySet DefaultPath(std::string_view password) { return DerivePasswordKeys(password); }

void BM_DerivePasswordKeys_Default(benchmark::State& state)
{
    state.SetLabel(HasX87Trig() ? "x87 available" : "no x87: portable");
    DeriveLoop<DefaultPath>(state);
}
BENCHMARK(BM_DerivePasswordKeys_Default)->Unit(benchmark::kMicrosecond);

void BM_DerivePasswordKeys_Portable(benchmark::State& state) { DeriveLoop<DerivePasswordKeysPortable>(state); }
BENCHMARK(BM_DerivePasswordKeys_Portable)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// A whole 40,000,000-character document: what a save and an open cost.

void BM_EncodeDocument(benchmark::State& state)
{
    const std::u16string& text = Document();
    const std::string& password = Password();
    for (auto _ : state) {
        TCp1251Encoding enc = Utf16ToCp1251(text);
        if (!enc.Ok()) {
            state.SkipWithError("unmappable character");
            break;
        }
        std::string file = EncodeTxtpFile(enc.Bytes, password);
        benchmark::DoNotOptimize(file.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EncodeDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeDocument(benchmark::State& state)
{
    const std::string& file = EncodedDocument();
    const std::string& password = Password();
    {
        // Time nothing that does not round-trip.
        const TDecodedFile decoded = DecodeTxtpFile(file, password);
        if (decoded.Status != TDecodeStatus::Ok || Cp1251ToUtf16(decoded.Body) != ExpectedDecodedDocument()) {
            state.SkipWithError("decoded document differs from the text that was encoded");
            return;
        }
    }
    for (auto _ : state) {
        TDecodedFile decoded = DecodeTxtpFile(file, password);
        if (decoded.Status != TDecodeStatus::Ok) {
            state.SkipWithError("key block rejected");
            break;
        }
        std::u16string text = Cp1251ToUtf16(decoded.Body);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Document().size()));
}
BENCHMARK(BM_DecodeDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stages of the two above, to see where the time goes.

void BM_Stage_Utf16ToCp1251(benchmark::State& state)
{
    for (auto _ : state) {
        TCp1251Encoding enc = Utf16ToCp1251(Document());
        benchmark::DoNotOptimize(enc.Bytes.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stage_Utf16ToCp1251)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stage_EncodeTxtpFile(benchmark::State& state)
{
    for (auto _ : state) {
        std::string file = EncodeTxtpFile(DocumentCp1251(), Password());
        benchmark::DoNotOptimize(file.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stage_EncodeTxtpFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stage_DecodeTxtpFile(benchmark::State& state)
{
    for (auto _ : state) {
        TDecodedFile decoded = DecodeTxtpFile(EncodedDocument(), Password());
        benchmark::DoNotOptimize(decoded.Body.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stage_DecodeTxtpFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stage_Cp1251ToUtf16(benchmark::State& state)
{
    const std::string body = DecodeTxtpFile(EncodedDocument(), Password()).Body;
    for (auto _ : state) {
        std::u16string text = Cp1251ToUtf16(body);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stage_Cp1251ToUtf16)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------
// Console output as usual, plus a summary against the targets. With
// repetitions the medians are used.

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            Result& r = results_[run.run_name.function_name];
            if (r.fromMedian && !median)
                continue;
            r.fromMedian = median;
            r.seconds = run.GetAdjustedRealTime() * SecondsPerUnit(run.time_unit);
            const auto bps = run.counters.find("bytes_per_second");
            r.bytesPerSecond = bps != run.counters.end() ? static_cast<double>(bps->second) : 0.0;
        }
    }

    void PrintSummary() const
    {
        std::printf("\nSummary (%s; MB = 10^6 bytes):\n", AnyMedian() ? "medians of the repetitions" : "single runs");
        const Result* enc = Find("BM_EncryptRun");
        const Result* dec = Find("BM_DecryptRun");
        const Result* ref = Find("BM_ReferenceChain");
        const Result* refDec = Find("BM_ReferenceDecryptChain");
        if (enc)
            std::printf("  encrypt run                 %8.1f MB/s\n", enc->bytesPerSecond / 1e6);
        if (dec)
            std::printf("  decrypt run                 %8.1f MB/s\n", dec->bytesPerSecond / 1e6);
        if (ref)
            std::printf("  reference chain             %8.1f MB/s\n", ref->bytesPerSecond / 1e6);
        if (refDec)
            std::printf("  reference decrypt chain     %8.1f MB/s\n", refDec->bytesPerSecond / 1e6);
        if (enc && ref)
            Verdict("  encrypt / reference         %8.3f", enc->bytesPerSecond / ref->bytesPerSecond, ">= 0.8",
                    enc->bytesPerSecond / ref->bytesPerSecond >= 0.8);
        if (dec && ref)
            Verdict("  decrypt / reference         %8.3f", dec->bytesPerSecond / ref->bytesPerSecond, ">= 0.8",
                    dec->bytesPerSecond / ref->bytesPerSecond >= 0.8);
        if (dec && refDec)
            std::printf("  decrypt / decrypt chain     %8.3f   (for comparison)\n",
                        dec->bytesPerSecond / refDec->bytesPerSecond);
        if (const Result* r = Find("BM_DerivePasswordKeys_Default"))
            Verdict("  derive keys, default path   %8.2f us", r->seconds * 1e6, "< 20 us", r->seconds < 20e-6);
        if (const Result* r = Find("BM_DerivePasswordKeys_Portable"))
            Verdict("  derive keys, portable path  %8.2f us", r->seconds * 1e6, "< 20 us", r->seconds < 20e-6);
        if (const Result* r = Find("BM_EncodeDocument"))
            Verdict("  encode 40M-char document    %8.3f s ", r->seconds, "< 0.3 s", r->seconds < 0.3);
        if (const Result* r = Find("BM_DecodeDocument"))
            Verdict("  decode 40M-char document    %8.3f s ", r->seconds, "< 0.3 s", r->seconds < 0.3);
    }

private:
    struct Result {
        double seconds = 0;
        double bytesPerSecond = 0;
        bool fromMedian = false;
    };

    static double SecondsPerUnit(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-9;
        case benchmark::kMicrosecond: return 1e-6;
        case benchmark::kMillisecond: return 1e-3;
        default: return 1.0;
        }
    }

    static void Verdict(const char* format, double value, const char* target, bool met)
    {
        std::printf(format, value);
        std::printf("   target %-7s %s\n", target, met ? "met" : "MISSED");
    }

    const Result* Find(const std::string& name) const
    {
        const auto it = results_.find(name);
        return it == results_.end() ? nullptr : &it->second;
    }

    bool AnyMedian() const
    {
        for (const auto& [name, r] : results_)
            if (r.fromMedian)
                return true;
        return false;
    }

    std::map<std::string, Result> results_;
};

} // namespace

int main(int argc, char** argv)
{
#ifndef NDEBUG
    std::fprintf(stderr, "warning: core_bench built without NDEBUG; build Release for meaningful figures\n");
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // No colour: the output is mostly read from logs.
    SummaryReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
