// The Win32 backend: a child window of the host's window, drawn with GDI into a memory bitmap
// and copied to the screen; menus are the system's popup menus.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/platform.h"
#include "toolkit/views.h"

namespace vexlo::toolkit {

std::unique_ptr<NativeWindow> createWin32ChildWindow(HWND parent, const CRect& where);
std::unique_ptr<NativeWindow> createWin32OwnedWindow(HWND owner, const std::string& title, const CRect& where);
std::unique_ptr<Dialog> createWin32Dialog(HWND frameWindow, int templateId, DialogListener& listener);
std::unique_ptr<FileBrowser> createWin32FileBrowser(HWND frameWindow, const FileBrowserRequest& request,
                                                    FileBrowserListener& listener);

CBitmap loadResourceBitmap(int id, const BitmapTable& embedded) {
    // The library's own bitmap resource first; the embedded copy serves programs that link the
    // editor without the library's resources.
    auto module = static_cast<HMODULE>(platform::moduleHandle());
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2))) {  // RT_BITMAP
        if (HGLOBAL loaded = LoadResource(module, found)) {
            const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
            CBitmap bitmap = CBitmap::fromBmp(data, SizeofResource(module, found), false);
            if (!bitmap.empty()) return bitmap;
        }
    }
    for (std::size_t i = 0; i < embedded.count; ++i)
        if (embedded.entries[i].id == id) return CBitmap::fromBmp(embedded.entries[i].data, embedded.entries[i].size);
    return {};
}

namespace {

// A native copy of a bitmap, and the image of the bitmap it was made from.
struct CachedImage {
    HBITMAP handle = nullptr;
    std::uint64_t stamp = 0;
};
using ImageCache = std::map<const CBitmap*, CachedImage>;

COLORREF colorOf(CColor c) { return RGB(c.red, c.green, c.blue); }

class GdiContext : public CDrawContext {
public:
    GdiContext(HDC dc, ImageCache& images) : dc_(dc), images_(images) {}
    ~GdiContext() override {
        for (auto& [size, font] : fonts_) DeleteObject(font);
    }

    void fillRect(const CRect& r, CColor color) override {
        RECT area{r.left, r.top, r.right, r.bottom};
        HBRUSH brush = CreateSolidBrush(colorOf(color));
        FillRect(dc_, &area, brush);
        DeleteObject(brush);
    }
    void frameRect(const CRect& r, CColor color) override {
        RECT area{r.left, r.top, r.right, r.bottom};
        HBRUSH brush = CreateSolidBrush(colorOf(color));
        FrameRect(dc_, &area, brush);
        DeleteObject(brush);
    }
    void drawBitmap(const CBitmap& bitmap, const CRect& d, CPoint source) override {
        HBITMAP image = bitmapOf(bitmap);
        if (!image) return;
        HDC memory = CreateCompatibleDC(dc_);
        HGDIOBJ old = SelectObject(memory, image);
        const int width = std::min(d.width(), bitmap.width() - source.x);
        const int height = std::min(d.height(), bitmap.height() - source.y);
        if (width > 0 && height > 0) BitBlt(dc_, d.left, d.top, width, height, memory, source.x, source.y, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    void drawText(const std::string& text, const CRect& r, int font, CColor color, Align align) override {
        RECT area{r.left, r.top, r.right, r.bottom};
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, colorOf(color));
        HGDIOBJ old = SelectObject(dc_, fontOf(fontPixelSize(font), font == kSystemFont));
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
        format |= align == Align::center ? DT_CENTER : align == Align::right ? DT_RIGHT : DT_LEFT;
        DrawTextA(dc_, text.c_str(), -1, &area, format);
        SelectObject(dc_, old);
    }

    int textWidth(const std::string& text, int font) override {
        HGDIOBJ old = SelectObject(dc_, fontOf(fontPixelSize(font), font == kSystemFont));
        SIZE size{};
        GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc_, old);
        return size.cx;
    }

private:
    HBITMAP bitmapOf(const CBitmap& bitmap) {
        CachedImage& cached = images_[&bitmap];
        if (cached.handle && cached.stamp == bitmap.stamp()) return cached.handle;
        // A bitmap object given a new image in place (a skin reloaded) is copied again.
        if (cached.handle) DeleteObject(cached.handle);
        cached = {};
        if (bitmap.empty()) return nullptr;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = bitmap.width();
        info.bmiHeader.biHeight = -bitmap.height();  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP image = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!image) return nullptr;
        auto* pixels = static_cast<std::uint32_t*>(bits);
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                CColor c = bitmap.pixel(x, y);
                pixels[y * bitmap.width() + x] = static_cast<std::uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
            }
        cached = {image, bitmap.stamp()};
        return image;
    }
    HFONT fontOf(int size, bool bold) {
        auto& font = fonts_[size * 2 + (bold ? 1 : 0)];
        if (!font)
            font = CreateFontA(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
        return font;
    }

    HDC dc_;
    ImageCache& images_;
    std::map<int, HFONT> fonts_;
};

