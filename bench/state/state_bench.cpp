// Saving and loading the module's state, against the JSON library parsing and writing the same
// document on its own (the floor that validation and applying add to).

#include "plugin/utility_plugin.h"

#include "public.sdk/source/common/memorystream.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

using namespace quillwave::plugins;
using namespace Steinberg;

namespace {

IPtr<UtilityPlugin> recorder() {
    IPtr<UtilityPlugin> plugin(new UtilityPlugin(ModuleKind::Recorder), false);
    plugin->initialize(nullptr);
    return plugin;
}

std::string savedBytes(UtilityPlugin& plugin) {
    MemoryStream stream;
    static_cast<Vst::IComponent&>(plugin).getState(&stream);
    return {stream.getData(), static_cast<std::size_t>(stream.getSize())};
}

void BM_GetState(benchmark::State& state) {
    auto plugin = recorder();
    for (auto _ : state) {
        MemoryStream stream;
        benchmark::DoNotOptimize(static_cast<Vst::IComponent&>(*plugin).getState(&stream));
    }
}
BENCHMARK(BM_GetState);

void BM_SetState(benchmark::State& state) {
    auto plugin = recorder();
    const std::string bytes = savedBytes(*plugin);
    for (auto _ : state) {
        MemoryStream stream(const_cast<char*>(bytes.data()), static_cast<TSize>(bytes.size()));
        if (static_cast<Vst::IComponent&>(*plugin).setState(&stream) != kResultOk) {
            state.SkipWithError("the document was refused");
            break;
        }
    }
}
BENCHMARK(BM_SetState);

// Baselines: the library alone on the same text.
void BM_BaselineDump(benchmark::State& state) {
    auto plugin = recorder();
    const std::string bytes = savedBytes(*plugin);
    const nlohmann::json document = nlohmann::json::parse(bytes.begin() + 4, bytes.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(document.dump());
    }
}
BENCHMARK(BM_BaselineDump);

void BM_BaselineParse(benchmark::State& state) {
    auto plugin = recorder();
    const std::string bytes = savedBytes(*plugin);
    for (auto _ : state) {
        benchmark::DoNotOptimize(nlohmann::json::parse(bytes.begin() + 4, bytes.end()));
    }
}
BENCHMARK(BM_BaselineParse);

} // namespace

BENCHMARK_MAIN();
