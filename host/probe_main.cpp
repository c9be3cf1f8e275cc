// vexlo-probe LIBRARY: loads one plug-in library, writes "VexloProbe id N" when it holds a
// plug-in that takes events (or "VexloProbe none"), and exits. Vexlo VM's scan runs it for each
// library, so a library that crashes or hangs takes down only this program.
#include <cstdio>

#include "hosting/probe.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    vexlo::platform::quietCrashes();
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexlo-probe LIBRARY\n");
        return 2;
    }
    const auto id = vexlo::hosting::probeHere(argv[1]);
    if (id) std::printf("%s id %d\n", vexlo::hosting::kProbeAnswer, static_cast<int>(*id));
    else std::printf("%s none\n", vexlo::hosting::kProbeAnswer);
    std::fflush(stdout);
    return 0;
}
