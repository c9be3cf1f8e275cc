// Operating-system services: libraries, files, time and threads.
// One implementation per platform lives in platform/win32 and platform/posix.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexlo::platform {

// ---- Dynamic libraries ----
using LibraryHandle = void*;

// Loads a library by path; null when it cannot be loaded.
LibraryHandle loadLibrary(const std::string& path);
// The address of an exported symbol, or null.
void* findSymbol(LibraryHandle library, const char* name);
void releaseLibrary(LibraryHandle library);
// The last loader error as text, for messages; may be empty.
std::string lastLibraryError();

// The native handle of the module that contains this code (the module instance on Windows).
void* moduleHandle();
// The native handle of the program that loaded us (the host process's module on Windows).
void* processModuleHandle();
// Path of the library (or program) that contains this code.
std::string ownLibraryPath();
// The file extension of plug-in libraries on this platform, with its dot.
const char* pluginExtension();
// The native separator of path components.
char pathSeparator();
// The line end of text files on this platform ("\r\n" on Windows, "\n" elsewhere).
const char* textLineEnd();
// Whether the file system ignores the case of names (folder names are then shown upper-cased).
bool pathsIgnoreCase();

// ---- Files and folders ----
struct DirectoryEntry {
    std::string name;
    bool isFolder = false;
};
// Lists the entries of a folder whose names match a wildcard pattern ('*' and '?').
// "." and ".." are never listed.
std::vector<DirectoryEntry> listDirectory(const std::string& folder, const std::string& pattern = "*");
bool deleteFile(const std::string& path);
bool fileExists(const std::string& path);
// What a path names: nothing, a regular file (with its size and when it was last written, in
// the system's own ticks), a folder, or something else (a device, a pipe, a socket), which no
// reader here opens.
enum class PathKind { missing, regularFile, folder, other };
struct PathInfo {
    PathKind kind = PathKind::missing;
    std::uint64_t size = 0;
    std::uint64_t modified = 0;
};
PathInfo pathInfo(const std::string& path);
bool isFolder(const std::string& path);
// A text naming a folder itself, whatever links lead to it (device and inode, or volume and
// file index); empty when the folder cannot be asked.
std::string folderIdentity(const std::string& path);
// Renames a file, replacing nothing: false when the new name exists or the rename fails.
bool renameFile(const std::string& from, const std::string& to);

// Whether this process may write the file (or, for a folder, make files in it).
bool canWrite(const std::string& path);
// Makes the folder and those above it that are missing; true when it is there after.
bool makeFolders(const std::string& path);
// The user's own folder for this program's settings, with its final separator
// ($XDG_CONFIG_HOME/vexlo/ or ~/.config/vexlo/; %APPDATA%\Vexlo\); empty when unknown.
std::string userSettingsFolder();

// Whether this program's standard output is a terminal (not a file or a pipe).
bool standardOutputIsTerminal();

// ---- User-interface threads ----
// Prepares the calling thread for editor windows (OLE on Windows), and undoes it.
void beginUiThread();
void endUiThread();

// ---- Time and threads ----
void sleepMs(unsigned milliseconds);
// A millisecond counter that wraps like the system's tick count.
std::uint32_t tickCount();
// Starts a detached thread; false when the system refuses.
bool startThread(void (*function)(void*), void* argument);

}  // namespace vexlo::platform
