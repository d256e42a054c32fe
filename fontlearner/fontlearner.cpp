// fontlearner.exe: has the text-extraction engine (re)build its font pattern base and tells the
// dictionary program's pop-up window when the build starts and when it has ended. The program
// has no visible window; only one copy builds at a time.
#include "enginestatus.h"
#include "lxpmessages.h"
#include "resource.h"
#include "textract.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kInstanceName[] = "Textract - Build Font Base";
const char kSectionPrefix[] = "CInstanceChecker_MMF_";
const char kCaption[] = "fontlearner";
// HKCU\software\<vendor key>\release 2.9, where the dictionary program keeps its settings.
const char kVendorKey[] = "norvanta.com";
const char kReleaseKey[] = "release 2.9";
const char kPopupValue[] = "hwndVedezivi";

// The dictionary program's pop-up window as it published it: the first 4 bytes of the value,
// whatever its type. 0 when a key or the value is missing or shorter than 4 bytes.
HWND ReadPopupWindowHandle()
{
    DWORD handle = 0;
    HKEY software = nullptr, vendor = nullptr, release = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_ALL_ACCESS, &software) ==
            ERROR_SUCCESS &&
        RegOpenKeyExA(software, kVendorKey, 0, KEY_ALL_ACCESS, &vendor) == ERROR_SUCCESS &&
        RegOpenKeyExA(vendor, kReleaseKey, 0, KEY_ALL_ACCESS, &release) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExA(release, kPopupValue, nullptr, nullptr, nullptr, &size) ==
                ERROR_SUCCESS &&
            size >= sizeof handle) {
            std::vector<BYTE> data(size);
            if (RegQueryValueExA(release, kPopupValue, nullptr, nullptr, data.data(), &size) ==
                    ERROR_SUCCESS &&
                size >= sizeof handle)
                CopyMemory(&handle, data.data(), sizeof handle);
        }
    }
    for (HKEY key : {release, vendor, software})
        if (key)
            RegCloseKey(key);
    // Window handles carry 32 significant bits in both builds.
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(handle));
}

// A running copy may be announced by a shared memory section whose first 4 bytes hold its
// window: that window is brought back and this copy ends. This program never creates the
// section itself (the mutex already keeps copies apart). Returns true when a copy was found.
bool RestorePreviousCopy()
{
    const std::string name = std::string(kSectionPrefix) + kInstanceName;
    HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (!section)
        return false;
    MessageBoxA(nullptr, "Previous version detected, will now restore it", kCaption, MB_OK);
    if (const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
        DWORD value = 0;
        CopyMemory(&value, view, sizeof value);
        UnmapViewOfFile(view);
        HWND previous = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
        if (previous && IsWindow(previous)) {
            if (IsIconic(previous))
                ShowWindow(previous, SW_RESTORE);
            SetForegroundWindow(GetLastActivePopup(previous));
        }
    }
    CloseHandle(section);
    return true;
}

// The program's one dialog: never shown; its initialisation does the whole build.
class CfontlearnerDlg {
public:
    explicit CfontlearnerDlg(HINSTANCE instance) : m_instance(instance) {}

    INT_PTR DoModal()
    {
        return DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_FONTLEARNER_DIALOG), nullptr,
                               DlgProc, reinterpret_cast<LPARAM>(this));
    }

private:
    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_INITDIALOG)
            SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        auto* self = reinterpret_cast<CfontlearnerDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        return self ? self->Handle(hwnd, msg, wp, lp) : FALSE;
    }

    INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        switch (msg) {
        case WM_INITDIALOG:
            m_hwnd = hwnd;
            OnInitDialog();
            return TRUE;
        case WM_WINDOWPOSCHANGING:
            // The dialog stays hidden: every request to show it is dropped.
            if (!bAllowShow)
                reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            return FALSE;
        case WM_PAINT:
            if (IsIconic(hwnd)) {
                OnPaintIconic();
                return TRUE;
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_icon);
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(hwnd, LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    }

    void OnInitDialog()
    {
        m_icon = LoadIconA(m_instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
        SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        CheckEngineStatusWithBox(EngineInit(), m_hwnd, kCaption);
        BuildFontPattern();
        EngineTerminate();
    }

    void BuildFontPattern()
    {
        OutputDebugStringA("CfontlearnerDlg::BuildFontPattern() --> start invoked");
        HWND popup = ReadPopupWindowHandle();
        const UINT done = LxpMessage(LxpMsg::OnOcrBuildingDone);
        if (popup) {
            OutputDebugStringA("BuildFontPattern() Progress...");
            SendMessageA(popup, done, 0, 0);
        }
        CheckEngineStatusWithBox(EngineBuildPatterns(), m_hwnd, kCaption);
        if (popup) {
            OutputDebugStringA("BuildFontPattern() Progress done.");
            SendMessageA(popup, done, 1, 0);
        }
        EndDialog(m_hwnd, IDCANCEL);
    }

    void OnPaintIconic()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        SendMessageA(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(m_hwnd, &client);
        const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
        DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_icon);
        EndPaint(m_hwnd, &ps);
    }

    HINSTANCE m_instance;
    HWND m_hwnd = nullptr;
    HICON m_icon = nullptr;
    bool bAllowShow = false;  // never set: the dialog is not meant to be seen
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Held for the whole run: a second copy waits here until the first has finished.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceName);
    if (mutex)
        WaitForSingleObject(mutex, INFINITE);  // an abandoned mutex is owned all the same
    if (!RestorePreviousCopy()) {
        CfontlearnerDlg dialog(instance);
        dialog.DoModal();
    }
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return 0;
}
