// wizard_drive: what a person would do at the wizard when nobody is at the display. It waits
// for the wizard's sheet (of any process of this Wine prefix), saves a picture of every page
// it passes as build/<arch>/screenshots/run-NN-page<index>.png, and goes the shortest way to an anonymous
// completion: Next through the mouse page and its animation, Cancel on the e-mail page, Next
// on every other page. Exit code 0 when the sheet went away after the completion page and the
// dictionary program came up.
#include "lxtest.h"
#include "wizarddriver.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

int main()
{
    lxtest::SheetDriver drive(lxtest::WaitSheetOf(0, 60000));
    if (!drive.Sheet()) {
        std::printf("wizard_drive: no wizard sheet came up\n");
        return 1;
    }
    int step = 0;
    int last = -1;
    bool completed = false;
    const DWORD end = GetTickCount() + 180000;
    while (IsWindow(drive.Sheet()) && IsWindowVisible(drive.Sheet()) &&
           static_cast<LONG>(end - GetTickCount()) > 0) {
        const int index = drive.ActiveIndex();
        if (index < 0)
            break;
        ++step;
        char name[64];
        std::snprintf(name, sizeof name, "run-%02d-page%d", step, index);
        lxtest::PumpMessages(700);
        const std::string shot = drive.Save(name);
        std::printf("wizard_drive: page %d (%s) %s\n", index, drive.Title().c_str(), shot.c_str());
        std::fflush(stdout);
        completed = index == 9;
        drive.Press(index == 1 ? PSBTN_CANCEL : PSBTN_NEXT, 1500);
        if (index == last && index != 0 && drive.ActiveIndex() == index)
            drive.Press(PSBTN_CANCEL, 1500);  // a page that keeps the user: decline
        last = index;
    }
    std::printf("wizard_drive: %s\n", completed ? "completed" : "stopped before the end");
    if (!completed)
        return 1;
    // The last page started the dictionary program: its hidden window comes up.
    const bool started = lxtest::PumpUntil(
        [] { return FindWindowA(nullptr, "LXPhiddenWndv1.0") != nullptr; }, 15000);
    std::printf("wizard_drive: the dictionary program %s\n",
                started ? "is running" : "did not start");
    return started ? 0 : 1;
}
