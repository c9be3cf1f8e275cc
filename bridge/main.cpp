// vexlo-bridge: hosts one plug-in for Vexlo VM in a process of its own, so that a plug-in that
// crashes or hangs takes only this process down. Started by the host with the name of the
// block of memory it made: vexlo-bridge --segment NAME
#include <cstring>
#include <string>

#include "bridge/bridge_server.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    vexlo::platform::quietCrashes();
    std::string segment;
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--segment")) segment = argv[i + 1];
    if (segment.empty()) return 2;
    vexlo::bridge::BridgeServer server;
    if (!server.open(segment)) return 3;
    return server.run();
}
