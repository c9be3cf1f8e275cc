#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "platform/user_services.h"

namespace vexlo::platform {

namespace {

int CALLBACK folderCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

class Win32UserServices : public UserServices {
public:
    void report(const std::string& text, const std::string& caption) override {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_TOPMOST);
    }

    bool ask(const std::string& text, const std::string& caption) override {
        return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
    }

    std::string chooseFile(const FileRequest& request) override {
        // The filter is "name\0pattern\0\0".
        std::string pattern = request.extension.empty() ? "*.*" : "*." + request.extension;
        std::string filter = request.typeName + std::string(1, '\0') + pattern + std::string(2, '\0');
        char file[MAX_PATH * 4] = {};
        std::strncpy(file, request.proposedName.c_str(), sizeof(file) - 1);

        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = file;
        dialog.nMaxFile = sizeof(file);
        dialog.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
        dialog.lpstrTitle = request.title.c_str();
        dialog.lpstrDefExt = request.extension.empty() ? nullptr : request.extension.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
        if (request.save) {
            dialog.Flags |= OFN_OVERWRITEPROMPT;
            return GetSaveFileNameA(&dialog) ? std::string(file) : std::string();
        }
        dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
        return GetOpenFileNameA(&dialog) ? std::string(file) : std::string();
    }

    std::string chooseFolder(const std::string& title, const std::string& preselected) override {
        BROWSEINFOA info{};
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        info.lpfn = folderCallback;
        info.lParam = reinterpret_cast<LPARAM>(preselected.empty() ? nullptr : preselected.c_str());
        LPITEMIDLIST list = SHBrowseForFolderA(&info);
        if (!list) return {};
        char path[MAX_PATH] = {};
        bool ok = SHGetPathFromIDListA(list, path) != 0;
        CoTaskMemFree(list);
        return ok ? std::string(path) : std::string();
    }
};

}  // namespace

UserServices& systemUserServices() {
    static Win32UserServices services;
    return services;
}

}  // namespace vexlo::platform
