// Page 6: the address form of the chosen country, pre-filled with what the service holds,
// checked, and submitted when anything differs from the service's copy.
//
// The prefecture or district edit that some forms show stands for the province when the form
// has no province of its own (the service keeps one value there); otherwise it holds the
// district, which stays on this computer.
#pragma once

#include "addressform.h"
#include "serverpage.h"

#include <map>
#include <string>
#include <vector>

class CWizLexiRegAddr : public CServerPage {
public:
    CWizLexiRegAddr() : CServerPage(109, 181, 138) {}
    ~CWizLexiRegAddr() override;

    // Whether an edited detail differs from the service's copy (case ignored).
    static bool DetailsChanged(PersonalDetails& details);
    // The detail a form field edits (null for the honorifics, which are lists, and the
    // country); `province` tells whether the form has a province field.
    static PersonalDetail* DetailOf(PersonalDetails& details, const std::string& fieldTag,
                                    bool province);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The country lists, read the first time the page shows (a page that only skips itself
    // complains about no missing list).
    void LoadCountries();
    void BuildForm();
    void FillForm();
    // The controls' texts into the edited details; the shown fields' texts by tag.
    std::map<std::string, std::string> ReadForm();
    std::string SelectedHonorific() const;
    bool Shown(const std::string& fieldTag) const;
    bool UnitedStates() const;
    void PaintLabels(HDC dc) const;
    void Submit();
    void OnSubmissionReply(const Fields& f);

    CCountryTable m_countries;
    bool m_countriesLoaded = false;
    FormRows m_rows;
    std::vector<FieldPlace> m_places;
    std::vector<std::string> m_rowLabels;
    std::vector<std::string> m_honorifics;
    std::string lastCountry;
    int submitted = 0;
    bool m_showing = false;  // the page shows (it is not skipping itself)
    HFONT m_labelFont = nullptr;
    HWND m_countryField = nullptr;  // the country, where a form has a country row
    lxwin::GdiObject<HFONT> m_countryFont;
    static constexpr int kCountryFieldId = 1031;
};
