// Cuts a text into trimmed fields at a separator (normally "|"). Every server reply and every
// ".lst" file of the wizard goes through it.
#pragma once

#include <string>
#include <vector>

class CFieldSplitter {
public:
    CFieldSplitter() = default;
    ~CFieldSplitter();

    // Splits text at separator and appends the fields to those already held. The text is
    // trimmed and given a closing separator first; two separators in a row give an empty
    // field. A first field "N.SS" with N >= 100 and exactly one dot becomes the number SS
    // (the service's "<number>.<status>" form). Returns true when any field is held.
    bool Split(const std::string& text, const std::string& separator);

    // Reads a whole list file, joins its lines and splits it at "|". A file that cannot be
    // opened is named in the error log and ends the process with exit code 0: the
    // installation is broken.
    void LoadFile(const std::string& fileName);

    unsigned GetCount() const { return static_cast<unsigned>(m_fields.size()); }
    // Copy of field index; empty text when index is not below GetCount().
    std::string GetField(unsigned index) const;
    const std::string& GetNormalisedText() const { return m_text; }

    // Removes every field and the normalised text.
    void Clear();

    // Leading and trailing white space removed (blank, tab, CR, LF, VT, FF).
    static std::string Trim(const std::string& s);

private:
    std::string m_text;
    std::vector<std::string> m_fields;
};
