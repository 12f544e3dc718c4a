// vanto-flash updating N simulated devices at once against one device alone,
// in turn in the same run: each device is paced at 38400 baud (10 bits a
// byte) and takes 5 ms per reply, and gets the same image (64 KiB, 256
// blocks; VANTO_BENCH_KIB sets another size).
//
// BM_DevicesAgainstOne/N starts N vanto-devsim processes, then runs the whole
// program twice: `--port 1` with one device, then `--ports 1-N` with all N
// (the other N - 1 simulators wait idle during the first); for N = 1 the
// one-device run twice, which shows how far two equal runs differ. Counters:
//   one_s, many_s      wall time of each run, program start to exit
//   wall_ratio         many_s / one_s (goal for 100 devices on 2 cores: at
//                      most 1.03: every wire is independent, so N devices
//                      take the time of one)
//   cpu_us_per_block_one, cpu_us_per_block_many
//                      the program's CPU time (user + system, all threads,
//                      from wait4) per block sent (goal for one device: at
//                      most 250 us)
//   devsim_cpu_s       the simulators' CPU time during both runs, all N
//                      together (their pacing, which is not the host's cost)
//
// Run it with --benchmark_repetitions=3 (or more) for medians: the N
// simulators share the machine's cores with the program, so their
// scheduling shows in many_s. Run it on a quiet machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/programming/bench_image.h"
#include "tests/support/devsim_process.h"
#include "tests/support/update_files.h"

namespace {

struct SProgramCost {
    int nExitStatus = -1;
    double dWallSeconds = 0.0;
    double dCpuSeconds = 0.0;
};

double Seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

// CPU seconds (user + system) a process has used so far, from /proc; 0 when
// it is gone.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string strLine;
    std::getline(stat, strLine);
    const size_t nEnd = strLine.rfind(')');
    if (nEnd == std::string::npos) {
        return 0.0;
    }
    // Fields after the command's closing parenthesis: state is the 3rd field
    // of the line, utime and stime the 14th and 15th.
    unsigned long long nUser = 0, nSystem = 0;
    if (std::sscanf(strLine.c_str() + nEnd + 2,
                    "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &nUser,
                    &nSystem) != 2) {
        return 0.0;
    }
    return static_cast<double>(nUser + nSystem) / static_cast<double>(sysconf(_SC_CLK_TCK));
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

using Devices = std::vector<std::unique_ptr<CDevsimProcess>>;

double DevicesCpuSeconds(const Devices& devices) {
    double dSeconds = 0.0;
    for (const auto& pDevice : devices) {
        dSeconds += ProcessCpuSeconds(pDevice->Pid());
    }
    return dSeconds;
}

void BM_DevicesAgainstOne(benchmark::State& state) {
    const int nDevices = static_cast<int>(state.range(0));
    const size_t nImageBytes = BenchImageBytes();
    const double dBlocks = static_cast<double>((nImageBytes + 255) / 256);
    for (auto _ : state) {
        CTempDir dir;
        WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(nImageBytes));
        Devices devices;
        std::string strPorts;
        for (int n = 0; n < nDevices; ++n) {
            devices.push_back(std::make_unique<CDevsimProcess>());
            if (!devices.back()->Start({"--baud", "38400", "--reply-delay", "5", "--quiet"})) {
                state.SkipWithError("vanto-devsim did not start");
                return;
            }
            strPorts += (n == 0 ? "" : ":") + devices.back()->LinkPath();
        }
        const double dDevsimCpuBefore = DevicesCpuSeconds(devices);
        const SProgramCost one = RunFlash(dir.Path(), strPorts, {"--port", "1"});
        // N = 1: the same run twice, the figure of a ratio that should be 1.
        const SProgramCost many = RunFlash(
            dir.Path(), strPorts,
            nDevices == 1 ? std::vector<std::string>{"--port", "1"}
                          : std::vector<std::string>{"--ports", "1-" + std::to_string(nDevices)});
        const double dDevsimCpu = DevicesCpuSeconds(devices) - dDevsimCpuBefore;
        state.SetIterationTime(one.dWallSeconds + many.dWallSeconds);
        if (one.nExitStatus != 0 || many.nExitStatus != 0) {
            state.SkipWithError("a run did not update every device");
            return;
        }
        state.counters["one_s"] = one.dWallSeconds;
        state.counters["many_s"] = many.dWallSeconds;
        state.counters["wall_ratio"] = many.dWallSeconds / one.dWallSeconds;
        state.counters["cpu_us_per_block_one"] = one.dCpuSeconds / dBlocks * 1e6;
        state.counters["cpu_us_per_block_many"] = many.dCpuSeconds / (dBlocks * nDevices) * 1e6;
        state.counters["devsim_cpu_s"] = dDevsimCpu;
    }
}
BENCHMARK(BM_DevicesAgainstOne)
    ->Arg(1)
    ->Arg(8)
    ->Arg(32)
    ->Arg(64)
    ->Arg(100)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
