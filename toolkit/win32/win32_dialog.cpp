// A modeless dialog from a template in the library's resources, on the editor's thread. The
// host's message loop does not know the dialog, so a message hook on this thread gives it its
// keys (Tab, Enter, Escape) as a dialog's own loop would.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "toolkit/system_dialogs.h"
#include "toolkit/views.h"

namespace vexlo::toolkit {

HWND createHiddenDialogOwner(HWND frameWindow);

namespace {

class Win32Dialog;
// The dialogs of this thread, for the message hook.
thread_local std::vector<Win32Dialog*> threadDialogs;
thread_local HHOOK keyHook = nullptr;

class Win32Dialog : public Dialog {
public:
    Win32Dialog(HWND frameWindow, int templateId, DialogListener& listener) : listener_(listener) {
        host_ = createHiddenDialogOwner(frameWindow);
        if (!host_) return;
        dialog_ = CreateDialogParamA(static_cast<HINSTANCE>(platform::moduleHandle()), MAKEINTRESOURCEA(templateId), host_, dialogProc,
                                     reinterpret_cast<LPARAM>(this));
        if (!dialog_) return;
        threadDialogs.push_back(this);
        if (!keyHook) keyHook = SetWindowsHookExA(WH_GETMESSAGE, keyHookProc, nullptr, GetCurrentThreadId());
        ShowWindow(dialog_, SW_SHOW);
    }
    ~Win32Dialog() override {
        threadDialogs.erase(std::remove(threadDialogs.begin(), threadDialogs.end(), this), threadDialogs.end());
        if (threadDialogs.empty() && keyHook) {
            UnhookWindowsHookEx(keyHook);
            keyHook = nullptr;
        }
        if (dialog_) {
            SetWindowLongPtrA(dialog_, DWLP_USER, 0);
            DestroyWindow(dialog_);
        }
        if (host_) DestroyWindow(host_);
    }
    bool made() const { return dialog_ != nullptr; }

    void setText(int control, const std::string& text) override { SetDlgItemTextA(dialog_, control, text.c_str()); }
    std::string text(int control) const override {
        HWND item = GetDlgItem(dialog_, control);
        const int length = item ? GetWindowTextLengthA(item) : 0;
        if (length <= 0) return {};
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), length + 1)));
        return text;
    }
    void clearList(int list) override { SendDlgItemMessageA(dialog_, list, LB_RESETCONTENT, 0, 0); }
    void addLine(int list, const std::string& line, long data) override {
        const LRESULT index = SendDlgItemMessageA(dialog_, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (index >= 0) SendDlgItemMessageA(dialog_, list, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    long selectedData(int list) const override {
        const LRESULT index = SendDlgItemMessageA(dialog_, list, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR) return kNoData;
        return static_cast<long>(SendDlgItemMessageA(dialog_, list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    }
    void focus(int control) override {
        if (HWND item = GetDlgItem(dialog_, control)) SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
    }
    void raise() override {
        ShowWindow(dialog_, SW_SHOW);
        SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(dialog_);
    }
    void idle() override {}  // the host's loop delivers the dialog's messages
    bool closeRequested() const override { return closeRequested_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!self) return FALSE;
        switch (message) {
        case WM_COMMAND: self->command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return TRUE;
        case WM_CLOSE: self->hide(); return TRUE;
        default: return FALSE;
        }
    }

    void command(int control, int code, HWND item) {
        if (control == IDCANCEL) return hide();
        if (control == IDOK) return listener_.dialogCommand(kEnter);
        char kind[16] = {};
        if (item) GetClassNameA(item, kind, sizeof(kind));
        const bool clicked = lstrcmpiA(kind, "Button") == 0 && code == BN_CLICKED;
        const bool selected = lstrcmpiA(kind, "ListBox") == 0 && code == LBN_SELCHANGE;
        if (clicked || selected) listener_.dialogCommand(control);
    }

    void hide() {
        ShowWindow(dialog_, SW_HIDE);
        closeRequested_ = true;
    }

    static LRESULT CALLBACK keyHookProc(int code, WPARAM removal, LPARAM lParam) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (code >= 0 && removal == PM_REMOVE && message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST) {
            for (Win32Dialog* dialog : threadDialogs) {
                HWND window = dialog->dialog_;
                if ((message->hwnd == window || IsChild(window, message->hwnd)) && IsDialogMessageA(window, message)) {
                    message->message = WM_NULL;  // handled: the host's loop must not see it again
                    break;
                }
            }
        }
        return CallNextHookEx(nullptr, code, removal, lParam);
    }

    DialogListener& listener_;
    HWND host_ = nullptr;
    HWND dialog_ = nullptr;
    bool closeRequested_ = false;
};

}  // namespace

std::unique_ptr<Dialog> createWin32Dialog(HWND frameWindow, int templateId, DialogListener& listener) {
    auto dialog = std::make_unique<Win32Dialog>(frameWindow, templateId, listener);
    if (!dialog->made()) return nullptr;
    return dialog;
}

}  // namespace vexlo::toolkit
