// Page 0: which mouse action opens the dictionary's pop-up. A second Next plays an animation
// of the chosen action before the wizard goes on. The page also owns the skin object through
// which the wizard's windows are skinned.
#pragma once

#include "animatedpicture.h"
#include "wizpage.h"

struct ISkinControl;

class CWizLexiRegMouse : public CWizPage {
public:
    CWizLexiRegMouse();
    ~CWizLexiRegMouse() override;

    // What a choice (1-4) means: the stored settings, its option button, its pictures.
    struct Choice {
        int mouseState;
        int mouseShift;
        int button;
        UINT animation;
        UINT description;
    };
    static const Choice& ChoiceOf(int choice);

    // The skin object (null when the skin could not be loaded).
    ISkinControl* Skin() const { return m_skin; }
    bool DemoShown() const { return demoShown != 0; }
    // A row: from the option button's left edge to x = 370, the button's height.
    RECT RowRect(int choice) const { return m_rows[(choice - 1) & 3]; }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    bool OnQueryCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    bool SetUpSkin();
    void CreateControls();
    void ShowDemo(bool on);
    void Choose(int choice);
    void OnTimer();
    void DrawOption(const DRAWITEMSTRUCT& item) const;
    void SubclassButtonCaptions();
    static LRESULT CALLBACK CaptionProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    int demoShown = 0;
    int cancelledHere = 0;
    int refresh = 0;
    int shownChoice = 0;
    RECT m_rows[4] = {};
    HMODULE m_skinLibrary = nullptr;
    ISkinControl* m_skin = nullptr;
    CAnimatedPicture m_animation;
    HBITMAP m_option = nullptr;
    HBITMAP m_optionSelected = nullptr;
    HBITMAP m_descriptions[4] = {};
    HBITMAP m_decorations[2] = {};
    bool m_paintsCaptions = false;
};
