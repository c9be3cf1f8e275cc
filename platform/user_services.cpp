#include "platform/user_services.h"

#include <atomic>

namespace vexlo::platform {

namespace {
std::atomic<UserServices*> installed{nullptr};

template <typename T>
T takeFront(std::deque<T>& queue, T neutral) {
    if (queue.empty()) return neutral;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}
}  // namespace

UserServices& userServices() {
    UserServices* services = installed.load();
    return services ? *services : systemUserServices();
}

void installUserServices(UserServices* services) { installed.store(services); }

void ScriptedUserServices::report(const std::string& text, const std::string& caption) {
    messages.push_back({"report", text, caption});
}

bool ScriptedUserServices::ask(const std::string& text, const std::string& caption) {
    messages.push_back({"ask", text, caption});
    return takeFront(answers, false);
}

std::string ScriptedUserServices::chooseFile(const FileRequest& request) {
    messages.push_back({"file", request.title, request.typeName});
    fileRequests.push_back(request);
    return takeFront(files, std::string());
}

std::string ScriptedUserServices::chooseFolder(const std::string& title, const std::string& preselected) {
    messages.push_back({"folder", title, preselected});
    return takeFront(folders, std::string());
}

}  // namespace vexlo::platform
