// fontlearner.exe: has the text-extraction engine (re)build its font pattern base and tells the
// dictionary program's pop-up window when the build starts and when it has ended. The program
// has no visible window; only one copy builds at a time.
#include "enginestatus.h"
#include "lxpmessages.h"
#include "lxwin.h"
#include "productfacts.h"
#include "resource.h"
#include "textract.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kInstanceName[] = "Textract - Build Font Base";
const char kSectionPrefix[] = "CInstanceChecker_MMF_";
const char kCaption[] = "fontlearner";

// The dictionary program's pop-up window as it published it: the first 4 bytes of the value,
// whatever its type. 0 when a key or the value is missing or shorter than 4 bytes.
HWND ReadPopupWindowHandle()
{
    DWORD handle = 0;
    // The release key, where the dictionary program keeps its settings, opened level by level.
    HKEY software = nullptr, vendor = nullptr, release = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, lxfacts::kSoftwareKey, 0, KEY_ALL_ACCESS, &software) ==
            ERROR_SUCCESS &&
        RegOpenKeyExA(software, lxfacts::kVendorKey, 0, KEY_ALL_ACCESS, &vendor) ==
            ERROR_SUCCESS &&
        RegOpenKeyExA(vendor, lxfacts::kReleaseKeyName, 0, KEY_ALL_ACCESS, &release) ==
            ERROR_SUCCESS) {
        DWORD size = 0;
        const char* value = lxfacts::kPopupWindowValue;
        if (RegQueryValueExA(release, value, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
            size >= sizeof handle) {
            std::vector<BYTE> data(size);
            if (RegQueryValueExA(release, value, nullptr, nullptr, data.data(), &size) ==
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
class CfontlearnerDlg : public lxwin::Dialog {
public:
    explicit CfontlearnerDlg(HINSTANCE instance) : Dialog(instance, IDD_FONTLEARNER_DIALOG) {}

protected:
    BOOL OnInitDialog() override
    {
        m_icon = LoadIconA(Resources(), MAKEINTRESOURCEA(IDR_MAINFRAME));
        SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageA(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        CheckEngineStatusWithBox(EngineInit(), Hwnd(), kCaption);
        BuildFontPattern();
        EngineTerminate();
        return TRUE;
    }

    bool OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR& result) override
    {
        switch (msg) {
        case WM_WINDOWPOSCHANGING:
            // The dialog stays hidden: every request to show it is dropped.
            if (!bAllowShow)
                reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            return false;
        case WM_PAINT:
            if (!IsIconic(Hwnd()))
                return false;
            OnPaintIconic();
            result = TRUE;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(m_icon);
            return true;
        default:
            return false;
        }
    }

private:
    void BuildFontPattern()
    {
        OutputDebugStringA("CfontlearnerDlg::BuildFontPattern() --> start invoked");
        HWND popup = ReadPopupWindowHandle();
        const UINT done = LxpMessage(LxpMsg::OnOcrBuildingDone);
        if (popup) {
            OutputDebugStringA("BuildFontPattern() Progress...");
            SendMessageA(popup, done, 0, 0);
        }
        CheckEngineStatusWithBox(EngineBuildPatterns(), Hwnd(), kCaption);
        if (popup) {
            OutputDebugStringA("BuildFontPattern() Progress done.");
            SendMessageA(popup, done, 1, 0);
        }
        End(IDCANCEL);
    }

    void OnPaintIconic()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Hwnd(), &ps);
        SendMessageA(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(Hwnd(), &client);
        const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
        DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_icon);
        EndPaint(Hwnd(), &ps);
    }

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
