// Programming a 64 KiB image into the simulated device (VANTO_BENCH_KIB sets
// another size).
//
// BM_PacedProgramming: the device is paced at 38400 baud (10 bits a byte) and
// takes 5 ms per reply. The ideal is the wire time of every byte that went
// each way plus the device's reply delays, as the simulator counts them; the
// counter overhead_pct says how far the host's own work and its waits stretch
// the run beyond that (goal: under 1 %). cpu_us_per_block is the sending
// thread's CPU time per block against that device (goal: at most 250 µs):
// what the host pays for waiting on a real wire.
//
// BM_HostCpuPerBlock: the device answers at once; cpu_us_per_block is the
// CPU time of the sending thread per block (getrusage, user + system), i.e.
// the host's own cost of building, writing and receiving (goal: under 50 µs).
//
// The paced figure depends on how promptly both processes are woken: on a
// busy machine every exchange waits for the scheduler several times. Run it
// on a quiet machine (or with a raised priority, e.g. nice -n -15).
//
// Both drive the engine exactly as the programming run does (SendNextBlock
// until the image is exhausted, then the commit finish), without the page's
// fixed 100 ms pause before the first block.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "bench/programming/bench_image.h"
#include "link/update_engine.h"
#include "tests/support/devsim_process.h"
#include "tests/support/update_files.h"

namespace {

constexpr double kBaud = 38400.0;
constexpr double kBitsPerByte = 10.0;

// A working directory holding kst.hex with the image.
class CBenchDir {
public:
    CBenchDir() {
        std::string strTemplate =
            std::filesystem::temp_directory_path().string() + "/vanto-bench-XXXXXX";
        m_strPath = mkdtemp(strTemplate.data()) != nullptr ? strTemplate : "";
        m_strOld = std::filesystem::current_path().string();
        std::filesystem::current_path(m_strPath);
        WriteIntelHexFile(m_strPath + "/kst.hex", 0, PatternBytes(BenchImageBytes()));
    }
    ~CBenchDir() {
        std::error_code error;
        std::filesystem::current_path(m_strOld, error);
        std::filesystem::remove_all(m_strPath, error);
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
    std::string m_strOld;
};

// The figures of the device's last "STATS" line (it prints one after each
// finish); false when none came within nWaitMs.
bool LastStats(const CDevsimProcess& device, unsigned long long* pnRxBytes,
               unsigned long long* pnTxBytes, unsigned long long* pnReplyDelayMs, int nWaitMs) {
    if (!device.WaitForOutput("STATS ", nWaitMs)) {
        return false;
    }
    const std::string strOutput = device.Output();
    unsigned nReplies = 0;
    return std::sscanf(strOutput.c_str() + strOutput.rfind("STATS "),
                       "STATS rx_bytes=%llu tx_bytes=%llu replies=%u reply_delay_ms=%llu",
                       pnRxBytes, pnTxBytes, &nReplies, pnReplyDelayMs) == 4;
}

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The programming loop; returns the run's result code.
int SendImage(CUpdateEngine& engine) {
    for (;;) {
        const int nResult = engine.SendNextBlock();
        if (nResult == UPD_MORE) {
            continue;
        }
        if (nResult == UPD_OK) {
            return engine.Finish(1);
        }
        engine.Finish(0);
        return nResult;
    }
}

void BM_PacedProgramming(benchmark::State& state) {
    for (auto _ : state) {
        CBenchDir dir;
        CDevsimProcess device;
        if (!device.Start({"--baud", "38400", "--reply-delay", "5", "--quiet"})) {
            state.SkipWithError("vanto-devsim did not start");
            return;
        }
        setenv("VANTO_COM_PORTS", device.LinkPath().c_str(), 1);
        CUpdaterApp app;
        app.CreateEngine();  // opens COM1, the device
        CUpdateEngine& engine = *app.m_pEngine;
        if (!engine.LoadUpdateImage()) {
            state.SkipWithError("image did not load");
            return;
        }
        const auto tStart = std::chrono::steady_clock::now();
        const double dCpuStart = ThreadCpuSeconds();
        const int nResult = SendImage(engine);
        const double dCpu = ThreadCpuSeconds() - dCpuStart;
        const double dMeasured =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
        state.SetIterationTime(dMeasured);
        engine.CloseUpdateImage();

        unsigned long long nRx = 0;
        unsigned long long nTx = 0;
        unsigned long long nDelayMs = 0;
        if (nResult != UPD_OK || !LastStats(device, &nRx, &nTx, &nDelayMs, 3000)) {
            state.SkipWithError("the run did not finish");
            return;
        }
        const double dIdeal = static_cast<double>(nRx + nTx) * kBitsPerByte / kBaud +
                              static_cast<double>(nDelayMs) / 1000.0;
        state.counters["blocks"] = static_cast<double>(engine.m_nBlocksSent);
        state.counters["measured_s"] = dMeasured;
        state.counters["ideal_s"] = dIdeal;
        state.counters["overhead_pct"] = (dMeasured / dIdeal - 1.0) * 100.0;
        state.counters["wire_bytes"] = static_cast<double>(nRx + nTx);
        state.counters["cpu_us_per_block"] =
            dCpu * 1e6 / static_cast<double>(std::max(1u, engine.m_nBlocksSent));
        // Every block and the finish is one exchange; what the run takes beyond
        // the ideal is spread over them (wake-ups of host and device, sleeps
        // that overshoot, the host's own work).
        state.counters["extra_ms_per_exchange"] =
            (dMeasured - dIdeal) * 1000.0 / static_cast<double>(engine.m_nBlocksSent + 1);
    }
}
BENCHMARK(BM_PacedProgramming)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_HostCpuPerBlock(benchmark::State& state) {
    CBenchDir dir;
    CDevsimProcess device;
    if (!device.Start({"--quiet"})) {
        state.SkipWithError("vanto-devsim did not start");
        return;
    }
    setenv("VANTO_COM_PORTS", device.LinkPath().c_str(), 1);
    CUpdaterApp app;
    app.CreateEngine();
    CUpdateEngine& engine = *app.m_pEngine;
    double dCpu = 0.0;
    double dBlocks = 0.0;
    for (auto _ : state) {
        if (!engine.LoadUpdateImage()) {
            state.SkipWithError("image did not load");
            return;
        }
        const double dCpuStart = ThreadCpuSeconds();
        const int nResult = SendImage(engine);
        dCpu += ThreadCpuSeconds() - dCpuStart;
        dBlocks += engine.m_nBlocksSent;
        engine.CloseUpdateImage();
        if (nResult != UPD_OK) {
            state.SkipWithError("the run did not finish");
            return;
        }
    }
    state.counters["cpu_us_per_block"] = dBlocks > 0 ? dCpu / dBlocks * 1e6 : 0.0;
    state.counters["blocks_per_s"] = benchmark::Counter(dBlocks, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HostCpuPerBlock)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
