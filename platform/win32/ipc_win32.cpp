#include <windows.h>

#include "platform/ipc.h"
#include "platform/doorbell_word.h"
#include "platform/platform.h"
#include "platform/spin_budget.h"
#include "platform/win32/command_line.h"

namespace vexlo::platform {

namespace {

class Win32SharedMemory : public SharedMemory {
public:
    Win32SharedMemory(HANDLE mapping, void* data, std::size_t size) : mapping_(mapping) {
        data_ = data;
        size_ = size;
    }
    ~Win32SharedMemory() override {
        UnmapViewOfFile(data_);
        CloseHandle(mapping_);
    }

private:
    HANDLE mapping_;  // the name goes with the last handle
};

std::string localName(const std::string& name) { return "Local\\" + name; }

std::unique_ptr<SharedMemory> mapShared(const std::string& name, std::size_t size, bool create) {
    const std::string full = localName(name);
    HANDLE mapping = create ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                 static_cast<DWORD>(static_cast<std::uint64_t>(size) >> 32),
                                                 static_cast<DWORD>(size), full.c_str())
                            : OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, full.c_str());
    if (!mapping) return nullptr;
    if (create && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return nullptr;
    }
    void* data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    MEMORY_BASIC_INFORMATION info{};
    if (!data || !VirtualQuery(data, &info, sizeof(info)) || info.RegionSize < size) {
        if (data) UnmapViewOfFile(data);
        CloseHandle(mapping);
        return nullptr;
    }
    return std::make_unique<Win32SharedMemory>(mapping, data, size);
}

// The word says whether the other side rang; an auto-reset event wakes the one waiter.
class EventDoorbell : public Doorbell {
public:
    EventDoorbell(std::atomic<std::uint32_t>& word, HANDLE event) : word_(word), event_(event) {}
    ~EventDoorbell() override { CloseHandle(event_); }
    void ring() override {
        if (doorbell_word::ring(word_)) SetEvent(event_);
    }
    // An event set for a wait that ended by the word alone stays set: the next wait then wakes
    // once for nothing, looks at the word and sleeps again.
    bool waitPast(std::uint32_t seen, unsigned limitMs, WhileWaiting meanwhile) override {
        const auto began = SpinBudget::Clock::now();
        if (spin_.spin(began, [&] { return doorbell_word::rang(word_, seen); })) return true;
        const DWORD start = GetTickCount();
        while (doorbell_word::announceSleep(word_, seen)) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= limitMs) {
                if (doorbell_word::withdraw(word_, seen)) return false;
                break;
            }
            if (meanwhile == WhileWaiting::nothing) {
                WaitForSingleObject(event_, limitMs - spent);
                continue;
            }
            const DWORD kinds = meanwhile == WhileWaiting::serveWindows ? QS_ALLINPUT : QS_SENDMESSAGE;
            if (MsgWaitForMultipleObjectsEx(1, &event_, limitMs - spent, kinds, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
                serveMessages(meanwhile);
        }
        spin_.waited(began);
        return true;
    }

private:
    static void serveMessages(WhileWaiting meanwhile) {
        MSG message;
        if (meanwhile == WhileWaiting::answerSentMessages) {
            // Looking is enough: the system delivers the messages sent to this thread first.
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            return;
        }
        // A bounded round, so that a window that keeps asking to paint cannot hold the wait.
        for (int i = 0; i < kMessagesPerRound && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (message.message == WM_QUIT) continue;  // a plug-in's window does not end the bridge
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    static constexpr int kMessagesPerRound = 64;
    std::atomic<std::uint32_t>& word_;
    HANDLE event_;
    SpinBudget spin_;
};

class Win32Child : public ChildProcess {
public:
    explicit Win32Child(HANDLE process) : process_(process) {}
    ~Win32Child() override {
        kill();
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    bool running() override { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    void kill() override {
        if (running()) TerminateProcess(process_, 1);
    }
    bool waitForEnd(unsigned limitMs) override { return WaitForSingleObject(process_, limitMs) == WAIT_OBJECT_0; }

private:
    HANDLE process_;
};

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::create(const std::string& name, std::size_t size) {
    return mapShared(name, size, true);
}

std::unique_ptr<SharedMemory> SharedMemory::open(const std::string& name, std::size_t size) {
    return mapShared(name, size, false);
}

std::unique_ptr<Doorbell> Doorbell::create(std::atomic<std::uint32_t>& word, const std::string& name) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, localName(name).c_str());
    return event ? std::make_unique<EventDoorbell>(word, event) : nullptr;
}

std::unique_ptr<Doorbell> Doorbell::open(std::atomic<std::uint32_t>& word, const std::string& name) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, localName(name).c_str());
    return event ? std::make_unique<EventDoorbell>(word, event) : nullptr;
}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    std::string commandLine = quoted(program);
    for (const auto& argument : arguments) commandLine += " " + quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return std::make_unique<Win32Child>(process.hProcess);
}

std::string ChildProcess::uniqueName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(GetTickCount());
}

std::uint64_t currentProcessId() { return GetCurrentProcessId(); }

bool processAlive(std::uint64_t id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (!process) return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace vexlo::platform
