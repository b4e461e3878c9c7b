// The viewer as a plain Win32 window: the image scaled to fit, the histogram, the buttons for
// the configuration sheet and snapshots, and a status bar. It behaves as the wx window does on
// Linux, and its image area starts at the client area's top left corner at 800 x 600 on both,
// so the same checks find the same pixels.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "ViewerWindow.h"

namespace tarnix::camhost {

namespace {

const char kClassName[] = "TarnixCamhostViewer";

constexpr int kImageWidth = 800;  // the image area's size when the window opens
constexpr int kImageHeight = 600;
constexpr int kMargin = 8;
constexpr int kHistogramHeight = 80;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 4;
constexpr int kBandHeight = kHistogramHeight + 2 * kMargin;  // histogram and buttons

// Not IDOK or IDCANCEL: IsDialogMessage sends those for Enter and Escape.
constexpr int kConfigureId = 101;
constexpr int kSnapshotId = 102;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kEndTimer = 2;
constexpr UINT kRefreshMs = 15;
constexpr unsigned kTicksPerStatus = 16;  // about four times a second

const COLORREF kHistogramBack = RGB(32, 32, 32);
const COLORREF kHistogramBar = RGB(220, 220, 220);

// Closes a visible window of the thread other than the viewer (whose handle is in viewer).
BOOL CALLBACK CloseOtherWindow(HWND window, LPARAM viewer) {
    if (window != reinterpret_cast<HWND>(viewer) && IsWindowVisible(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

class ViewerWindow {
  public:
    explicit ViewerWindow(ViewerSession& session) : m_Session(session) {}
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    ~ViewerWindow() {
        for (HBRUSH brush : {m_Black, m_Back, m_Bar})
            if (brush) DeleteObject(brush);
    }

    bool Create();
    HWND Handle() const { return m_Window; }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout();
    void Tick();
    void ShowFrame(const FrameView& frame);
    void Paint();
    void PaintImage(HDC dc);
    void PaintBand(HDC dc);
    void Configure();
    void Snapshot();
    void UpdateStatus();
    void Close();
    void TimeIsUp();

    ViewerSession& m_Session;
    HWND m_Window = nullptr;
    HWND m_Configure = nullptr;
    HWND m_Snapshot = nullptr;
    HWND m_Status = nullptr;
    HBRUSH m_Black = CreateSolidBrush(RGB(0, 0, 0));
    HBRUSH m_Back = CreateSolidBrush(kHistogramBack);
    HBRUSH m_Bar = CreateSolidBrush(kHistogramBar);

    RECT m_ImageArea{};  // client coordinates
    RECT m_Histogram{};
    RECT m_Band{};
    // The scaled image, rows top first (a negative height in the header), each padded to four
    // bytes. Kept between frames: it grows only when the image's shape on screen does.
    std::vector<uint8_t> m_Pixels;
    BITMAPINFO m_Info{};
    Rect m_Fit;  // where the scaled image is, inside the image area
    bool m_HasImage = false;
    // The frame last shown, for drawing it again at a new size; valid until the next Poll or
    // until the sheet may have reset the session's frames.
    FrameView m_Frame;
    bool m_HasFrame = false;
    Histogram m_Levels{};

    unsigned m_Ticks = 0;
    std::string m_Note;
    bool m_InSheet = false;
    bool m_CloseAfterSheet = false;
};

bool ViewerWindow::Create() {
    const std::string title = "camhost view - " + m_Session.CameraName();
    m_Window = CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, title.c_str(),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
    if (!m_Window) return false;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    m_Configure = CreateWindowExA(0, "BUTTON", "&Configure...",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                  kButtonWidth, kButtonHeight, m_Window,
                                  reinterpret_cast<HMENU>(kConfigureId), instance, nullptr);
    m_Snapshot = CreateWindowExA(0, "BUTTON", "&Snapshot",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                 kButtonWidth, kButtonHeight, m_Window,
                                 reinterpret_cast<HMENU>(kSnapshotId), instance, nullptr);
    m_Status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, m_Window, nullptr, instance, nullptr);
    for (HWND control : {m_Configure, m_Snapshot, m_Status})
        if (control) SendMessageA(control, WM_SETFONT, font, FALSE);

    // The window's size from the client area it needs: the image area, the band below it and
    // the status bar.
    RECT status{};
    if (m_Status) GetWindowRect(m_Status, &status);
    RECT frame{0, 0, kImageWidth, kImageHeight + kBandHeight + (status.bottom - status.top)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(m_Window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    UpdateStatus();

    SetTimer(m_Window, kRefreshTimer, kRefreshMs, nullptr);
    const double seconds = m_Session.Options().seconds;
    if (seconds > 0)
        SetTimer(m_Window, kEndTimer,
                 static_cast<UINT>(std::min(seconds * 1000, double{USER_TIMER_MAXIMUM})), nullptr);
    ShowWindow(m_Window, SW_SHOW);
    UpdateWindow(m_Window);
    return true;
}

LRESULT CALLBACK ViewerWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // OpenDisplay's probe comes without a viewer.
        auto* self =
            static_cast<ViewerWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->m_Window = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    auto* self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT ViewerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (m_Status) SendMessageA(m_Status, WM_SIZE, 0, 0);
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            RECT frame{0, 0, 320, 240 + kBandHeight + 24};
            AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
            return 0;
        }
        case WM_TIMER:
            if (wParam == kRefreshTimer) Tick();
            if (wParam == kEndTimer) TimeIsUp();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel, without erasing what it redraws
        case WM_PAINT:
            Paint();
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kConfigureId:
                    Configure();
                    return 0;
                case kSnapshotId:
                    Snapshot();
                    return 0;
                case IDCANCEL:
                    Close();
                    return 0;
            }
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            KillTimer(m_Window, kRefreshTimer);
            KillTimer(m_Window, kEndTimer);
            SetWindowLongPtrA(m_Window, GWLP_USERDATA, 0);
            m_Window = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(m_Window, message, wParam, lParam);
}

void ViewerWindow::Close() {
    // The sheet's own message loop is running: closing now would pull the window from under
    // it. The window closes once the sheet is gone.
    if (m_InSheet) {
        m_CloseAfterSheet = true;
        return;
    }
    if (m_Window) DestroyWindow(m_Window);
}

// The time given is up: a sheet still open is cancelled, as its Cancel button would, so that
// a viewer started for a while never stays behind it.
void ViewerWindow::TimeIsUp() {
    if (m_InSheet)
        EnumThreadWindows(GetCurrentThreadId(), CloseOtherWindow,
                          reinterpret_cast<LPARAM>(m_Window));
    Close();
}

void ViewerWindow::Layout() {
    RECT client{};
    GetClientRect(m_Window, &client);
    int statusHeight = 0;
    if (m_Status) {
        RECT status{};
        GetWindowRect(m_Status, &status);
        statusHeight = status.bottom - status.top;
    }
    const int width = static_cast<int>(client.right);
    const int bandTop = std::max(0, static_cast<int>(client.bottom) - statusHeight - kBandHeight);
    m_ImageArea = {0, 0, width, bandTop};
    m_Band = {0, bandTop, width, bandTop + kBandHeight};
    const int buttonsLeft = std::max(kMargin, width - kMargin - kButtonWidth);
    m_Histogram = {kMargin, bandTop + kMargin, std::max(kMargin, buttonsLeft - kMargin),
                   bandTop + kMargin + kHistogramHeight};
    const int buttonsTop = bandTop + (kBandHeight - 2 * kButtonHeight - kButtonGap) / 2;
    if (m_Configure)
        MoveWindow(m_Configure, buttonsLeft, buttonsTop, kButtonWidth, kButtonHeight, TRUE);
    if (m_Snapshot)
        MoveWindow(m_Snapshot, buttonsLeft, buttonsTop + kButtonHeight + kButtonGap, kButtonWidth,
                   kButtonHeight, TRUE);
    if (m_HasFrame) ShowFrame(m_Frame);
    InvalidateRect(m_Window, nullptr, FALSE);
}

void ViewerWindow::Tick() {
    FrameView frame;
    if (m_Session.Poll(frame)) {
        m_Frame = frame;
        m_HasFrame = true;
        ShowFrame(frame);
        m_Levels = CountLevels(frame);
        InvalidateRect(m_Window, &m_Histogram, FALSE);
    }
    if (++m_Ticks % kTicksPerStatus == 0) UpdateStatus();
}

void ViewerWindow::ShowFrame(const FrameView& frame) {
    const Rect fit =
        FitInside(frame.geometry.width, frame.geometry.height, m_ImageArea.right - m_ImageArea.left,
                  m_ImageArea.bottom - m_ImageArea.top);
    if (fit.width <= 0 || fit.height <= 0) return;
    const size_t stride = (static_cast<size_t>(fit.width) * 3 + 3) & ~size_t{3};
    const size_t bytes = stride * static_cast<size_t>(fit.height);
    if (m_Pixels.size() < bytes) m_Pixels.resize(bytes);
    ScaleNearest(frame, m_Pixels.data(), fit.width, fit.height, stride, PixelOrder::Bgr);
    BITMAPINFOHEADER& header = m_Info.bmiHeader;
    header.biSize = sizeof(header);
    header.biWidth = fit.width;
    header.biHeight = -fit.height;  // rows top first, as ScaleNearest writes them
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    // A smaller image than before leaves borders where the old one was.
    if (!m_HasImage || fit != m_Fit)
        InvalidateRect(m_Window, &m_ImageArea, FALSE);
    else {
        RECT where{fit.x, fit.y, fit.x + fit.width, fit.y + fit.height};
        InvalidateRect(m_Window, &where, FALSE);
    }
    m_Fit = fit;
    m_HasImage = true;
}

void ViewerWindow::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_Window, &paint);
    PaintImage(dc);
    PaintBand(dc);
    EndPaint(m_Window, &paint);
}

// The image, and black only around it, so nothing is drawn twice and nothing flickers.
void ViewerWindow::PaintImage(HDC dc) {
    const RECT& area = m_ImageArea;
    if (!m_HasImage) {
        FillRect(dc, &area, m_Black);
        return;
    }
    const int left = area.left + m_Fit.x, top = area.top + m_Fit.y;
    const int right = left + m_Fit.width, bottom = top + m_Fit.height;
    const RECT borders[4] = {{area.left, area.top, area.right, top},
                             {area.left, bottom, area.right, area.bottom},
                             {area.left, top, left, bottom},
                             {right, top, area.right, bottom}};
    for (const RECT& border : borders)
        if (border.right > border.left && border.bottom > border.top)
            FillRect(dc, &border, m_Black);
    StretchDIBits(dc, left, top, m_Fit.width, m_Fit.height, 0, 0, m_Fit.width, m_Fit.height,
                  m_Pixels.data(), &m_Info, DIB_RGB_COLORS, SRCCOPY);
}

// The band below the image: the dialog colour around the histogram (the buttons draw
// themselves), and the histogram one column at a time, background above the bar.
void ViewerWindow::PaintBand(HDC dc) {
    const RECT& band = m_Band;
    const RECT& plot = m_Histogram;
    const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    const RECT around[4] = {{band.left, band.top, band.right, plot.top},
                            {band.left, plot.bottom, band.right, band.bottom},
                            {band.left, plot.top, plot.left, plot.bottom},
                            {plot.right, plot.top, band.right, plot.bottom}};
    for (const RECT& part : around)
        if (part.right > part.left && part.bottom > part.top) FillRect(dc, &part, face);

    const int width = plot.right - plot.left, height = plot.bottom - plot.top;
    if (width <= 0 || height <= 0) return;
    const std::array<int, 256> bars = BarHeights(m_Levels, height);
    for (int x = 0; x < width; ++x) {
        const int bar = bars[static_cast<size_t>(x * 256 / width)];
        const RECT empty{plot.left + x, plot.top, plot.left + x + 1, plot.bottom - bar};
        const RECT full{plot.left + x, plot.bottom - bar, plot.left + x + 1, plot.bottom};
        if (bar < height) FillRect(dc, &empty, m_Back);
        if (bar > 0) FillRect(dc, &full, m_Bar);
    }
}

void ViewerWindow::Configure() {
    if (m_InSheet) return;
    // The sheet has no owner, so the viewer is switched off by hand while it is open, as a
    // modal dialog's owner is: no second sheet from a second click. Its timer still runs in the
    // sheet's message loop, so the image stays live.
    m_InSheet = true;
    EnableWindow(m_Window, FALSE);
    m_Session.Configure();
    // The sheet may have reset the session's frames: the one kept here is gone.
    m_HasFrame = false;
    EnableWindow(m_Window, TRUE);
    m_InSheet = false;
    SetForegroundWindow(m_Window);
    SetFocus(m_Configure);
    if (m_CloseAfterSheet) Close();
}

void ViewerWindow::Snapshot() {
    const std::string path = m_Session.Snapshot();
    if (path.empty()) return;
    m_Note = "written " + path;
    UpdateStatus();
}

void ViewerWindow::UpdateStatus() {
    if (!m_Status) return;
    std::string status = m_Session.Status();
    if (!m_Note.empty()) status += "  " + m_Note;
    SendMessageA(m_Status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(status.c_str()));
}

}  // namespace

