#include "addressform.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trimmed(const std::string& s)
{
    const char* blanks = " \t\r\n\v\f";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Pieces of a text between separators, trimmed; the empty piece after a closing separator
// is not one.
std::vector<std::string> Pieces(const std::string& text, char separator)
{
    std::vector<std::string> out;
    std::string piece;
    std::istringstream in(text);
    while (std::getline(in, piece, separator))
        out.push_back(Trimmed(piece));
    return out;
}

void ReplaceFirst(std::string& text, const std::string& what, const std::string& with)
{
    const size_t at = text.find(what);
    if (at != std::string::npos)
        text.replace(at, what.size(), with);
}

bool StartsWithNoCase(const std::string& text, const std::string& head)
{
    return text.size() >= head.size() && SameText(text.substr(0, head.size()), head);
}

}  // namespace

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// --- list files -------------------------------------------------------------------------

bool ReadListLines(const std::string& path, std::vector<std::string>& lines)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    for (const std::string& line : Pieces(bytes, '\n'))
        if (!line.empty())
            lines.push_back(line);
    return true;
}

void ReportMissingListFile(const std::string&)
{
    MessageBoxA(nullptr, "Unable to locate the file", "Lexipop", MB_OK | MB_ICONERROR);
}

void CCountryTable::Load(const std::string& dataDir,
                         const std::function<void(const std::string&)>& onMissing)
{
    m_names.clear();
    m_countries.clear();
    m_usStates.clear();
    std::vector<std::string> forms, postal, states;
    const auto read = [&](const char* file, std::vector<std::string>& lines) {
        const std::string path = dataDir + "\\" + file;
        if (!ReadListLines(path, lines) && onMissing)
            onMissing(path);
    };
    read("CountryNames.lst", m_names);
    read("CountryList.lst", forms);
    read("PostalCode.lst", postal);
    read("USStates.lst", states);

    for (const std::string& line : states)
        m_usStates.push_back(Pieces(line, '|').front());

    const std::string defaultHead = "<Country=\"Default\">";
    std::string defaultForm;
    for (const std::string& line : forms)
        if (StartsWithNoCase(line, defaultHead)) {
            defaultForm = line.substr(defaultHead.size());
            break;
        }
    for (const std::string& name : m_names) {
        CountryNode node;
        node.name = name;
        node.formTemplate = defaultForm;
        const std::string head = "<Country=\"" + name + "\">";
        for (const std::string& line : forms)
            if (StartsWithNoCase(line, head)) {
                node.formTemplate = line.substr(head.size());
                break;
            }
        for (const std::string& line : postal) {
            const std::vector<std::string> f = Pieces(line, '|');
            if (f.size() >= 2 && SameText(f[1], name)) {
                node.countryCode = f[0];
                node.postalFormat = f.size() >= 3 ? f[2] : "";
                break;
            }
        }
        m_countries.push_back(node);
    }
}

const CountryNode* CCountryTable::Find(const std::string& name) const
{
    for (const CountryNode& node : m_countries)
        if (SameText(node.name, name))
            return &node;
    return nullptr;
}

std::string CCountryTable::NameOfCode(const std::string& dataDir, const std::string& code)
{
    std::vector<std::string> postal;
    ReadListLines(dataDir + "\\PostalCode.lst", postal);
    for (const std::string& line : postal) {
        const std::vector<std::string> f = Pieces(line, '|');
        if (f.size() >= 2 && !code.empty() && SameText(f[0], code))
            return f[1];
    }
    return "";
}

// --- the form ---------------------------------------------------------------------------

std::string FormTemplateFor(const std::string& countryTemplate, bool company)
{
    std::string form = countryTemplate;
    const std::string companyRow = std::string(tag::Company) + "|";
    if (!company) {
        ReplaceFirst(form, companyRow, "");
    } else if (form.find(tag::Honorific) != std::string::npos) {
        ReplaceFirst(form, tag::Honorific, std::string(tag::Honorific) + "|" + tag::Company);
    } else {
        ReplaceFirst(form, tag::Title, std::string(tag::Title) + "|" + tag::Company);
    }
    return form;
}

