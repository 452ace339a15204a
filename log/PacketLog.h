// One log entry: the file it belongs to and its text, both narrow strings in the ANSI code page.
#pragma once
#include <string>

class CObjectBase {
public:
    virtual ~CObjectBase() = default;
};

class CPacketLog : public CObjectBase {
public:
    CPacketLog() = default;
    CPacketLog(const CPacketLog&) = default;
    CPacketLog& operator=(const CPacketLog&) = default;

    void SetFileName(std::string name) { m_strFileName = std::move(name); }
    void SetText(std::string text) { m_strText = std::move(text); }
    std::string GetFileName() const { return m_strFileName; }
    std::string GetText() const { return m_strText; }

private:
    std::string m_strFileName;
    std::string m_strText;
};
