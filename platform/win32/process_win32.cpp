#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/process.h"
#include "platform/win32/command_line.h"

namespace vexlo::platform {

const char* programSuffix() { return ".exe"; }

std::string currentProgramPath() {
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

void quietCrashes() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

struct MessageBoxAnswerer::State {
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    HWND last = nullptr;  // answered already, closing
    std::thread watcher;
};

namespace {

// A message box of this process: the dialog class, with an OK or a No button.
BOOL CALLBACK answerMessageBox(HWND window, LPARAM data) {
    auto* state = reinterpret_cast<MessageBoxAnswerer::State*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        !GetClassNameA(window, className, sizeof(className)) || std::strcmp(className, "#32770") != 0)
        return TRUE;
    const int button = GetDlgItem(window, IDNO) ? IDNO : GetDlgItem(window, IDOK) ? IDOK : 0;
    if (!button || window == state->last) return TRUE;
    state->last = window;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    ++state->answered;
    return TRUE;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer() : state_(new State) {
    state_->watcher = std::thread([state = state_] {
        while (!state->stop.load()) {
            EnumWindows(answerMessageBox, reinterpret_cast<LPARAM>(state));
            Sleep(100);
        }
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    state_->stop = true;
    state_->watcher.join();
    delete state_;
}

int MessageBoxAnswerer::answered() const { return state_->answered.load(); }


ProcessRun runProcess(const std::string& program, const std::vector<std::string>& arguments, unsigned timeLimitMs) {
    ProcessRun run;
    // Programs started at the same time from several threads would each inherit the others'
    // pipe ends, and a reader would see its pipe's end only when every one of them has ended:
    // the inheritable handles live only while this lock is held.
    static std::mutex starting;
    std::unique_lock<std::mutex> startingLock(starting);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nowhere = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nowhere;
    std::string commandLine = quoted(program);
    for (const auto& argument : arguments) commandLine += " " + quoted(argument);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
    startingLock.unlock();
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    CloseHandle(process.hThread);

    const DWORD start = GetTickCount();
    bool finished = false;
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, buffer, std::min<DWORD>(available, sizeof(buffer)), &got, nullptr) || got == 0) break;
            if (run.output.size() < kMaxOutput)
                run.output.append(buffer, std::min<std::size_t>(got, kMaxOutput - run.output.size()));
        }
        if (finished) break;
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeLimitMs) break;
        // Once it has ended, one more pass takes what it wrote last.
        finished = WaitForSingleObject(process.hProcess, std::min<DWORD>(10, timeLimitMs - spent)) == WAIT_OBJECT_0;
    }
    CloseHandle(readEnd);
    if (!finished) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        run.end = ProcessRun::End::timedOut;
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        // An exception nobody handled ends a program with its code (0xC0000005 and the like).
        run.end = code >= 0xC0000000u ? ProcessRun::End::crashed : ProcessRun::End::exited;
        run.exitCode = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    return run;
}

}  // namespace vexlo::platform
