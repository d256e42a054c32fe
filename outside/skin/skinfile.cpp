// The .skn reader. The format is a handful of "key = value" lines per element; it is read here
// by hand rather than with the profile API (GetPrivateProfileString), because that API quietly
// substitutes defaults for malformed lines and unknown keys, whereas a broken skin must fail
// to load.
#include "skinfile.h"

#include "lxskin.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace lxskin {

namespace {

std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool Number(const std::string& s, int lo, int hi, int* out)
{
    if (s.empty() || s.size() > 6)
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    const int v = std::atoi(s.c_str());
    if (v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool Colour(const std::string& s, COLORREF* out)
{
    if (s.size() != 7 || s[0] != '#')
        return false;
    for (std::size_t i = 1; i < 7; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i])))
            return false;
    const unsigned long v = std::strtoul(s.c_str() + 1, nullptr, 16);
    *out = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    return true;
}

// "face, height, weight"
bool Font(const std::string& s, Style* st)
{
    const std::size_t c1 = s.find(','), c2 = c1 == std::string::npos ? c1 : s.find(',', c1 + 1);
    if (c2 == std::string::npos)
        return false;
    const std::string face = Trim(s.substr(0, c1));
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    st->fontFace = face == "*" ? std::string() : face;
    return Number(Trim(s.substr(c1 + 1, c2 - c1 - 1)), 0, 200, &st->fontHeight) &&
           Number(Trim(s.substr(c2 + 1)), 0, 1000, &st->fontWeight);
}

bool Value(Style* st, const std::string& key, const std::string& v)
{
    if (COLORREF Style::*member = ColourKey(key))
        return Colour(v, &(st->*member));
    struct {
        const char* key;
        int Style::*member;
        int hi;
    } const numbers[] = {{"frameWidth", &Style::frameWidth, 8}, {"radius", &Style::radius, 40},
                         {"band", &Style::band, 200}};
    for (const auto& n : numbers)
        if (key == n.key)
            return Number(v, 0, n.hi, &(st->*n.member));
    if (key == "font")
        return Font(v, st);
    if (key == "underline") {
        int u = 0;
        if (!Number(v, 0, 1, &u))
            return false;
        st->underline = u == 1;
        return true;
    }
    return false;
}

}  // namespace

COLORREF Style::*ColourKey(const std::string& key)
{
    struct {
        const char* key;
        COLORREF Style::*member;
    } const colours[] = {{"face", &Style::face},   {"face2", &Style::face2}, {"text", &Style::text},
                         {"frame", &Style::frame}, {"mark", &Style::mark},   {"pressed", &Style::pressed}};
    for (const auto& c : colours)
        if (key == c.key)
            return c.member;
    return nullptr;
}

bool KindOf(const std::string& element, Kind* kind)
{
    struct {
        const char* name;
        Kind kind;
    } const names[] = {
        {"Form", Kind::Form},           {"RegistrationInstallationForm", Kind::Form},
        {"Button", Kind::Button},       {"Check", Kind::Check},
        {"Radio", Kind::Radio},         {"Label", Kind::Label},
        {"Link", Kind::Link},           {"sm_MessageContainer", Kind::Container},
        {"sm_icon_exclamation", Kind::Icon}, {"sm_icon_question", Kind::Icon},
        {"sm_icon_stop", Kind::Icon},   {"sm_icon_information", Kind::Icon},
    };
    for (const auto& n : names)
        if (element == n.name) {
            *kind = n.kind;
            return true;
        }
    return false;
}

const Style* Skin::Find(const std::string& element) const
{
    for (const Style& s : elements)
        if (s.name == element)
            return &s;
    return nullptr;
}

HRESULT ParseSkin(const std::string& text, Skin* skin, int* badLine)
{
    *skin = Skin();
    *badLine = 0;
    bool inSkin = false, sawSkin = false, versionOk = false;
    Style* current = nullptr;
    std::size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        const std::string line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        ++lineNo;
        *badLine = lineNo;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.find('\0') != std::string::npos)
            return LXSKIN_E_BADFILE;
        if (line.front() == '[') {
            if (line.back() != ']')
                return LXSKIN_E_BADFILE;
            const std::string name = Trim(line.substr(1, line.size() - 2));
            inSkin = name == "Skin";
            current = nullptr;
            if (inSkin) {
                if (sawSkin)
                    return LXSKIN_E_BADFILE;
                sawSkin = true;
                continue;
            }
            Style st;
            if (!KindOf(name, &st.kind) || skin->Find(name))
                return LXSKIN_E_BADFILE;
            st.name = name;
            skin->elements.push_back(st);
            current = &skin->elements.back();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return LXSKIN_E_BADFILE;
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (inSkin) {
            if (key == "name")
                skin->name = value;
            else if (key == "version" && value == "1")
                versionOk = true;
            else
                return LXSKIN_E_BADFILE;
        } else if (!current || !Value(current, key, value)) {
            return LXSKIN_E_BADFILE;
        }
    }
    *badLine = 0;
    if (!sawSkin || !versionOk || skin->elements.empty())
        return LXSKIN_E_BADFILE;
    return S_OK;
}

HRESULT ReadSkinFile(const std::wstring& path, Skin* skin, int* badLine)
{
    *badLine = 0;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    std::string text;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart <= 1 << 20;
    if (ok) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        ok = text.empty() ||
             (ReadFile(f, &text[0], static_cast<DWORD>(text.size()), &got, nullptr) &&
              got == text.size());
    }
    CloseHandle(f);
    if (!ok)
        return LXSKIN_E_BADFILE;
    return ParseSkin(text, skin, badLine);
}

}  // namespace lxskin
