// Stands in for the dictionary program in the wizard's tests: notes that it was started (with
// its current folder) in "started.txt" of that folder, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int show)
{
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    const std::string line = std::string("started in ") + dir + " show " + std::to_string(show) +
                             " args [" + (commandLine ? commandLine : "") + "]\r\n";
    HANDLE file = CreateFileA("started.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
