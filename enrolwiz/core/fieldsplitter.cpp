#include "fieldsplitter.h"

#include "programlog.h"

#include <windows.h>

#include <cstdlib>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// "200.05" -> "5": a status carried behind a number of 100 or more. Anything else is kept.
std::string ApplyFirstFieldRule(const std::string& field)
{
    const auto dot = field.find('.');
    if (dot == std::string::npos || field.find('.', dot + 1) != std::string::npos)
        return field;
    if (std::atol(field.c_str()) < 100)
        return field;
    const std::string code = field.substr(dot + 1, 2);
    return std::to_string(std::atoi(code.c_str()));
}

}  // namespace

CFieldSplitter::~CFieldSplitter()
{
    Clear();
}

void CFieldSplitter::Clear()
{
    m_fields.clear();
    m_text.clear();
}

std::string CFieldSplitter::Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string CFieldSplitter::GetField(unsigned index) const
{
    return index < m_fields.size() ? m_fields[index] : std::string();
}

bool CFieldSplitter::Split(const std::string& text, const std::string& separator)
{
    if (text.empty() || separator.empty())
        return false;
    m_text = Trim(text);
    if (m_text.size() < separator.size() ||
        m_text.compare(m_text.size() - separator.size(), separator.size(), separator) != 0)
        m_text += separator;

    size_t start = 0;
    for (size_t sep; (sep = m_text.find(separator, start)) != std::string::npos;
         start = sep + separator.size()) {
        std::string field = Trim(m_text.substr(start, sep - start));
        if (start == 0)
            field = ApplyFirstFieldRule(field);
        m_fields.push_back(std::move(field));
    }
    return !m_fields.empty();
}

void CFieldSplitter::LoadFile(const std::string& fileName)
{
    HANDLE h = CreateFileA(fileName.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // The wizard cannot work without its lists: say which one is missing, then end.
        g_ErrorLog.Write("CFieldSplitter::LoadFile()", "Cannot open the list file " + fileName);
        ExitProcess(0);
    }

    std::string all;
    char buf[999];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        all.append(buf, got);
    CloseHandle(h);

    std::string joined;
    joined.reserve(all.size());
    for (char c : all)
        if (c != '\r' && c != '\n')
            joined += c;
    Split(Trim(joined), "|");
}
