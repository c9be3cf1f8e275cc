#include "platform/editor_seat.h"

namespace vexlo::platform {

namespace {

// An X11 window id works from any process: the plug-in's editor goes straight into it.
class HostWindowSeat : public EditorSeat {
public:
    explicit HostWindowSeat(void* window) : window_(window) {}
    void* window() const override { return window_; }
    void follow(int, int) override {}

private:
    void* window_;
};

}  // namespace

std::unique_ptr<EditorSeat> EditorSeat::take(void* hostWindow) {
    if (!hostWindow) return nullptr;
    return std::make_unique<HostWindowSeat>(hostWindow);
}

}  // namespace vexlo::platform