class Win32Frame : public PlatformFrame {
public:
    explicit Win32Frame(CFrame& frame) : frame_(frame) {}
    ~Win32Frame() override { close(); }

    bool open(void* parent, int width, int height) override {
        registerClass();
        parent_ = static_cast<HWND>(parent);
        // Other plug-ins' editors live in child windows: the frame's drawing must not cover them.
        window_ = CreateWindowExA(0, className(), "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                  width, height,
                                  parent_, nullptr, static_cast<HINSTANCE>(platform::moduleHandle()), this);
        return window_ != nullptr;
    }

    void close() override {
        for (auto& [bitmap, image] : images_)
            if (image.handle) DeleteObject(image.handle);
        images_.clear();
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
    }

    void pumpEvents() override {}  // the host's message loop delivers our messages

    void redraw() override {
        if (!window_) return;
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
    }

    void* nativeHandle() const override { return window_; }

    std::unique_ptr<NativeWindow> createChildWindow(const CRect& where) override {
        return window_ ? createWin32ChildWindow(window_, where) : nullptr;
    }
    std::unique_ptr<NativeWindow> createOwnedWindow(const std::string& title, const CRect& where) override {
        return window_ ? createWin32OwnedWindow(window_, title, where) : nullptr;
    }

    std::unique_ptr<Dialog> createDialog(int templateId, DialogListener& listener) override {
        return window_ ? createWin32Dialog(window_, templateId, listener) : nullptr;
    }
    std::unique_ptr<FileBrowser> createFileBrowser(const FileBrowserRequest& request, FileBrowserListener& listener) override {
        return window_ ? createWin32FileBrowser(window_, request, listener) : nullptr;
    }

    void resize(int width, int height, bool parentToo) override {
        if (!window_) return;
        SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        if (!parentToo) return;
        // Without the host's help, the parent window grows to hold the frame.
        RECT client, outer;
        GetClientRect(parent_, &client);
        GetWindowRect(parent_, &outer);
        SetWindowPos(parent_, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                     outer.bottom - outer.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }

    void mouseState(CPoint& where, int& buttons) override {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(window_, &point);
        where = {point.x, point.y};
        buttons = 0;
        if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) buttons |= kLButton;
        if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) buttons |= kRButton;
        platform::sleepMs(5);
    }

    COptionMenu* popup(COptionMenu& menu, CPoint where, int* chosen) override {
        constexpr UINT kSubmenuBase = 1000;
        COptionMenu* submenu = nullptr;
        HMENU handle = CreatePopupMenu();
        HMENU subHandle = nullptr;
        for (int i = 0; i < menu.getNbEntries(); ++i) {
            if (menu.isSeparator(i)) {
                AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
            } else if (COptionMenu* inner = menu.getSubmenu(i)) {
                submenu = inner;
                subHandle = CreatePopupMenu();
                for (int j = 0; j < inner->getNbEntries(); ++j) {
                    if (inner->isSeparator(j)) AppendMenuA(subHandle, MF_SEPARATOR, 0, nullptr);
                    else AppendMenuA(subHandle, MF_STRING | (inner->isChecked(j) ? MF_CHECKED : 0),
                                     kSubmenuBase + 1 + j, inner->getEntry(j).c_str());
                }
                AppendMenuA(handle, MF_POPUP, reinterpret_cast<UINT_PTR>(subHandle), menu.getEntry(i).c_str());
            } else {
                AppendMenuA(handle, MF_STRING | (menu.isChecked(i) ? MF_CHECKED : 0), 1 + i,
                            menu.getEntry(i).c_str());
            }
        }
        POINT point{where.x, where.y};
        ClientToScreen(window_, &point);
        const UINT id = TrackPopupMenu(handle, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, point.x,
                                       point.y, 0, window_, nullptr);
        DestroyMenu(handle);  // destroys the submenu with it
        if (id == 0) return nullptr;
        if (id > kSubmenuBase) {
            *chosen = static_cast<int>(id - kSubmenuBase - 1);
            return submenu;
        }
        *chosen = static_cast<int>(id - 1);
        return &menu;
    }

    // One window class per library: its name carries the module's address.
    static const char* className() {
        static char name[64] = {};
        if (!name[0]) std::snprintf(name, sizeof(name), "VexloFrame%p", platform::moduleHandle());
        return name;
    }
    static void registerClass() {
        WNDCLASSA existing;
        auto instance = static_cast<HINSTANCE>(platform::moduleHandle());
        if (GetClassInfoA(instance, className(), &existing)) return;
        WNDCLASSA windowClass{};
        windowClass.style = CS_GLOBALCLASS;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className();
        RegisterClassA(&windowClass);
    }

