#pragma once

#include <QString>
#include <string>

// The device agent hands file names over as wide strings.
class CString
{
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    explicit CString(std::wstring text) : m_text(std::move(text)) {}
    explicit CString(const QString& text) : m_text(text.toStdWString()) {}

    const wchar_t* GetString() const { return m_text.c_str(); }
    int GetLength() const { return int(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    const std::wstring& str() const { return m_text; }

    bool operator==(const CString& other) const { return m_text == other.m_text; }

private:
    std::wstring m_text;
};

inline QString GetCString2QString(const CString& text)
{
    return QString::fromStdWString(text.str());
}
