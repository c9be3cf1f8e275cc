// Messages, questions and file and folder choosers shown to the person using the plug-in.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace vexlo::platform {

struct FileRequest {
    bool save = false;           // a save dialog instead of an open dialog
    std::string title;
    std::string typeName;        // "VST Plugins", shown to the user
    std::string extension;       // "dll", without a dot; empty for all files
    std::string initialFolder;
    std::string proposedName;
};

class UserServices {
public:
    virtual ~UserServices() = default;
    // An OK box owned by no window: text first, caption second.
    virtual void report(const std::string& text, const std::string& caption) = 0;
    // A yes/no question with a question icon; only Yes counts.
    virtual bool ask(const std::string& text, const std::string& caption) = 0;
    // The full path chosen, or empty when the person cancelled.
    virtual std::string chooseFile(const FileRequest& request) = 0;
    // The folder chosen, or empty when the person cancelled.
    virtual std::string chooseFolder(const std::string& title, const std::string& preselected) = 0;
};

// The services in force: the system's own unless a replacement is installed.
UserServices& userServices();
// Installs a replacement (not owned); null restores the system's services.
void installUserServices(UserServices* services);

// The system's own services of this platform.
UserServices& systemUserServices();

// Answers from a script and records every message: for tests and unattended runs.
class ScriptedUserServices : public UserServices {
public:
    struct Message {
        std::string kind;  // "report", "ask", "file" or "folder"
        std::string text;
        std::string caption;
    };

    void report(const std::string& text, const std::string& caption) override;
    bool ask(const std::string& text, const std::string& caption) override;
    std::string chooseFile(const FileRequest& request) override;
    std::string chooseFolder(const std::string& title, const std::string& preselected) override;

    // Queued answers, used in order; when a queue is empty the neutral answer is given.
    std::deque<bool> answers;
    std::deque<std::string> files;
    std::deque<std::string> folders;

    std::vector<Message> messages;
    std::vector<FileRequest> fileRequests;
};

// Installs scripted services for the lifetime of this object.
class ScopedUserServices {
public:
    explicit ScopedUserServices(UserServices& services) { installUserServices(&services); }
    ~ScopedUserServices() { installUserServices(nullptr); }
    ScopedUserServices(const ScopedUserServices&) = delete;
    ScopedUserServices& operator=(const ScopedUserServices&) = delete;
};

}  // namespace vexlo::platform
