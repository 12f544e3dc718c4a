// vanto-flash updating 8 simulated devices at once against one device alone,
// both in the same run: each device is paced at 38400 baud (10 bits a byte)
// and takes 5 ms per reply, and gets a 64 KiB image (256 blocks).
//
// BM_EightDevicesAgainstOne runs the whole program twice: `--port 1` with one
// device, then `--ports 1-8` with eight. Counters:
//   one_s, eight_s     wall time of each run, program start to exit
//   wall_ratio         eight_s / one_s (goal: at most 1.05: every wire is
//                      independent, so eight devices take the time of one)
//   cpu_us_per_block_one, cpu_us_per_block_eight
//                      the program's CPU time (user + system, all threads,
//                      from wait4) per block sent
//   cpu_ratio          eight's figure over one's (goal: within 1.10)
//
// The eight devices are eight vanto-devsim processes on the same machine;
// their wire pacing is awake for the last few hundred microseconds of each
// byte they send, so on a machine with few cores their scheduling shows in
// eight_s. Run it on a quiet machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/procedures/update_file_writer.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr size_t kImageBytes = 64 * 1024;
constexpr int kBlocks = kImageBytes / 256;
constexpr int kDevices = 8;

struct SProgramCost {
    int nExitStatus = -1;
    double dWallSeconds = 0.0;
    double dCpuSeconds = 0.0;
};

double Seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

// vanto-flash with args in strDir, its output to /dev/null; what it cost.
SProgramCost RunFlash(const std::string& strDir, const std::string& strPorts,
                      const std::vector<std::string>& args) {
    const auto tStart = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("VANTO_COM_PORTS", strPorts.c_str(), 1);
        const int fdNull = open("/dev/null", O_RDWR);
        dup2(fdNull, 0), dup2(fdNull, 1), dup2(fdNull, 2);
        std::vector<char*> argv{const_cast<char*>("vanto-flash")};
        for (const std::string& strArg : args) {
            argv.push_back(const_cast<char*>(strArg.c_str()));
        }
        argv.push_back(nullptr);
        if (chdir(strDir.c_str()) == 0) {
            execv(VANTO_BIN_DIR "/vanto-flash", argv.data());
        }
        _exit(127);
    }
    SProgramCost cost;
    int nStatus = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &nStatus, 0, &usage) == pid) {
        cost.nExitStatus = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    }
    cost.dWallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    cost.dCpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return cost;
}

void BM_EightDevicesAgainstOne(benchmark::State& state) {
    for (auto _ : state) {
        CTempDir dir;
        WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(kImageBytes));
        std::vector<std::unique_ptr<CDevsimProcess>> devices;
        std::string strPorts;
        for (int n = 0; n < kDevices; ++n) {
            devices.push_back(std::make_unique<CDevsimProcess>());
            if (!devices.back()->Start({"--baud", "38400", "--reply-delay", "5", "--quiet"})) {
                state.SkipWithError("vanto-devsim did not start");
                return;
            }
            strPorts += (n == 0 ? "" : ":") + devices.back()->LinkPath();
        }
        const SProgramCost one = RunFlash(dir.Path(), strPorts, {"--port", "1"});
        const SProgramCost eight = RunFlash(dir.Path(), strPorts, {"--ports", "1-8"});
        state.SetIterationTime(one.dWallSeconds + eight.dWallSeconds);
        if (one.nExitStatus != 0 || eight.nExitStatus != 0) {
            state.SkipWithError("a run did not update every device");
            return;
        }
        const double dCpuOne = one.dCpuSeconds / kBlocks * 1e6;
        const double dCpuEight = eight.dCpuSeconds / (kBlocks * kDevices) * 1e6;
        state.counters["one_s"] = one.dWallSeconds;
        state.counters["eight_s"] = eight.dWallSeconds;
        state.counters["wall_ratio"] = eight.dWallSeconds / one.dWallSeconds;
        state.counters["cpu_us_per_block_one"] = dCpuOne;
        state.counters["cpu_us_per_block_eight"] = dCpuEight;
        state.counters["cpu_ratio"] = dCpuEight / dCpuOne;
    }
}
BENCHMARK(BM_EightDevicesAgainstOne)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
