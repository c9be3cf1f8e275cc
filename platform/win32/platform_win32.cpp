#include <windows.h>

#include <ole2.h>

#include <process.h>

#include <cstdio>

#include "platform/platform.h"

namespace {
// The module instance of the library that holds this code, stored when the library is loaded.
HINSTANCE moduleInstance = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleInstance = instance;
    return TRUE;
}

namespace vexlo::platform {

namespace {
HMODULE ownModule() {
    if (moduleInstance) return moduleInstance;
    // Programs get no DllMain call: find the module by one of our own addresses.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ownModule), &module);
    return module;
}
}  // namespace

void* moduleHandle() { return ownModule(); }
void* processModuleHandle() { return GetModuleHandleA(nullptr); }

LibraryHandle loadLibrary(const std::string& path) {
    // Keep the loader's own error boxes away from the person using the host.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    SetErrorMode(previous);
    return module;
}

void* findSymbol(LibraryHandle library, const char* name) {
    return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

void releaseLibrary(LibraryHandle library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string lastLibraryError() {
    DWORD code = GetLastError();
    if (!code) return {};
    char buffer[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                   sizeof(buffer) - 1, nullptr);
    std::string text = buffer;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string ownLibraryPath() {
    char path[MAX_PATH * 4] = {};
    DWORD length = GetModuleFileNameA(ownModule(), path, sizeof(path) - 1);
    return std::string(path, length);
}

const char* pluginExtension() { return ".dll"; }

char pathSeparator() { return '\\'; }

const char* textLineEnd() { return "\r\n"; }

bool pathsIgnoreCase() { return true; }

std::vector<DirectoryEntry> listDirectory(const std::string& folder, const std::string& pattern) {
    std::vector<DirectoryEntry> entries;
    std::string query = folder;
    if (!query.empty() && query.back() != '\\' && query.back() != '/') query += '\\';
    query += pattern;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(query.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool fileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

PathInfo pathInfo(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {PathKind::folder, 0, 0};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {PathKind::other, 0, 0};
    return {PathKind::regularFile, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime};
}

bool isFolder(const std::string& path) { return pathInfo(path).kind == PathKind::folder; }

std::string folderIdentity(const std::string& path) {
    HANDLE folder = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(folder, &info) != 0;
    CloseHandle(folder);
    if (!ok || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    char text[64];
    std::snprintf(text, sizeof(text), "%lx:%lx:%lx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
    return text;
}

bool renameFile(const std::string& from, const std::string& to) { return MoveFileA(from.c_str(), to.c_str()) != 0; }

bool canWrite(const std::string& path) {
    if (isFolder(path)) {
        // Only making a file there tells (the folder's attributes say nothing of its rights);
        // it goes again as it is closed.
        std::string probe = path;
        if (probe.back() != '\\' && probe.back() != '/') probe += '\\';
        probe += "vexlo-write-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp";
        HANDLE made = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (made == INVALID_HANDLE_VALUE) return false;
        CloseHandle(made);
        return true;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool makeFolders(const std::string& path) {
    std::string built;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '\\' || path[at] == '/') {
            if (built.size() > 3 && !isFolder(built)) CreateDirectoryA(built.c_str(), nullptr);
        }
        if (at < path.size()) built += path[at];
    }
    return isFolder(path);
}

std::string userSettingsFolder() {
    const char* appData = std::getenv("APPDATA");
    if (!appData || !*appData) return {};
    return std::string(appData) + "\\Vexlo\\";
}

bool standardOutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void beginUiThread() { OleInitialize(nullptr); }
void endUiThread() { OleUninitialize(); }

void sleepMs(unsigned milliseconds) { Sleep(milliseconds); }

std::uint32_t tickCount() { return GetTickCount(); }

namespace {
struct ThreadStart {
    void (*function)(void*);
    void* argument;
};

unsigned __stdcall threadMain(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.function(start.argument);
    return 0;
}
}  // namespace

bool startThread(void (*function)(void*), void* argument) {
    auto* start = new ThreadStart{function, argument};
    uintptr_t handle = _beginthreadex(nullptr, 0, threadMain, start, 0, nullptr);
    if (!handle) {
        delete start;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

}  // namespace vexlo::platform
