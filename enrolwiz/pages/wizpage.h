// What every wizard page does: it is made from a template of the language module, holds the
// shared context, and when it is entered sizes itself, titles the sheet, shows the buttons it
// wants and then shows itself or skips in the direction of travel. Next and Back set
// `goingBack`; Cancel follows the common rule (complete anonymously) unless a page says else.
#pragma once

#include "lxwin.h"
#include "wizardcontext.h"

#include <string>

class CWizPage : public lxwin::PropPage {
public:
    // Page size in pixels.
    static constexpr int kWidth = 558;
    static constexpr int kHeight = 392;

    // Buttons a page shows when entered (the others are hidden).
    enum Buttons : unsigned {
        kBack = 1,
        kNext = 2,
        kCancel = 4,
        kNextDisabled = 8,  // Next shown but not enabled
    };

    CWizPage(int templateId, UINT titleId);
    ~CWizPage() override;

    // Given by the sheet before it is created.
    void Attach(CWizardContext& context);

    CWizardContext& Context() const { return *m_context; }
    WizardData& Data() const { return m_context->data; }
    UINT TitleId() const { return m_titleId; }

protected:
    // Answers of the Next and Back handlers.
    static constexpr LRESULT kGoOn = 0;
    static constexpr LRESULT kStay = -1;

    // Sizes the page at the sheet's client origin, sets the sheet title to the page's title
    // text and shows, hides and enables the sheet's buttons.
    void Enter(unsigned buttons);
    // Skips the page in the direction of travel: runs the page's own Back handler when the
    // user goes back, its Next handler otherwise, and answers PSN_SETACTIVE's refusal.
    LRESULT Skip();
    LRESULT SkipForward();
    LRESULT SkipBack();

    std::string GetText(UINT id) const { return m_context->GetText(id); }
    int ShowText(UINT id, UINT style) const { return m_context->ShowText(id, style); }

    // The window's size at the sheet's client origin (the page's layout rule).
    void Place() const;
    // Draws a bitmap of the language module at the page origin at its natural size; false
    // when the module has no such bitmap.
    bool PaintBackground(HDC dc, HBITMAP bitmap) const;
    // A bitmap of the language module (null when missing); the caller owns it.
    static HBITMAP LoadModuleBitmap(UINT id);

    // The page's background picture (a bitmap of the language module, owned by the page),
    // drawn at the page origin whenever the page is erased; null: the plain background.
    void SetBackground(UINT bitmapId);
    virtual HBITMAP Background() const { return m_background; }

    BOOL OnInitDialog() override;
    // Draws the background picture on WM_ERASEBKGND, and the labels transparent over it.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    // The common cancel rule; the wizard is never cancelled.
    bool OnQueryCancel() override;

    int useBuiltinStrings = 0;

private:
    // Labels of a Vietnamese language module get the font that draws their bytes.
    void UseVietnameseLabelFont();

    CWizardContext* m_context = nullptr;
    UINT m_titleId;
    HBITMAP m_background = nullptr;
    lxwin::GdiObject<HFONT> m_labelFont;
};
