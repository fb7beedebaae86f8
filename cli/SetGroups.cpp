#include "SetGroups.h"

#include "CliText.h"

bool CSetGroups::StartsNew(const CResultRow& row) const {
    return m_nSet == 0 ||
           (!m_seen.count(row.m_strSourcePath) && !m_seen.count(row.m_strTargetPath));
}

std::uint32_t CSetGroups::Add(const CResultRow& row) {
    if (StartsNew(row)) {
        ++m_nSet;
        m_members.clear();
        m_seen.clear();
    }
    for (const std::string* pPath : {&row.m_strSourcePath, &row.m_strTargetPath})
        if (m_seen.insert(*pPath).second) m_members.push_back(*pPath);
    return m_nSet;
}

void CGroupsWriter::Add(const CResultRow& row) {
    if (m_sets.StartsNew(row) && !m_sets.Members().empty()) WriteSet();
    m_sets.Add(row);
}

void CGroupsWriter::Finish() {
    if (!m_sets.Members().empty()) WriteSet();
}

void CGroupsWriter::WriteSet() {
    for (const std::string& strPath : m_sets.Members()) {
        if (m_bNul) {
            std::fwrite(strPath.data(), 1, strPath.size(), m_pOut);
            std::fputc('\0', m_pOut);
        } else {
            const std::string strLine = EscapeForTerminal(strPath);
            std::fwrite(strLine.data(), 1, strLine.size(), m_pOut);
            std::fputc('\n', m_pOut);
        }
    }
    std::fputc(m_bNul ? '\0' : '\n', m_pOut);
}