FormRows ParseFormTemplate(const std::string& formTemplate)
{
    std::string text = Trimmed(formTemplate);
    if (!text.empty() && text[0] == '|')
        text.erase(0, 1);
    FormRows rows;
    for (const std::string& rowText : Pieces(text, '|')) {
        std::vector<std::string> row;
        for (const std::string& fieldTag : Pieces(rowText, '?'))
            if (!fieldTag.empty())
                row.push_back(fieldTag);
        if (!row.empty())
            rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> HonorificList(const std::string& text, const std::string& country)
{
    std::vector<std::string> list;
    for (const std::string& entry : Pieces(text, '|'))
        if (!entry.empty())
            list.push_back(entry);
    if (SameText(country, "Germany") && !list.empty())
        list.pop_back();
    return list;
}

size_t HonorificIndex(const std::vector<std::string>& list, const std::string& received)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (SameText(list[i], received))
            return i;
    if (!received.empty() && received.size() < 6 &&
        std::all_of(received.begin(), received.end(), IsDigit)) {
        const size_t index = static_cast<size_t>(std::stoul(received));
        if (index < list.size())
            return index;
    }
    return 0;
}

namespace {

struct TagInfo {
    const char* tag;
    int label;
    int control;
};
// The shared prefecture/district edit is 1028.
const TagInfo kTags[] = {
    {tag::Honorific, 104, 1014},  {tag::Title, 104, 1015},         {tag::Company, 105, 1017},
    {tag::FirstName, 106, 1018},  {tag::LastName, 107, 1019},      {tag::SecondName, 108, 1020},
    {tag::SecondLastName, 109, 1021}, {tag::Address1, 110, 1022},  {tag::Address2, 111, 1023},
    {tag::Address3, 112, 1024},   {tag::PostalCode, 113, 1025},    {tag::City, 114, 1026},
    {tag::State, 115, 1027},      {tag::Province, 117, 1029},      {tag::Street, 119, 1030},
    {tag::Country, 116, 0},       {tag::Prefecture, 122, 1028},    {tag::District, 121, 1028},
};

const TagInfo* Info(const std::string& fieldTag)
{
    for (const TagInfo& info : kTags)
        if (fieldTag == info.tag)
            return &info;
    return nullptr;
}

}  // namespace

int TagLabelId(const std::string& fieldTag)
{
    const TagInfo* info = Info(fieldTag);
    return info ? info->label : 0;
}

int TagControlId(const std::string& fieldTag, bool unitedStates)
{
    if (unitedStates && fieldTag == tag::State)
        return 1016;
    const TagInfo* info = Info(fieldTag);
    return info ? info->control : 0;
}

const std::vector<int>& FormControlIds()
{
    static const std::vector<int> ids = {1014, 1015, 1016, 1017, 1018, 1019, 1020, 1021, 1022,
                                         1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030};
    return ids;
}

std::vector<FieldPlace> LayOutForm(const FormRows& rows, const std::string& postalFormat,
                                   int widthOfW)
{
    std::vector<FieldPlace> places;
    for (size_t k = 0; k < rows.size(); ++k) {
        const std::vector<std::string>& row = rows[k];
        const int n = static_cast<int>(row.size());
        const bool postal = std::find(row.begin(), row.end(), tag::PostalCode) != row.end();
        int postalWidth = 0, otherWidth = (354 - 4 * n) / n;
        if (n > 1 && postal && !postalFormat.empty()) {
            postalWidth = widthOfW * static_cast<int>(postalFormat.size() + 1) + 4;
            otherWidth = (350 - postalWidth - 4 * (n - 1)) / (n - 1);
        }
        int x = 180;
        for (const std::string& fieldTag : row) {
            const int width = postalWidth && fieldTag == tag::PostalCode ? postalWidth : otherWidth;
            places.push_back({fieldTag, k, x, 150 + 26 * static_cast<int>(k), width});
            x += width + 4;
        }
    }
    return places;
}

std::string RowLabel(const std::vector<std::string>& row,
                     const std::function<std::string(int)>& text)
{
    std::string label;
    for (const std::string& fieldTag : row) {
        const int id = TagLabelId(fieldTag);
        if (!id)
            continue;
        if (!label.empty())
            label += ", ";
        label += text(id);
    }
    return label;
}

std::pair<std::string, std::string> SplitRowLabel(const std::string& label)
{
    const size_t comma = label.substr(0, 79).rfind(',');
    if (comma == std::string::npos)
        return {label, ""};
    return {label.substr(0, comma + 1), Trimmed(label.substr(comma + 1))};
}

// --- postal codes -----------------------------------------------------------------------

std::string FilterPostalCode(const std::string& typed, const std::string& format)
{
    std::string out;
    size_t t = 0, f = 0;
    while (t < typed.size() && f < format.size()) {
        const char c = typed[t], want = format[f];
        if (want == 'N' || want == 'C') {
            if (IsDigit(c) == (want == 'N')) {
                out += c;
                ++f;
            }
            ++t;
        } else {
            out += want;
            ++f;
        }
    }
    return out;
}

bool PostalCodeLengthOk(const std::string& code, const std::string& format)
{
    if (code.empty())
        return false;
    if (format.empty())
        return code.size() <= 20;
    const size_t shorter = format.find_first_of(" -");
    return code.size() == format.size() || (shorter != std::string::npos && code.size() == shorter);
}

size_t PostalCodeLimit(const std::string& format) { return format.empty() ? 20 : format.size(); }

// --- the form check ---------------------------------------------------------------------

FormFault CheckForm(const std::map<std::string, std::string>& values,
                    const std::vector<std::string>& shown, const std::string& postalFormat)
{
    const auto isShown = [&](const char* t) {
        return std::find(shown.begin(), shown.end(), t) != shown.end();
    };
    const auto value = [&](const char* t) {
        const auto it = values.find(t);
        return it == values.end() ? std::string() : Trimmed(it->second);
    };
    // In the order the user is told about them; the prefecture or district stands where the
    // province does.
    const char* order[] = {tag::Company, tag::FirstName, tag::LastName, tag::Address1,
                           tag::PostalCode, tag::City, tag::Province, tag::Prefecture,
                           tag::District, tag::State, tag::Street};
    for (const char* t : order) {
        if (!isShown(t))
            continue;
        if (value(t).empty())
            return {t, false};
        if (t == tag::PostalCode && !postalFormat.empty() &&
            !PostalCodeLengthOk(value(t), postalFormat))
            return {t, true};
    }
    return {};
}

std::string FormFaultText(const std::string& text125, const std::string& label, bool length)
{
    std::string text = text125;
    ReplaceFirst(text, "[field name]", length ? "\"" + label + "\"" : label);
    return text;
}

// --- the submission ---------------------------------------------------------------------

std::string SubmissionRecord(const SubmissionValues& v)
{
    std::string record = "LXK|";
    const auto add = [&](const std::string& value) { record += (value.empty() ? " " : value) + "|"; };
    for (const std::string* value :
         {&v.progVer, &v.build, &v.coBrandedId, &v.previousCobrandId, &v.previousVersion,
          &v.previousBuild, &v.honorific, &v.honorific})
        add(*value);
    add(" ");
    for (const std::string* value :
         {&v.firstName, &v.lastName, &v.secondName, &v.lastName, &v.secondLastName, &v.address1,
          &v.address2, &v.address3, &v.city, &v.state, &v.province, &v.postalCode,
          &v.countryCode, &v.company, &v.osId, &v.contactLine, &v.displayLanguage})
        add(*value);
    add(v.installDate + "0101");
    add(v.customerType);
    return record + "1|1;2;|";
}

std::string ContactLine(bool company, const std::string& honorific, const std::string& first,
                        const std::string& last)
{
    return company ? honorific + " " + first + " " + last : "";
}

bool AnyDetailDiffers(const std::vector<const DetailPair*>& details)
{
    return std::any_of(details.begin(), details.end(),
                       [](const DetailPair* d) { return !SameText(d->value, d->server); });
}
