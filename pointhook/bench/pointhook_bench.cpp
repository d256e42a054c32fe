// What MouseFunc costs the program it runs in: median time of one call for a mouse move and
// for a trigger press over an ordinary window, beside a hook procedure that only passes the
// message on, all measured in the same run.
#include "pointhook.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

LRESULT CALLBACK PassOnly(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Drain()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
}

// Median nanoseconds per call over `rounds` batches of `batch` calls; the queue is emptied
// between batches, outside the timing.
double MedianNs(HOOKPROC proc, UINT msg, POINT pt, HWND target, int rounds, int batch)
{
    HOOKPROC volatile call = proc;
    MOUSEHOOKSTRUCT rec = {};
    rec.pt = pt;
    rec.hwnd = target;
    rec.wHitTestCode = HTCLIENT;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::vector<double> per;
    per.reserve(static_cast<size_t>(rounds));
    for (int r = 0; r < rounds; ++r) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < batch; ++i)
            call(HC_ACTION, msg, reinterpret_cast<LPARAM>(&rec));
        QueryPerformanceCounter(&t1);
        Drain();
        per.push_back(static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e9 /
                      static_cast<double>(freq.QuadPart) / batch);
    }
    std::sort(per.begin(), per.end());
    return per[per.size() / 2];
}

}  // namespace

int main()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "PointhookBenchWindow";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(WS_EX_TOPMOST, "PointhookBenchWindow", "bench", WS_POPUP | WS_BORDER,
                                100, 100, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    HWND text = CreateWindowExA(0, "PointhookBenchWindow", "text", WS_CHILD | WS_VISIBLE, 20, 20,
                                300, 200, host, nullptr, wc.hInstance, nullptr);
    HWND notify = CreateWindowExA(0, "PointhookBenchWindow", "notify", WS_OVERLAPPED, 0, 0, 10,
                                  10, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(host, SW_SHOWNOACTIVATE);
    UpdateWindow(host);
    Drain();

    RECT rc;
    GetWindowRect(text, &rc);
    const POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    if (WindowFromPoint(pt) != text)
        std::printf("warning: the bench window is not under its own point\n");

    InitHooksDll(notify, nullptr, 1, 0);
    const int rounds = 301;
    const int batch = 200;
    // Warm up the message registration and the window manager's caches.
    MedianNs(MouseFunc, WM_RBUTTONDOWN, pt, text, 5, batch);

    const double pass = MedianNs(PassOnly, WM_MOUSEMOVE, pt, text, rounds, batch);
    const double move = MedianNs(MouseFunc, WM_MOUSEMOVE, pt, text, rounds, batch);
    const double press = MedianNs(MouseFunc, WM_RBUTTONDOWN, pt, text, rounds, batch);
    const double passAgain = MedianNs(PassOnly, WM_RBUTTONDOWN, pt, text, rounds, batch);

    std::printf("pass-only hook procedure:        %8.1f ns per call (again: %.1f)\n", pass,
                passAgain);
    std::printf("MouseFunc, mouse move:           %8.1f ns per call  ratio %.2f\n", move,
                move / pass);
    std::printf("MouseFunc, trigger press (post): %8.1f ns per call  ratio %.2f\n", press,
                press / pass);
    std::fflush(stdout);
    RemoveHooksDll();  // removes the hook and ends the process
}
