// Rendering and decoding a full receive buffer: the work of every receive event at its worst.
// Each call is timed alone, so the table's p99 and max are those of single calls. Prints the
// results as CSV lines (ResultRow), rendering alone being the baseline of each decoding.
#include "linkcore.h"
#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"
#include "resultrow.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>

namespace
{

constexpr int kSamples = 1000;
constexpr double kGoalUs = 150;

std::string fullBuffer()
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string buffer(LinkCore::kReceiveBufferLimit, '\0');
    for (char &c : buffer)
        c = static_cast<char>(byte(random));
    return buffer;
}

void renderOnly(benchmark::State &run)
{
    const std::string buffer = fullBuffer();
    for (auto _ : run)
        benchmark::DoNotOptimize(renderForMonitor(buffer));
}

// Rendering plus the decoding of the reply to each query kind; "C00" decodes nothing.
void renderAndDecode(benchmark::State &run, const char *query)
{
    const std::string buffer = fullBuffer();
    PanelState state;
    state.lastCommand = frameCommand(state, query);
    for (auto _ : run) {
        const std::string rendered = renderForMonitor(buffer);
        benchmark::DoNotOptimize(decodeReply(state, rendered));
    }
}

void oneCallPerSample(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Iterations(1)->Repetitions(kSamples)->Unit(benchmark::kMicrosecond);
}

// Keeps the time of every single run, by benchmark name, in microseconds.
class SampleCollector : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context &) override { return true; }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                samples[run.run_name.function_name].add(run.GetAdjustedRealTime());
    }

    std::map<std::string, Samples> samples;
};

} // namespace

BENCHMARK(renderOnly)->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, C00, "C00")->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, CR0, "CR0")->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, CR3, "CR3")->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, CR6, "CR6")->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, CR9, "CR9")->Apply(oneCallPerSample);
BENCHMARK_CAPTURE(renderAndDecode, CR_PRESSURE, "CR PRESSURE")->Apply(oneCallPerSample);

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    // A warm-up: the first calls of a run find the processor idle and the heap cold.
    const std::string buffer = fullBuffer();
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
         std::chrono::steady_clock::now() < until;)
        benchmark::DoNotOptimize(renderForMonitor(buffer));
    SampleCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const Samples &rendering = collector.samples["renderOnly"];
    for (const auto &[name, samples] : collector.samples) {
        const bool baseline = name == "renderOnly";
        std::ostringstream figure;
        if (baseline)
            figure << "render of 32767 bytes";
        else // renderAndDecode/QUERY
            figure << "render + decode after " << name.substr(name.find('/') + 1);
        const ResultRow row{.figure = figure.str(),
                            .unit = "us",
                            .measured = samples,
                            .baseline = baseline ? "-" : "rendering alone",
                            .baselineSamples = baseline ? Samples() : rendering,
                            .baselineValue = {},
                            .goal = "median < 150 us",
                            .met = samples.median() < kGoalUs};
        std::printf("%s\n", row.csv().c_str());
    }
    return 0;
}
