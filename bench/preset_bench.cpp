// Vexlo VM writing every program of an instrument of thousands of programs (amsynth): "Extract
// FXPs" and "Extract FXB + Links" with the first name given and no further dialogs, against the
// instrument's own setProgram and effGetChunk for every program, in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "bench/ratio_main.h"
#include "bench/vm_bench.h"
#include "host/host.h"
#include "manager/core/vst_manager.h"
#include "platform/user_services.h"

using namespace vexlo::host;
using vexlo::manager::VstManager;

namespace {

const std::string kAmsynth = "/usr/lib/vst/amsynth_vst.so";
namespace fs = std::filesystem;


struct Vm {
    Vm() : context(44100.0, 512) {
        plugin = vexlo::bench::createVm(context);
        manager = static_cast<VstManager*>(plugin->effect()->object);
        plugin->start();
        manager->loadInstrument(kAmsynth.c_str(), false, -1);
    }
    HostContext context;
    std::unique_ptr<Plugin> plugin;
    VstManager* manager = nullptr;
};

// Every file of a run goes into a fresh folder, so that no question about replacing one is asked.
template <typename Run>
void timed(benchmark::State& state, Run run) {
    Vm vm;
    if (!vm.manager->getInstrument()) return state.SkipWithError("amsynth did not load");
    vexlo::platform::ScriptedUserServices script;
    vexlo::platform::ScopedUserServices installed(script);
    int round = 0;
    for (auto _ : state) {
        const fs::path folder = vexlo::bench::vmFolder() / ("round" + std::to_string(round++));
        fs::remove_all(folder);
        fs::create_directories(folder);
        script.files = {(folder / "first.fxp").string(), (folder / "bank.fxb").string(), (folder / "first.fxplnk").string()};
        script.answers = {false, false};  // no more dialogs after the first file
        const auto start = std::chrono::steady_clock::now();
        run(*vm.manager, script);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        fs::remove_all(folder);
    }
    state.counters["programs"] = vm.manager->getInstrument()->numPrograms;
}

void BM_ExtractFxps(benchmark::State& state) {
    timed(state, [](VstManager& manager, vexlo::platform::ScriptedUserServices&) { manager.extractPrograms(); });
}

void BM_ExtractFxbAndLinks(benchmark::State& state) {
    timed(state, [](VstManager& manager, vexlo::platform::ScriptedUserServices& script) {
        script.files.erase(script.files.begin());  // the bank's name comes first here
        manager.saveBankAndLinks();
    });
}

// The instrument's own share: selecting every program and taking its chunk.
void BM_AmsynthProgramsAndChunks(benchmark::State& state) {
    Vm vm;
    AEffect* synth = vm.manager->getInstrument();
    if (!synth) return state.SkipWithError("amsynth did not load");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (VstInt32 p = 0; p < synth->numPrograms; ++p) {
            synth->dispatcher(synth, effSetProgram, 0, p, nullptr, 0.0f);
            void* data = nullptr;
            benchmark::DoNotOptimize(synth->dispatcher(synth, effGetChunk, 1, 0, &data, 0.0f));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

BENCHMARK(BM_AmsynthProgramsAndChunks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFxps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFxbAndLinks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return vexlo::bench::runWithRatios(argc, argv,
                                       {{"BM_ExtractFxps/iterations:3/manual_time", "BM_AmsynthProgramsAndChunks/iterations:3/manual_time"},
                                        {"BM_ExtractFxbAndLinks/iterations:3/manual_time",
                                         "BM_AmsynthProgramsAndChunks/iterations:3/manual_time"}});
}