bool OpenDisplay(std::string& why) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ViewerWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass)) {
        why = "the viewer's window class cannot be registered (error " +
              std::to_string(GetLastError()) + ")";
        return false;
    }
    // Without a desktop to show windows on (Wine without an X display, a service's session)
    // no top-level window can be made; a hidden one tells before the camera is opened.
    HWND probe = nullptr;
    if (GetDesktopWindow())
        probe = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                nullptr);
    if (!probe) {
        // Wine without a display gives no error code.
        const DWORD error = GetLastError();
        why = "view needs a desktop to show its window on, and none can be used";
        if (error != 0) why += " (error " + std::to_string(error) + ")";
        return false;
    }
    DestroyWindow(probe);
    return true;
}

int RunViewerWindow(ViewerSession& session) {
    {
        ViewerWindow window(session);
        if (!window.Create()) {
            std::fprintf(stderr, "camhost: the viewer's window cannot be made (error %lu)\n",
                         GetLastError());
            session.Finish();
            return 2;
        }
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            const HWND viewer = window.Handle();
            // Escape closes the viewer wherever the focus is in it, a button included.
            if (viewer && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
                (message.hwnd == viewer || IsChild(viewer, message.hwnd))) {
                SendMessageA(viewer, WM_CLOSE, 0, 0);
                continue;
            }
            // The buttons' Alt shortcuts and Tab between them, as in a dialog.
            if (viewer && IsDialogMessageA(viewer, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    session.Finish();
    return 0;
}

}  // namespace tarnix::camhost
