#include "completepage.h"

#include "connectioncheck.h"
#include "mousepage.h"
#include "pages/completeids.h"
#include "productfacts.h"

#include <shellapi.h>

#include <cstdio>
#include <ctime>

CWizLexiRegComplete::~CWizLexiRegComplete()
{
    for (HBITMAP b : m_backgrounds)
        if (b)
            DeleteObject(b);
}

std::string CWizLexiRegComplete::InstallationReport(const CSettingsStore& store,
                                                    const std::string& stamp)
{
    std::string line;
    for (const std::string& value :
         {store.szUSIID(), store.GetWindowsVersionName(), store.szProgVer(), store.szBuild(),
          store.szCoBrandedID(), store.GetPreviousCobrandID(), store.GetPreviousVersion(),
          store.GetPreviousBuild()})
        line += value + ";";
    line += stamp + "|";
    for (size_t at = line.find(";;"); at != std::string::npos; at = line.find(";;", at))
        line.replace(at, 2, "; ;");
    return line;
}

std::string CWizLexiRegComplete::PercentEncoded(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string CWizLexiRegComplete::AccountPageAddress(const std::string& server,
                                                    const std::string& port,
                                                    const std::string& displayLanguage,
                                                    const std::string& user,
                                                    const std::string& password)
{
    const char* segment = "en";
    if (_stricmp(displayLanguage.c_str(), "Deutsch") == 0)
        segment = "de";
    else if (_stricmp(displayLanguage.c_str(), "Chinese (S)") == 0)
        segment = "zh";
    else if (_stricmp(displayLanguage.c_str(), "Vietnamese") == 0)
        segment = "vi";
    std::string address = "http://" + server;
    if (!port.empty())
        address += ":" + port;
    return address + "/" + segment + "/logon.jsp?username=" + PercentEncoded(user) +
           "&password=" + PercentEncoded(password);
}

BOOL CWizLexiRegComplete::OnInitDialog()
{
    CWizPage::OnInitDialog();
    const UINT ids[4] = {133, 204, 202, 203};
    for (int i = 0; i < 4; ++i)
        m_backgrounds[i] = LoadModuleBitmap(ids[i]);
    return TRUE;
}

LRESULT CWizLexiRegComplete::OnSetActive()
{
    Enter(kNext);
    if (!useBuiltinStrings)
        lxwin::SetText(Context().Button(kIdNext), Context().finishCaption);
    return 0;
}

bool CWizLexiRegComplete::OnQueryCancel()
{
    Context().PressNext();
    return false;
}

void CWizLexiRegComplete::OpenAccountPage()
{
    WizardData& data = Data();
    std::string server = data.link.GetOnLineServer();
    std::string port = data.link.GetOnLinePort();
    const CConnectionCheck& check = Context().connectionCheck;
    if (server.empty() && !check.Servers().empty()) {
        server = check.Servers().front().name;
        port = check.Ports().empty() ? std::string() : check.Ports().front();
    }
    const std::string address = AccountPageAddress(
        server, port, data.settings.szDisplayLanguage(), data.email, data.password);
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWMINIMIZED);
}

void CWizLexiRegComplete::Finish()
{
    WizardData& data = Data();
    CSettingsStore& store = data.settings;
    data.goingBack = 0;
    ShowWindow(SheetHwnd(), SW_HIDE);

    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::localtime(&now));
    const std::string report = InstallationReport(store, stamp);
    // The report is sent once per installation: the flag is cleared only when the service
    // answered it; the wait for that is short, so that a slow link delays the end only a
    // little (the next run sends it again).
    if (store.szFirstInstall()) {
        data.link.ReportInstallation(report);
        if (data.link.WaitForReport(kReportWaitMs))
            store.SetszFirstInstall(0);
    }

    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string programDir = path;
    programDir = programDir.substr(0, programDir.rfind('\\') == std::string::npos
                                          ? 0
                                          : programDir.rfind('\\'));

    const std::string anonymous = lxfacts::kAnonymousUser;
    if (!data.accountKnown) {
        CreateDirectoryA(".\\data\\profile", nullptr);
        CreateDirectoryA((".\\data\\profile\\" + anonymous).c_str(), nullptr);
        data.email = anonymous;
        data.password = lxfacts::kAnonymousPassword;
        store.SetszEmail(data.email);
    }
    const std::string profilePath = programDir + "\\data\\profile\\" + data.email;
    const CWizLexiRegMouse::Choice& mouse = CWizLexiRegMouse::ChoiceOf(data.mouseChoice);
    store.SetszProfilePath(profilePath);
    store.SetszEmail(data.email);
    store.SetbMouseShift(mouse.mouseShift);
    store.SetnMouseState(mouse.mouseState);
    store.SaveCurrentUser(data.password);
    store.SetszMultipleUser(data.multipleUsers ? "Yes" : "No");

    if (data.openAccountPage)
        OpenAccountPage();
    if (!data.previousEmail.empty() && data.email == anonymous)
        store.LogInUser(data.previousEmail);
    store.ImportReleaseKey();
    store.ImportProductKey();
    WinExec("./Norvanta Lexipop.exe", SW_SHOW);
}

LRESULT CWizLexiRegComplete::OnWizardNext()
{
    Finish();
    if (endProcess)
        endProcess(0);
    else
        ExitProcess(0);
    return kStay;
}

HBITMAP CWizLexiRegComplete::Background() const
{
    const int choice = Data().mouseChoice;
    return m_backgrounds[choice >= 1 && choice <= 4 ? choice - 1 : 0];
}
