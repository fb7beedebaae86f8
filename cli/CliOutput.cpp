#include "CliOutput.h"

#include <algorithm>

#include "Criterion.h"
#include "Format.h"

namespace {

constexpr std::array<const char*, COL_COUNT> HEADERS = {"Source", "Folder",   "Modified", "Target",
                                                        "Folder", "Modified", "Size"};

}  // namespace

const std::string& CCellMaker::TimeText(std::int64_t t) {
    for (const auto& [tKept, strText] : m_times)
        if (tKept == t && !strText.empty()) return strText;
    auto& entry = m_times[m_nNextTime++ % m_times.size()];
    entry = {t, FormatFileTime(t)};
    return entry.second;
}

const CRowCells& CCellMaker::Make(const CResultRow& row) {
    m_cells[COL_SOURCE] = NameOf(row.m_strSourcePath);
    m_cells[COL_SOURCE_FOLDER] = FolderOf(row.m_strSourcePath);
    m_cells[COL_SOURCE_MODIFIED] = TimeText(row.m_tSource);
    m_cells[COL_TARGET] = NameOf(row.m_strTargetPath);
    m_cells[COL_TARGET_FOLDER] = FolderOf(row.m_strTargetPath);
    m_cells[COL_TARGET_MODIFIED] = TimeText(row.m_tTarget);
    m_cells[COL_SIZE] = FormatFileSize(row.m_nSize);
    return m_cells;
}

std::string TsvHeader() {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += HEADERS[c];
    }
    return out + '\n';
}

std::string TsvRow(const CRowCells& cells) {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += EscapeTsv(cells[c]);
    }
    return out + '\n';
}

std::string JsonRow(const CResultRow& row, std::uint32_t nSet) {
    std::string strRow = FormatResultsRow(row);
    if (nSet) strRow.insert(strRow.size() - 1, ",\"set\":" + std::to_string(nSet));
    return strRow;
}

std::string JsonHead(int nCriterion, const std::string& strPartialKb, bool bReflect,
                     const std::vector<std::string>& folders) {
    return FormatResultsHead(std::string(CriterionName(nCriterion)), strPartialKb, bReflect, folders);
}

std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete) {
    return FormatResultsTail(nFiles, nRows, bComplete);
}

CTableWriter::CTableWriter(std::FILE* pOut) : m_pOut(pOut) {
    for (int c = 0; c < COL_COUNT; ++c) m_widths[c] = DisplayWidth(HEADERS[c]);
}

void CTableWriter::Escape(const CResultRow& row) {
    const CRowCells& cells = m_cells.Make(row);
    for (int c = 0; c < COL_COUNT; ++c) m_escaped[c] = EscapeForTerminal(cells[c]);
}

void CTableWriter::Widen(const CResultRow& row) {
    Escape(row);
    for (int c = 0; c < COL_COUNT; ++c) m_widths[c] = std::max(m_widths[c], DisplayWidth(m_escaped[c]));
}

void CTableWriter::WriteHeader() {
    for (int c = 0; c < COL_COUNT; ++c) m_escaped[c] = HEADERS[c];
    WriteLine();
}

void CTableWriter::WriteRow(const CResultRow& row) {
    Escape(row);
    WriteLine();
}

void CTableWriter::WriteLine() {
    m_strLine.clear();
    for (int c = 0; c < COL_COUNT; ++c) {
        const std::size_t nWidth = DisplayWidth(m_escaped[c]);
        m_widths[c] = std::max(m_widths[c], nWidth);
        const std::size_t nPad = m_widths[c] - nWidth;
        if (c == COL_SIZE) m_strLine.append(nPad, ' ');
        m_strLine += m_escaped[c];
        if (c + 1 < COL_COUNT) m_strLine.append(nPad + 2, ' ');
    }
    m_strLine += '\n';
    std::fwrite(m_strLine.data(), 1, m_strLine.size(), m_pOut);
}

void WriteTable(std::FILE* pOut, const CRowStore& rows, const std::function<bool()>& stop) {
    CTableWriter table(pOut);
    CResultRow row;
    for (std::size_t i = 0; i < rows.GetCount(); ++i) {
        rows.GetRow(i, row);
        table.Widen(row);
    }
    table.WriteHeader();
    for (std::size_t i = 0; i < rows.GetCount(); ++i) {
        if (stop && stop()) break;
        rows.GetRow(i, row);
        table.WriteRow(row);
    }
}
