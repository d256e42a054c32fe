// enrolwiz: the first-run setup wizard of the dictionary.
#include "lexiregapp.h"
#include "programlog.h"
#include "wizlexireg.h"

namespace {

CLexiRegApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // The program-wide log was opened by static construction; nothing here writes to it,
    // but the program must hold it from its first moment on.
    volatile bool logOpen = g_ErrorLog.IsOpen();
    (void)logOpen;
    theApp.SetSheetRunner(RunWizardSheet);
    theApp.InitInstance(commandLine);
    return 0;
}
