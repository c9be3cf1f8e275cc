#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace vexlo::platform {

LibraryHandle loadLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* findSymbol(LibraryHandle library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void releaseLibrary(LibraryHandle library) {
    if (library) dlclose(library);
}

std::string lastLibraryError() {
    const char* error = dlerror();
    return error ? error : "";
}

void* moduleHandle() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&moduleHandle), &info) ? info.dli_fbase : nullptr;
}

void* processModuleHandle() {
    // The handle of the program's own image; it stays valid for the life of the process.
    static void* handle = dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD);
    return handle;
}

std::string ownLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownLibraryPath), &info) && info.dli_fname) {
        char resolved[4096];
        if (realpath(info.dli_fname, resolved)) return resolved;
        return info.dli_fname;
    }
    return {};
}

const char* pluginExtension() { return ".so"; }

char pathSeparator() { return '/'; }

const char* textLineEnd() { return "\n"; }

bool pathsIgnoreCase() { return false; }

std::vector<DirectoryEntry> listDirectory(const std::string& folder, const std::string& pattern) {
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return entries;
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    const bool everything = pattern == "*";
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!everything && fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        // The entry's own type saves a stat per entry; links and unknown types are followed.
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = stat((base + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({std::move(name), isFolder});
    }
    closedir(dir);
    return entries;
}

bool deleteFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

PathInfo pathInfo(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    if (S_ISREG(st.st_mode))
        return {PathKind::regularFile, static_cast<std::uint64_t>(st.st_size),
                static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<std::uint64_t>(st.st_mtim.tv_nsec)};
    if (S_ISDIR(st.st_mode)) return {PathKind::folder, 0, 0};
    return {PathKind::other, 0, 0};
}

bool isFolder(const std::string& path) { return pathInfo(path).kind == PathKind::folder; }

std::string folderIdentity(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

bool renameFile(const std::string& from, const std::string& to) {
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool standardOutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

bool canWrite(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

bool makeFolders(const std::string& path) {
    std::string built;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            if (!built.empty() && !isFolder(built) && mkdir(built.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
        if (at < path.size()) built += path[at];
    }
    return isFolder(path);
}

std::string userSettingsFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return std::string(xdg) + "/vexlo/";
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return std::string(home) + "/.config/vexlo/";
    return {};
}

void beginUiThread() {}
void endUiThread() {}

void sleepMs(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

std::uint32_t tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

namespace {
struct ThreadStart {
    void (*function)(void*);
    void* argument;
};

void* threadMain(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.function(start.argument);
    return nullptr;
}
}  // namespace

bool startThread(void (*function)(void*), void* argument) {
    auto* start = new ThreadStart{function, argument};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, threadMain, start) != 0) {
        delete start;
        return false;
    }
    pthread_detach(thread);
    return true;
}

}  // namespace vexlo::platform
