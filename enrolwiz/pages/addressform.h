// What the country and address pages know without a window: the installation's country
// lists, the form a country asks for, its layout, the postal-code rules, the form check and
// the record the address page submits.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// --- list files -------------------------------------------------------------------------

// The lines of a list file of the installation, trimmed, empty ones left out. The file is
// opened for reading with others allowed to read and write it; false when it cannot be.
bool ReadListLines(const std::string& path, std::vector<std::string>& lines);

// Shows the plain system message "Unable to locate the file" (what the pages do when a list
// file is missing).
void ReportMissingListFile(const std::string& path);

// Placeholders of CountryNames.lst, shown as texts 145 and 146.
constexpr const char* kChooseCountry = "-- choose country --";
constexpr const char* kOtherCountries = "-- other countries --";

// One country of the table: its name, postal-code format, form template and the code the
// account service uses for it.
struct CountryNode {
    std::string name;
    std::string postalFormat;
    std::string formTemplate;
    std::string countryCode;
};

// The countries of CountryNames.lst in display order, with what CountryList.lst,
// PostalCode.lst and USStates.lst say about them.
class CCountryTable {
public:
    // Reads the four files of `dataDir` (".\data"); `onMissing` hears the path of each file
    // that cannot be opened (the list it gives stays empty).
    void Load(const std::string& dataDir,
              const std::function<void(const std::string&)>& onMissing = ReportMissingListFile);

    const std::vector<CountryNode>& Countries() const { return m_countries; }
    const std::vector<std::string>& Names() const { return m_names; }
    const std::vector<std::string>& UsStates() const { return m_usStates; }
    // The country of that name (any case), or null.
    const CountryNode* Find(const std::string& name) const;

    // The country name PostalCode.lst gives for a service country code (any case); "" when
    // the code is unknown. Reads the file each time, quietly.
    static std::string NameOfCode(const std::string& dataDir, const std::string& code);

private:
    std::vector<std::string> m_names;
    std::vector<CountryNode> m_countries;
    std::vector<std::string> m_usStates;
};

// --- the form ---------------------------------------------------------------------------

// Field tags of the form templates.
namespace tag {
constexpr const char* Honorific = "<Honorific>";
constexpr const char* Title = "<Title>";
constexpr const char* Company = "<Company Name>";
constexpr const char* FirstName = "<First Name>";
constexpr const char* LastName = "<Last Name>";
constexpr const char* SecondName = "<Second Name>";
constexpr const char* SecondLastName = "<Second Last Name>";
constexpr const char* Address1 = "<Address 1>";
constexpr const char* Address2 = "<Address 2>";
constexpr const char* Address3 = "<Address 3>";
constexpr const char* PostalCode = "<Postal Code>";
constexpr const char* City = "<City>";
constexpr const char* State = "<State>";
constexpr const char* Province = "<Province>";
constexpr const char* Street = "<Street>";
constexpr const char* Country = "<Country>";
constexpr const char* Prefecture = "<Prefecture>";
constexpr const char* District = "<District>";
}  // namespace tag

using FormRows = std::vector<std::vector<std::string>>;

// A country's template for a private person (the company row taken out) or for a company
// (a company row after the honorific row, else after the title row).
std::string FormTemplateFor(const std::string& countryTemplate, bool company);
// Rows of tags of a template: rows at '|' (a leading one ignored), tags at '?'.
FormRows ParseFormTemplate(const std::string& formTemplate);

// The honorifics of text 123 ("Mr.|Mrs.|Miss|"); Germany is not offered the last one.
std::vector<std::string> HonorificList(const std::string& text, const std::string& country);
// The entry a received honorific selects: the entry of that text (any case), or, for a
// number, the entry at that index from 0; otherwise the first (0).
size_t HonorificIndex(const std::vector<std::string>& list, const std::string& received);

// Label text id and control id of a tag (0 when it has none). The state of the United States
// is the drop-down list 1016 instead of the edit 1027.
int TagLabelId(const std::string& fieldTag);
int TagControlId(const std::string& fieldTag, bool unitedStates);
// Every control id a tag may use, for hiding them all.
const std::vector<int>& FormControlIds();

// Where a field of the form goes (page coordinates; controls are 22 pixels high).
struct FieldPlace {
    std::string tag;
    size_t row;
    int x;
    int y;
    int width;
};
constexpr int kFieldHeight = 22;
// Lays out the rows from y 150 in steps of 26, fields from x 180 sharing 350 pixels with gaps
// of 4; a postal field with a format is as wide as (format length + 1) "W"s plus 4.
std::vector<FieldPlace> LayOutForm(const FormRows& rows, const std::string& postalFormat,
                                   int widthOfW);
// The row label: the labels of the row's fields joined by ", ".
std::string RowLabel(const std::vector<std::string>& row,
                     const std::function<std::string(int)>& text);
// A label too wide for its place is drawn as two lines, split after the last ',' within its
// first 79 characters; {label, ""} when there is no such comma.
std::pair<std::string, std::string> SplitRowLabel(const std::string& label);

// --- postal codes -----------------------------------------------------------------------

// What the postal-code edit keeps of a typed text: "N" takes a digit, "C" a non-digit, other
// format characters are inserted by themselves; the rest is dropped.
std::string FilterPostalCode(const std::string& typed, const std::string& format);
// A code of the right length: any non-empty code without a format; else the format's length
// or the place of its first ' ' or '-'.
bool PostalCodeLengthOk(const std::string& code, const std::string& format);
// Characters the postal edit takes: the format's length, 20 without one.
size_t PostalCodeLimit(const std::string& format);

// --- the form check ---------------------------------------------------------------------

// The first field of the form that is not filled in properly.
struct FormFault {
    std::string tag;      // "" when the form is fine
    bool length = false;  // the postal code has the wrong length
};
// `values` holds the text of every shown field by tag; `shown` the shown tags.
FormFault CheckForm(const std::map<std::string, std::string>& values,
                    const std::vector<std::string>& shown, const std::string& postalFormat);
// Text 125 with its "[field name]" replaced by the label (quoted for a postal-code length).
std::string FormFaultText(const std::string& text125, const std::string& label, bool length);

// --- the submission ---------------------------------------------------------------------

// What the address page sends to the account service, in the order of the record.
struct SubmissionValues {
    std::string progVer, build, coBrandedId, previousCobrandId, previousVersion, previousBuild;
    std::string honorific;  // the selection of whichever honorific list is shown
    std::string firstName, lastName, secondName, secondLastName;
    std::string address1, address2, address3, city, state, province, postalCode;
    std::string countryCode, company, osId, contactLine, displayLanguage, installDate;
    std::string customerType;
};
std::string SubmissionRecord(const SubmissionValues& v);
// The company contact line: "%s %s %s" of honorific, first and last name; "" for a private
// person.
std::string ContactLine(bool company, const std::string& honorific, const std::string& first,
                        const std::string& last);

// A detail as edited on the page and as the service last had it.
struct DetailPair {
    std::string value;
    std::string server;
};
// Whether any edited value differs from its server copy (case ignored).
bool AnyDetailDiffers(const std::vector<const DetailPair*>& details);

// Case-insensitive comparison of two texts.
bool SameText(const std::string& a, const std::string& b);