private:

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32Frame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self) return DefWindowProcA(window, message, wParam, lParam);
        switch (message) {
        case WM_PAINT: self->paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            const CPoint where{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            self->frame_.mouseDown(where, message == WM_LBUTTONDOWN ? kLButton : kRButton);
            return 0;
        }
        case WM_KEYDOWN: {
            KeyEvent key;
            if (!navigationKey(wParam, key)) return DefWindowProcA(window, message, wParam, lParam);
            self->frame_.keyDown(key);
            return 0;
        }
        case WM_CHAR: {
            KeyEvent key;
            switch (wParam) {
            case 8: key.key = Key::backspace; break;
            case 9: key.key = Key::tab; break;
            case 13: key.key = Key::enter; break;
            case 27: key.key = Key::escape; break;
            default:
                if (wParam < 32 || wParam > 255) return 0;
                key.character = static_cast<char>(wParam);
            }
            self->frame_.keyDown(key);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            POINT where{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(window, &where);
            self->frame_.wheel({where.x, where.y}, GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<float>(WHEEL_DELTA));
            return 0;
        }
        case WM_DESTROY: SetWindowLongPtrA(window, GWLP_USERDATA, 0); return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
        }
    }

    static bool navigationKey(WPARAM virtualKey, KeyEvent& key) {
        switch (virtualKey) {
        case VK_DELETE: key.key = Key::del; return true;
        case VK_LEFT: key.key = Key::left; return true;
        case VK_RIGHT: key.key = Key::right; return true;
        case VK_UP: key.key = Key::up; return true;
        case VK_DOWN: key.key = Key::down; return true;
        case VK_HOME: key.key = Key::home; return true;
        case VK_END: key.key = Key::end; return true;
        case VK_PRIOR: key.key = Key::pageUp; return true;
        case VK_NEXT: key.key = Key::pageDown; return true;
        default: return false;
        }
    }

    CRect workArea() const override {
        RECT area;
        if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return PlatformFrame::workArea();
        return {area.left, area.top, area.right, area.bottom};
    }

    void takeKeyboard() override {
        if (window_) SetFocus(window_);
    }

    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        RECT client;
        GetClientRect(window_, &client);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP buffer = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ old = SelectObject(memory, buffer);
        {
            GdiContext context(memory, images_);
            frame_.draw(context);
        }
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(buffer);
        DeleteDC(memory);
        EndPaint(window_, &ps);
    }

    CFrame& frame_;
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    ImageCache images_;
};

}  // namespace

std::unique_ptr<PlatformFrame> createNativeFrame(CFrame& frame) { return std::make_unique<Win32Frame>(frame); }

// The hidden window of the editor's class that owns the system's dialogs of an editor, so that
// they stay above it and go with it. An owned popup rather than a child of the frame: a child
// made on a browser's thread would tie that thread's input to the editor's.
HWND createHiddenDialogOwner(HWND frameWindow) {
    Win32Frame::registerClass();
    return CreateWindowExA(0, Win32Frame::className(), "", WS_POPUP | WS_BORDER | WS_SYSMENU, 0, 0, 100, 100,
                           GetAncestor(frameWindow, GA_ROOT), nullptr, static_cast<HINSTANCE>(platform::moduleHandle()),
                           nullptr);
}

}  // namespace vexlo::toolkit
