#include "PopupTestUtil.h"
#include "ToolDriver.h"
#include "fw/Gdi.h"

namespace popuptest {

namespace {

const wchar_t kOwnerClass[] = L"KestrunePopupTestOwner";

struct KeyRecord {
    WPARAM key;
    HWND target;
};
std::vector<KeyRecord> g_keys;
HHOOK g_keyHook = nullptr;

struct LayerSearch {
    HWND frame;
    HWND layer;
};

BOOL CALLBACK FindOwned(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<LayerSearch*>(lParam);
    if (GetWindow(hWnd, GW_OWNER) == search->frame && IsWindowVisible(hWnd)) {
        search->layer = hWnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

COwnerWindow::COwnerWindow(int x, int y, int width, int height)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(40, 90, 200));
    wc.lpszClassName = kOwnerClass;
    RegisterClassW(&wc);
    m_hWnd = CreateWindowExW(WS_EX_APPWINDOW, kOwnerClass, L"Kestrune", WS_POPUP | WS_VISIBLE, x,
                             y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(m_hWnd);
}

COwnerWindow::~COwnerWindow()
{
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

bool DriveShownPopup(const std::atomic<HWND>& frame, DWORD settleMs, UINT endMessage,
                     const std::function<void(HWND, HWND)>& drive)
{
    HWND layer = WaitShown(frame);
    HWND hFrame = frame;
    if (layer != nullptr) {
        testutil::Pause(settleMs);  // let it paint
        drive(hFrame, layer);
    }
    if (WaitFor([&] { return !IsWindowVisible(hFrame); }, 3000))
        return layer == nullptr;
    PostMessageW(hFrame, endMessage, 0, 0);
    return true;
}

bool WaitFor(const std::function<bool()>& predicate, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs)
            return predicate();
        Sleep(5);
    }
    return true;
}

HWND FindLayer(HWND frame)
{
    LayerSearch search = {frame, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.layer;
}

HWND WaitShown(const std::atomic<HWND>& frame, DWORD timeoutMs)
{
    HWND layer = nullptr;
    WaitFor(
        [&] {
            HWND hFrame = frame;
            if (hFrame == nullptr || !IsWindowVisible(hFrame))
                return false;
            layer = FindLayer(hFrame);
            return layer != nullptr;
        },
        timeoutMs);
    return layer;
}

RECT ClientRectOfControl(HWND control)
{
    RECT rc = {};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT WindowRectOf(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

POINT CenterOf(const RECT& rc)
{
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(hWnd, buffer, 512);
    return buffer;
}

void ClickCentreOf(HWND hWnd)
{
    POINT centre = CenterOf(WindowRectOf(hWnd));
    testutil::ClickAt(centre.x, centre.y);
}

RECT Relative(const RECT& rc, const RECT& origin)
{
    return {rc.left - origin.left, rc.top - origin.top, rc.right - origin.left,
            rc.bottom - origin.top};
}

std::string Ltrb(const RECT& rc)
{
    return std::to_string(rc.left) + " " + std::to_string(rc.top) + " " +
           std::to_string(rc.right) + " " + std::to_string(rc.bottom);
}

Placement Measure(HWND frame, HWND layer, std::initializer_list<int> controlIds)
{
    Placement placement;
    placement.frame = WindowRectOf(frame);
    placement.layer = WindowRectOf(layer);
    for (int id : controlIds) {
        placement.controls[id] = ClientRectOfControl(GetDlgItem(layer, id));
        placement.visible[id] = IsWindowVisible(GetDlgItem(layer, id)) != FALSE;
    }
    return placement;
}

CKeyRecorder::CKeyRecorder()
{
    g_keys.clear();
    m_hHook = SetWindowsHookExW(WH_GETMESSAGE, &CKeyRecorder::Hook, nullptr, GetCurrentThreadId());
    g_keyHook = m_hHook;
}

CKeyRecorder::~CKeyRecorder()
{
    if (m_hHook != nullptr)
        UnhookWindowsHookEx(m_hHook);
    g_keyHook = nullptr;
}

std::vector<HWND> CKeyRecorder::Targets(WPARAM key) const
{
    std::vector<HWND> targets;
    for (const KeyRecord& record : g_keys) {
        if (record.key == key)
            targets.push_back(record.target);
    }
    return targets;
}

LRESULT CALLBACK CKeyRecorder::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
        g_keys.push_back({msg->wParam, msg->hwnd});
    return CallNextHookEx(g_keyHook, code, wParam, lParam);
}

Pixels CapturePixels(HWND hWnd)
{
    Pixels pixels;
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    pixels.width = rc.right;
    pixels.height = rc.bottom;
    if (pixels.width <= 0 || pixels.height <= 0)
        return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    CClientDC windowDC(hWnd);
    CMemoryDC memory(windowDC.Get());
    void* bits = nullptr;
    CBitmap bitmap(CreateDIBSection(windowDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    CSelectObject select(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, pixels.width, pixels.height, windowDC.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    const unsigned* source = static_cast<const unsigned*>(bits);
    pixels.data.assign(source, source + static_cast<size_t>(pixels.width) * pixels.height);
    for (unsigned& value : pixels.data)
        value &= 0xFFFFFF;
    return pixels;
}

std::vector<std::pair<int, int>> RowBands(const Pixels& pixels,
                                          const std::function<bool(unsigned)>& match)
{
    std::vector<std::pair<int, int>> bands;
    for (int y = 0; y < pixels.height; ++y) {
        bool hit = false;
        for (int x = 0; x < pixels.width && !hit; ++x)
            hit = match(pixels.At(x, y));
        if (!hit)
            continue;
        if (!bands.empty() && bands.back().second == y - 1)
            bands.back().second = y;
        else
            bands.push_back({y, y});
    }
    return bands;
}

std::pair<int, int> ColumnSpan(const Pixels& pixels, const std::function<bool(unsigned)>& match)
{
    std::pair<int, int> span = {-1, -1};
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            if (!match(pixels.At(x, y)))
                continue;
            if (span.first < 0 || x < span.first)
                span.first = x;
            if (x > span.second)
                span.second = x;
        }
    }
    return span;
}

bool IsDark(unsigned rgb)
{
    return ((rgb >> 16) & 0xFF) < 128 && ((rgb >> 8) & 0xFF) < 128 && (rgb & 0xFF) < 128;
}

bool IsWhite(unsigned rgb)
{
    return ((rgb >> 16) & 0xFF) > 220 && ((rgb >> 8) & 0xFF) > 220 && (rgb & 0xFF) > 220;
}

}  // namespace popuptest
