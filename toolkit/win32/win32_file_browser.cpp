// The system's explorer-style file-open dialog as a browser: modal on a thread of its own, so the
// host's thread goes on, with a hook that trims it to its folder view and a "Close" button and
// reports every file the person selects.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "toolkit/system_dialogs.h"

namespace vexlo::toolkit {

HWND createHiddenDialogOwner(HWND frameWindow);

namespace {

// The file-name buffer: a longer path is refused, never cut into another path.
constexpr DWORD kPathBufferSize = 1024;
constexpr std::size_t kMaxTitle = 323;

CRect screenRectOf(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return {};
    return {r.left, r.top, r.right, r.bottom};
}

class Win32FileBrowser : public FileBrowser {
public:
    Win32FileBrowser(HWND frameWindow, const FileBrowserRequest& request, FileBrowserListener& listener)
        : request_(request), listener_(listener), frameWindow_(frameWindow) {
        filter_ = request_.filterName + '\0' + request_.patterns + '\0' + '\0';
        thread_ = std::thread([this] { run(); });
    }

    ~Win32FileBrowser() override { close(); }

    void close() override {
        if (!thread_.joinable()) return;
        bool asked = false;
        while (!ended_.load()) {
            if (!asked) {
                if (HWND dialog = dialog_.load()) {
                    PostMessageA(dialog, WM_CLOSE, 0, 0);
                    asked = true;
                }
            }
            // The browser's windows are owned by the editor's: while it closes, the system may
            // send this thread messages, which must be answered for the browser to end.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        thread_.join();
    }

    bool ended() const override { return ended_.load(); }
    CRect place() const override {
        std::lock_guard<std::mutex> lock(placeMutex_);
        return place_;
    }

private:
    void run() {
        const HRESULT ole = OleInitialize(nullptr);
        host_ = createHiddenDialogOwner(frameWindow_);
        char file[kPathBufferSize] = {};
        OPENFILENAMEA open{};
        open.lStructSize = sizeof(open);
        open.hwndOwner = host_;
        open.lpstrFilter = filter_.c_str();
        open.nFilterIndex = 1;
        open.lpstrFile = file;
        open.nMaxFile = kPathBufferSize;
        open.lpstrInitialDir = request_.folder.empty() ? nullptr : request_.folder.c_str();
        open.lpstrTitle = request_.title.c_str();
        open.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
        open.lpfnHook = hookProc;
        open.lCustData = reinterpret_cast<LPARAM>(this);
        GetOpenFileNameA(&open);  // what it returns is not used: every selection was reported
        dialog_.store(nullptr);
        if (host_ && IsWindow(host_)) DestroyWindow(host_);
        host_ = nullptr;
        if (SUCCEEDED(ole)) OleUninitialize();
        ended_.store(true);
    }

    static UINT_PTR CALLBACK hookProc(HWND hook, UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* open = reinterpret_cast<OPENFILENAMEA*>(lParam);
            SetWindowLongPtrA(hook, DWLP_USER, open->lCustData);
            return TRUE;
        }
        auto* self = reinterpret_cast<Win32FileBrowser*>(GetWindowLongPtrA(hook, DWLP_USER));
        if (!self) return 0;
        HWND dialog = GetParent(hook);
        switch (message) {
        case WM_NOTIFY: self->notified(dialog, reinterpret_cast<OFNOTIFYA*>(lParam)->hdr.code); return 0;
        case WM_CANCELMODE: PostMessageA(dialog, WM_CLOSE, 0, 0); return 0;
        case WM_DESTROY: self->remember(dialog); return 0;
        default: return 0;
        }
    }

    void notified(HWND dialog, UINT code) {
        switch (code) {
        case CDN_INITDONE: trim(dialog); break;
        case CDN_SELCHANGE: selectionChanged(dialog); break;
        case CDN_FOLDERCHANGE: folderChanged(dialog); break;
        default: break;
        }
    }

    void trim(HWND dialog) {
        SendMessageA(dialog, CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>("Close"));
        for (int control : {IDCANCEL, stc2, cmb1, stc3, edt1, cmb13})
            SendMessageA(dialog, CDM_HIDECONTROL, static_cast<WPARAM>(control), 0);
        // "Close" closes, also with nothing selected (as the dialog's OK it would open a folder).
        SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        dialogProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(closingProc)));
        // At the remembered place, but never smaller than the dialog made itself: the system
        // does not lay its controls out for less, and would cut off the folder view and "Close".
        const CRect& p = request_.place;
        const CRect natural = screenRectOf(dialog);
        if (p.width() > 0 && p.height() > 0)
            SetWindowPos(dialog, nullptr, p.left, p.top, std::max(p.width(), natural.width()),
                         std::max(p.height(), natural.height()), SWP_NOZORDER | SWP_NOACTIVATE);
        remember(dialog);
        dialog_.store(dialog);
    }

    static LRESULT CALLBACK closingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Win32FileBrowser*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return 0;
        }
        return CallWindowProcA(self->dialogProc_, dialog, message, wParam, lParam);
    }

    void selectionChanged(HWND dialog) {
        remember(dialog);
        // The selection that follows a folder change was the dialog's, not the person's.
        if (skipOnce_) {
            skipOnce_ = false;
            return;
        }
        char path[kPathBufferSize] = {};
        const LRESULT length = SendMessageA(dialog, CDM_GETFILEPATH, kPathBufferSize, reinterpret_cast<LPARAM>(path));
        if (length <= 0 || static_cast<DWORD>(length) > kPathBufferSize) return;  // none, or too long for the field
        if (path[0]) listener_.fileSelected(path);
    }

    void folderChanged(HWND dialog) {
        char folder[kPathBufferSize] = {};
        const LRESULT length = SendMessageA(dialog, CDM_GETFOLDERPATH, kPathBufferSize, reinterpret_cast<LPARAM>(folder));
        if (length > 0 && static_cast<DWORD>(length) <= kPathBufferSize) {
            std::string title = request_.title + " - [" + folder + "]";
            if (title.size() > kMaxTitle) title.resize(kMaxTitle);
            SetWindowTextA(dialog, title.c_str());
        }
        skipOnce_ = true;
    }

    void remember(HWND dialog) {
        const CRect now = screenRectOf(dialog);
        if (now.width() <= 0 || now.height() <= 0) return;
        std::lock_guard<std::mutex> lock(placeMutex_);
        place_ = now;
    }

    const FileBrowserRequest request_;
    FileBrowserListener& listener_;
    const HWND frameWindow_;
    std::string filter_;
    HWND host_ = nullptr;             // the browser's thread only
    WNDPROC dialogProc_ = nullptr;    // the browser's thread only
    bool skipOnce_ = false;           // the browser's thread only
    std::atomic<HWND> dialog_{nullptr};
    std::atomic<bool> ended_{false};
    mutable std::mutex placeMutex_;
    CRect place_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<FileBrowser> createWin32FileBrowser(HWND frameWindow, const FileBrowserRequest& request,
                                                    FileBrowserListener& listener) {
    return std::make_unique<Win32FileBrowser>(frameWindow, request, listener);
}

}  // namespace vexlo::toolkit
