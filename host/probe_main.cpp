// vexlo-probe LIBRARY: loads one plug-in library, writes "VexloProbe id N" when it holds a
// plug-in that takes events (or "VexloProbe none"), and exits. Vexlo VM's scan runs it for each
// library, so a library that crashes or hangs takes down only this program.
#include <cstdio>

#include "manager/core/child_loader.h"
#include "manager/core/probe_helper.h"
#include "manager/core/vst_manager.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    vexlo::platform::quietCrashes();
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexlo-probe LIBRARY\n");
        return 2;
    }
    const auto id = vexlo::manager::ChildLoader::probe(argv[1], vexlo::manager::VstManager::instrumentCallback);
    if (id) std::printf("%s id %d\n", vexlo::manager::kProbeAnswer, static_cast<int>(*id));
    else std::printf("%s none\n", vexlo::manager::kProbeAnswer);
    std::fflush(stdout);
    return 0;
}
