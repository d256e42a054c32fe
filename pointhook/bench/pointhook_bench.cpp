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

// Does nothing at all: shows what the system's CallNextHookEx itself costs.
LRESULT CALLBACK Nothing(int, WPARAM, LPARAM)
{
    return 0;
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

// Nanoseconds per call of one batch of `batch` calls; the queue is emptied afterwards,
// outside the timing.
double BatchNs(HOOKPROC proc, UINT msg, POINT pt, HWND target, int batch)
{
    HOOKPROC volatile call = proc;
    MOUSEHOOKSTRUCT rec = {};
    rec.pt = pt;
    rec.hwnd = target;
    rec.wHitTestCode = HTCLIENT;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < batch; ++i)
        call(HC_ACTION, msg, reinterpret_cast<LPARAM>(&rec));
    QueryPerformanceCounter(&t1);
    Drain();
    return static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e9 /
           static_cast<double>(freq.QuadPart) / batch;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    const int batch = 100;
    // Warm up the message registration and the window manager's caches.
    for (int i = 0; i < 5; ++i)
        BatchNs(MouseFunc, WM_RBUTTONDOWN, pt, text, batch);

    // The three kinds take turns, so that a slower stretch of the machine hits all alike.
    std::vector<double> nothing, pass, move, press;
    for (int r = 0; r < rounds; ++r) {
        nothing.push_back(BatchNs(Nothing, WM_MOUSEMOVE, pt, text, batch));
        pass.push_back(BatchNs(PassOnly, WM_MOUSEMOVE, pt, text, batch));
        move.push_back(BatchNs(MouseFunc, WM_MOUSEMOVE, pt, text, batch));
        press.push_back(BatchNs(MouseFunc, WM_RBUTTONDOWN, pt, text, batch));
    }
    const double n = Median(nothing), p = Median(pass), m = Median(move), t = Median(press);
    std::printf("median of %d batches of %d direct calls\n", rounds, batch);
    std::printf("empty procedure (no CallNextHookEx): %7.1f ns per call\n", n);
    std::printf("pass-only hook procedure:          %9.1f ns per call\n", p);
    std::printf("MouseFunc, mouse move:             %9.1f ns per call  ratio %.2f\n", m, m / p);
    std::printf("MouseFunc, trigger press (posted): %9.1f ns per call  ratio %.2f\n", t, t / p);
    std::printf("cost beyond passing on: move %.1f ns, trigger press %.1f ns\n", m - p, t - p);
    std::fflush(stdout);
    RemoveHooksDll();  // removes the hook and ends the process
}
