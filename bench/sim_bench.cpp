// Benchmarks of the driver on the simulated platform (Google Benchmark):
// four driver calls, each against its floor measured in the same run (see
// common.h). The simulation's calls keep a journal; it is emptied every
// 1024 iterations outside the timing, for the driver and the floors alike.
//
// Every benchmark is repeated (12 times unless --benchmark_repetitions
// says otherwise), the repetitions of all seven interleaved in a random
// order, so that a passing load on the machine falls on driver and floor
// alike; at the end a table gives each pair's medians and the
// ratio of driver to floor, and the same for the capture's own part (the
// capturing write's median less the unchanged write's).
//
//   build/native/benchmarks [Google Benchmark options]
#include "common.h"

#include "driver/tavlora.h"
#include "platform/sim/sim_control.h"
#include "screen/window.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const bench::Driver Driver = {DISPLAYDLL_Init, DISPLAYDLL_Write, DISPLAYDLL_SetPosition,
                              DISPLAYDLL_CustomChar};
bench::Floors Floors;

void StartDriver(const char *recordFile, bench::Look look = bench::FontRows) {
    if (!bench::StartDriver(Driver, recordFile, look)) exit(1);
}

// Empties the journal now and then, outside the timing.
void KeepJournalShort(benchmark::State &state, int64_t &count) {
    if (++count % 1024 != 0) return;
    state.PauseTiming();
    sim::clear_journal();
    state.ResumeTiming();
}

void UnchangedWrite(benchmark::State &state) {
    StartDriver(NULL);
    bench::FillRowsForUnchangedWrites(Driver);
    int64_t count = 0;
    for (auto _ : state) {
        bench::UnchangedWrite(Driver);
        KeepJournalShort(state, count);
    }
}

void UnchangedWriteFloor(benchmark::State &state) {
    int64_t count = 0;
    for (auto _ : state) {
        bench::WriteFloor(Floors);
        KeepJournalShort(state, count);
    }
}

void Repaint(benchmark::State &state) {
    StartDriver(NULL);
    bench::ShowRows(Driver);
    int64_t count = 0;
    for (auto _ : state) {
        bench::Repaint(Driver, count);
        KeepJournalShort(state, count);
    }
}

// The repaint of one look; the driver is left started with font rows.
void RepaintOf(benchmark::State &state, bench::Look look) {
    StartDriver(NULL, look);
    bench::ShowRows(Driver);
    int64_t count = 0;
    for (auto _ : state) {
        bench::Repaint(Driver, count);
        KeepJournalShort(state, count);
    }
    StartDriver(NULL);
}

void DotRepaint(benchmark::State &state) { RepaintOf(state, bench::DotRows); }
void ModuleRepaint(benchmark::State &state) { RepaintOf(state, bench::Module20x4); }
void FontsAt20x4Repaint(benchmark::State &state) { RepaintOf(state, bench::FontsAt20x4); }
void RoundModuleRepaint(benchmark::State &state) { RepaintOf(state, bench::RoundModule40x4); }
void FontsAt40x4Repaint(benchmark::State &state) { RepaintOf(state, bench::FontsAt40x4); }
void Zoom300Repaint(benchmark::State &state) { RepaintOf(state, bench::Zoom300); }

void RepaintFloor(benchmark::State &state) {
    int64_t count = 0;
    for (auto _ : state) {
        bench::ComposeFloor(Floors);
        KeepJournalShort(state, count);
    }
}

void CaptureTo(benchmark::State &state, const char *file) {
    StartDriver(file);
    bench::FillRowsForUnchangedWrites(Driver);
    int64_t count = 0;
    for (auto _ : state) {
        bench::UnchangedWrite(Driver);
        KeepJournalShort(state, count);
    }
    StartDriver(NULL);
}

void Capture(benchmark::State &state) { CaptureTo(state, "bench.bmp"); }
void PngCapture(benchmark::State &state) { CaptureTo(state, "bench.png"); }

void CaptureFloor(benchmark::State &state) {
    int64_t count = 0;
    for (auto _ : state) {
        bench::CaptureFloor(Floors, "floor.bmp");
        KeepJournalShort(state, count);
    }
}

void PngFloor(benchmark::State &state) {
    int64_t count = 0;
    for (auto _ : state) {
        bench::PngFloor(Floors, "floor.png");
        KeepJournalShort(state, count);
    }
}

