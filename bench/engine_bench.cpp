// Engine benchmarks: backup and restore throughput of a large database against cp of its data file
// (and against cp followed by a flush to disk, since a backup flushes before it renames its file into
// place), and listing a thousand databases with all their figures. The ratios are printed at the end.
//
//   engine_bench [--benchmark_filter=...]      TAVROSK_BENCH_MB sets the database size (default 1024)
//   TAVROSK_BENCH_DIR names the folder to work in (default: a new folder under /var/tmp)
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "engine/engine.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string g_folder;
long long g_databaseBytes = 0;
std::map<std::string, double> g_seconds; // best time of each measured operation

int MegabytesWanted() {
    const char* mb = std::getenv("TAVROSK_BENCH_MB");
    return mb && *mb ? std::atoi(mb) : 1024;
}

void Prepare() {
    const char* dir = std::getenv("TAVROSK_BENCH_DIR");
    std::string base = dir && *dir ? dir : "/var/tmp";
    std::string pattern = base + "/tavrosk-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    g_folder = pattern;
    setenv("TAVROSK_PREFIX", g_folder.c_str(), 1);
    tvengine::CreateInstance("");
    auto session = tvengine::Connect("(local)");
    session->CreateDatabase({"Large"});
    session->Execute("Large", "CREATE TABLE t(id INTEGER PRIMARY KEY, filler BLOB)");
    int rows = MegabytesWanted() * 16; // 64 KB each
    for (int done = 0; done < rows; done += 1024) {
        int batch = std::min(1024, rows - done);
        session->Execute(
            "Large", "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                         std::to_string(batch) + ") INSERT INTO t(filler) SELECT randomblob(65536) FROM n");
    }
    g_databaseBytes = session->Database("Large").files[0].sizeBytes;
    std::fprintf(stderr, "database of %.1f MB ready in %s\n", g_databaseBytes / 1048576.0, g_folder.c_str());
}

std::string DataFile() {
    return g_folder + "/instances/MSSQLSERVER/Data/Large.mdf";
}

void Record(const std::string& what, double seconds) {
    auto found = g_seconds.find(what);
    if (found == g_seconds.end() || seconds < found->second) g_seconds[what] = seconds;
}

template <typename F> void Measure(benchmark::State& state, const std::string& what, F&& work) {
    for (auto _ : state) {
        auto start = Clock::now();
        work();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        Record(what, seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * g_databaseBytes);
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

void BM_Cp(benchmark::State& state) {
    std::string copy = g_folder + "/cp.copy";
    Measure(state, "cp", [&] { Shell("cp '" + DataFile() + "' '" + copy + "'"); });
    std::filesystem::remove(copy);
}

void BM_CpAndSync(benchmark::State& state) {
    std::string copy = g_folder + "/cp.copy";
    Measure(state, "cp+sync",
            [&] { Shell("cp '" + DataFile() + "' '" + copy + "' && sync '" + copy + "'"); });
    std::filesystem::remove(copy);
}

void BM_Backup(benchmark::State& state) {
    auto session = tvengine::Connect("(local)");
    tvengine::BackupRequest request{"Large", g_folder + "/large.bak"};
    request.initialize = true;
    Measure(state, "backup", [&] { session->Backup(request); });
}

void BM_Restore(benchmark::State& state) {
    auto session = tvengine::Connect("(local)");
    std::string file = g_folder + "/large.bak";
    if (!std::filesystem::exists(file)) session->Backup({"Large", file});
    tvengine::RestoreRequest request{"Large", file};
    Measure(state, "restore", [&] { session->Restore(request); });
}

void BM_ListThousandDatabases(benchmark::State& state) {
    static bool made = false;
    if (!made) {
        tvengine::CreateInstance("Many");
        auto admin = tvengine::Connect(".\\Many");
        for (int i = 0; i < 1000; ++i)
            admin->CreateDatabase({"Area " + std::to_string(i)});
        made = true;
    }
    auto session = tvengine::Connect(".\\Many");
    for (auto _ : state) {
        auto start = Clock::now();
        auto list = session->Databases();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(list);
        if (list.size() != 1004) state.SkipWithError("not all databases were listed");
        state.SetIterationTime(seconds);
        Record("list", seconds);
    }
}

BENCHMARK(BM_Cp)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpAndSync)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Backup)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Restore)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListThousandDatabases)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto ratio = [](const char* what, const char* reference) {
        if (!g_seconds.count(what) || !g_seconds.count(reference)) return;
        std::printf("%-8s throughput / %-8s throughput: %.2f  (%.0f MB/s against %.0f MB/s)\n", what,
                    reference, g_seconds[reference] / g_seconds[what],
                    g_databaseBytes / 1048576.0 / g_seconds[what],
                    g_databaseBytes / 1048576.0 / g_seconds[reference]);
    };
    std::printf("\nbest of each, database %.1f MB:\n", g_databaseBytes / 1048576.0);
    ratio("backup", "cp");
    ratio("backup", "cp+sync");
    ratio("restore", "cp");
    ratio("restore", "cp+sync");
    if (g_seconds.count("list"))
        std::printf("listing 1,000 databases with their figures: %.3f s (aim: under 0.2 s)\n",
                    g_seconds["list"]);
    std::filesystem::remove_all(g_folder);
    return 0;
}
