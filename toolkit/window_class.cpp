#include "toolkit/window_class.h"

#include <cstdint>
#include <cstdio>
#include <mutex>

#include "platform/platform.h"

namespace vexlo::toolkit {

// The system's side: one file per backend.
bool registerSystemWindowClass(const std::string& name);
void unregisterSystemWindowClass(const std::string& name);
bool systemWindowClassExists(const std::string& name);

namespace {
std::mutex holdersMutex;
int holderCount = 0;
}  // namespace

std::string SharedWindowClass::name() {
    char text[32];
    std::snprintf(text, sizeof(text), "Plugin2%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(platform::processModuleHandle())));
    return text;
}

SharedWindowClass::SharedWindowClass() {
    std::lock_guard<std::mutex> lock(holdersMutex);
    if (holderCount++ == 0) registerSystemWindowClass(name());
}

SharedWindowClass::~SharedWindowClass() {
    std::lock_guard<std::mutex> lock(holdersMutex);
    if (--holderCount == 0) unregisterSystemWindowClass(name());
}

int SharedWindowClass::holders() {
    std::lock_guard<std::mutex> lock(holdersMutex);
    return holderCount;
}

bool SharedWindowClass::registered() { return systemWindowClassExists(name()); }

}  // namespace vexlo::toolkit
