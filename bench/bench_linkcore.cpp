// Rendering and decoding a full receive buffer: the work of every receive event at its worst.
#include "linkcore.h"
#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

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

} // namespace

BENCHMARK(renderOnly);
BENCHMARK_CAPTURE(renderAndDecode, ordinaryCommand, "C00");
BENCHMARK_CAPTURE(renderAndDecode, power, "CR0");
BENCHMARK_CAPTURE(renderAndDecode, lampHours, "CR3");
BENCHMARK_CAPTURE(renderAndDecode, temperatures, "CR6");
BENCHMARK_CAPTURE(renderAndDecode, verbatim, "CR9");
BENCHMARK_CAPTURE(renderAndDecode, pressure, "CR PRESSURE");

BENCHMARK_MAIN();