// Prints the usual report, and at the end each pair's medians and ratio.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                single_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        static const char *const kPairs[][3] = {
            {"unchanged write", "UnchangedWrite", "UnchangedWriteFloor"},
            {"repaint", "Repaint", "RepaintFloor"},
            {"capture", "Capture", "CaptureFloor"},
            {"PNG capture", "PngCapture", "PngFloor"},
            {"dot repaint", "DotRepaint", "RepaintFloor"}};
        printf("\nmedians, microseconds (simulated platform)\n");
        printf("%-16s %12s %12s %8s\n", "pair", "driver", "floor", "ratio");
        for (const auto &pair : kPairs) {
            double driver = Median(pair[1]), floor = Median(pair[2]);
            if (driver <= 0 || floor <= 0) continue;
            printf("%-16s %12.2f %12.2f %8.2f\n", pair[0], driver, floor, driver / floor);
        }
        // The capture's own part: what the capturing write adds to the
        // unchanged one, for the driver and for the floor.
        static const char *const kAlone[][3] = {{"capture alone", "Capture", "CaptureFloor"},
                                                {"PNG alone", "PngCapture", "PngFloor"}};
        for (const auto &pair : kAlone) {
            double driver = Median(pair[1]) - Median("UnchangedWrite");
            double floor = Median(pair[2]) - Median("UnchangedWriteFloor");
            if (driver > 0 && floor > 0)
                printf("%-16s %12.2f %12.2f %8.2f\n", pair[0], driver, floor, driver / floor);
        }
        // Dot-matrix rows and modules against font rows of the same window size.
        static const char *const kLooks[][3] = {
            {"dots vs fonts", "DotRepaint", "Repaint"},
            {"module 20x4", "ModuleRepaint", "FontsAt20x4Repaint"},
            {"round 40x4", "RoundModuleRepaint", "FontsAt40x4Repaint"},
            {"zoom 300", "Zoom300Repaint", "Repaint"}};
        for (const auto &pair : kLooks) {
            double dots = Median(pair[1]), fonts = Median(pair[2]);
            if (dots > 0 && fonts > 0)
                printf("%-16s %12.2f %12.2f %8.2f   (dots, fonts)\n", pair[0], dots, fonts,
                       dots / fonts);
        }
    }

  private:
    double Median(const std::string &name) {
        if (medians_.count(name)) return medians_[name];
        return single_.count(name) ? single_[name] : 0; // a run without repetitions
    }
    std::map<std::string, double> medians_;
    std::map<std::string, double> single_;
};

} // namespace

BENCHMARK(UnchangedWrite)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(UnchangedWriteFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Repaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(DotRepaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ModuleRepaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(FontsAt20x4Repaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(RoundModuleRepaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(FontsAt40x4Repaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Zoom300Repaint)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(RepaintFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Capture)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(CaptureFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(PngCapture)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(PngFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char **argv) {
    // Defaults first, so that the command line's own options win.
    std::vector<char *> args = {argv[0], const_cast<char *>("--benchmark_repetitions=12"),
                                const_cast<char *>("--benchmark_enable_random_interleaving=true"),
                                const_cast<char *>("--benchmark_report_aggregates_only=true")};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    // A folder of its own under $TMPDIR (or /tmp), laid out as a host's.
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavlora-bench-XXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back(0);
    if (!mkdtemp(folder.data()) || chdir(folder.data()) != 0) {
        perror("benchmark folder");
        return 1;
    }
    sim::reset();
    if (!bench::PrepareFolder(TAVLORA_SOURCE_DIR "/images/Tavlora.jpg")) return 1;
    sim::set_ticks(0);
    StartDriver(NULL);
    // The floors' paint window lies beside the driver's, as under Wine.
    if (!bench::OpenFloors(&Floors, DisplayWindow, "images/Tavlora.jpg", 0, 300)) return 1;
    // The capture floors take the image the capturing writes record.
    bench::FillRowsForUnchangedWrites(Driver);
    if (!bench::CopyWindowForFloors(&Floors)) return 1;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::CloseFloors(&Floors);
    std::string remove = std::string("rm -rf '") + folder.data() + "'";
    return system(remove.c_str()) == 0 ? 0 : 1;
}
