// Dialogs through zenity or kdialog when a display and one of them are there; otherwise a line on
// stderr and the neutral answer, so that nothing ever waits for a person who is not there.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/user_services.h"

namespace vexlo::platform {

namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string all = path;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string candidate = all.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Runs a dialog program; returns its exit status and what it printed on stdout.
int runDialog(const std::vector<std::string>& args, std::string* output) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return -1;
    }
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof(buffer))) > 0) {
        if (output) output->append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (output) {
        while (!output->empty() && (output->back() == '\n' || output->back() == '\r')) output->pop_back();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

enum class Tool { none, zenity, kdialog };

Tool dialogTool() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return Tool::none;
    if (onPath("zenity")) return Tool::zenity;
    if (onPath("kdialog")) return Tool::kdialog;
    return Tool::none;
}

class PosixUserServices : public UserServices {
public:
    void report(const std::string& text, const std::string& caption) override {
        switch (dialogTool()) {
        case Tool::zenity: runDialog({"zenity", "--info", "--title", caption, "--text", text}, nullptr); return;
        case Tool::kdialog: runDialog({"kdialog", "--title", caption, "--msgbox", text}, nullptr); return;
        case Tool::none: std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str()); return;
        }
    }

    bool ask(const std::string& text, const std::string& caption) override {
        switch (dialogTool()) {
        case Tool::zenity: return runDialog({"zenity", "--question", "--title", caption, "--text", text}, nullptr) == 0;
        case Tool::kdialog: return runDialog({"kdialog", "--title", caption, "--yesno", text}, nullptr) == 0;
        case Tool::none:
            std::fprintf(stderr, "%s: %s [answered No: nobody to ask]\n", caption.c_str(), text.c_str());
            return false;
        }
        return false;
    }

    std::string chooseFile(const FileRequest& request) override {
        std::string start = request.initialFolder;
        if (!start.empty() && start.back() != '/') start += '/';
        start += request.proposedName;
        std::string chosen;
        int status = -1;
        switch (dialogTool()) {
        case Tool::zenity: {
            std::vector<std::string> args{"zenity", "--file-selection", "--title", request.title, "--filename", start};
            if (request.save) args.push_back("--save");
            if (!request.extension.empty())
                args.push_back("--file-filter=" + request.typeName + " | *." + request.extension);
            status = runDialog(args, &chosen);
            break;
        }
        case Tool::kdialog: {
            std::string filter = request.extension.empty() ? "" : "*." + request.extension;
            status = runDialog({"kdialog", "--title", request.title,
                                request.save ? "--getsavefilename" : "--getopenfilename", start, filter},
                               &chosen);
            break;
        }
        case Tool::none:
            std::fprintf(stderr, "%s [cancelled: nobody to ask]\n", request.title.c_str());
            return {};
        }
        return status == 0 ? chosen : std::string();
    }

    std::string chooseFolder(const std::string& title, const std::string& preselected) override {
        std::string chosen;
        int status = -1;
        switch (dialogTool()) {
        case Tool::zenity:
            status = runDialog({"zenity", "--file-selection", "--directory", "--title", title, "--filename",
                                preselected.empty() ? std::string() : preselected + "/"},
                               &chosen);
            break;
        case Tool::kdialog:
            status = runDialog({"kdialog", "--title", title, "--getexistingdirectory", preselected}, &chosen);
            break;
        case Tool::none:
            std::fprintf(stderr, "%s [cancelled: nobody to ask]\n", title.c_str());
            return {};
        }
        return status == 0 ? chosen : std::string();
    }
};

}  // namespace

UserServices& systemUserServices() {
    static PosixUserServices services;
    return services;
}

}  // namespace vexlo::platform
