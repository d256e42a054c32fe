// CSkinMsgDlg: the skinned message box (template 1001), modal or modeless, with its message,
// icon, check box, waiting bar and one of eight button sets.
#pragma once

#include "animatedpicture.h"
#include "lxwin.h"
#include "skinbox.h"
#include "skinhost.h"

#include <string>

namespace skinbox {

// Flags of a message box.
enum : int {
    kButtonSetMask = 0x000F,
    kFlagCheckBox = 0x0010,
    kFlagExclamation = 0x0020,
    kFlagInformation = 0x0040,
    kFlagQuestion = 0x0080,
    kFlagStop = 0x0100,
    kFlagWaitBarA = 0x0200,
    kFlagWaitBarB = 0x0400,
    kFlagAutoPress = 0x0800,
    kFlagNoCallback = 0x1000,
    kCheckedResult = 0x20,
};

// Size of the message area for a message, with the text font's width and height.
SIZE MessageAreaSize(const std::string& message, int charWidth, int charHeight);

// Shows a modal message box and returns its result.
int RunMessageBox(const std::string& languageModule, const std::string& ignored,
                  const std::string& message, int flags, HWND owner);

class CSkinMsgDlg : public lxwin::Dialog {
public:
    CSkinMsgDlg();
    ~CSkinMsgDlg() override;

    // Before the window exists: trims the message, keeps the texts, chooses language and font.
    void Prepare(const std::string& languageModule, const std::string& ignored,
                 const std::string& message, int flags);
    // A modeless dialog calls back (value, result) on every button press unless 0x1000.
    void MakeModeless(int value, ModelessDlgCallback callback);
    // A new message: the dialog resizes to it.
    void Display(const std::string& message);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void Layout();
    void SetButtons();
    void Press(int button);
    int IconId() const;

    std::string m_languageModule, m_ignored, m_message;
    int m_flags = 0;
    Lang m_lang = Lang::English;
    bool m_drawing = false;
    FontSpec m_fontSpec{};
    lxwin::GdiObject<HFONT> m_font;
    int m_results[3] = {1, 2, 2};
    std::string m_labels[3];  // of the first, second and third button ("" when hidden)
    bool m_skinFailed = false;
    bool m_modeless = false;
    int m_value = 0;
    ModelessDlgCallback m_callback = nullptr;
    CSkinHost m_skin;
    CAnimatedPicture m_bar;
};

}  // namespace skinbox
