// X11 has no window classes: the class is a name and a count.
#include <atomic>
#include <string>

namespace vexlo::toolkit {

namespace {
std::atomic<bool> known{false};
}

bool registerSystemWindowClass(const std::string&) {
    known = true;
    return true;
}
void unregisterSystemWindowClass(const std::string&) { known = false; }
bool systemWindowClassExists(const std::string&) { return known; }

}  // namespace vexlo::toolkit
