#include "CliOutput.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <numeric>
#include <utility>

#include "Format.h"

namespace {

const std::array<const char*, COL_COUNT> g_headers = {"Source",   "Folder", "Modified", "Target",
                                                      "Folder",   "Modified", "Size"};

// Terminal columns taken by a text: one per character, one per invalid byte.
std::size_t DisplayWidth(const std::string& str) {
    std::size_t nWidth = 0;
    for (std::size_t i = 0; i < str.size();) {
        const std::size_t n = Utf8SequenceLength(str, i);
        i += n ? n : 1;
        ++nWidth;
    }
    return nWidth;
}

// The code point of the valid n-byte UTF-8 sequence at str[i].
char32_t DecodeUtf8(const std::string& str, std::size_t i, std::size_t n) {
    static const unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(str[i]) & leadMask[n];
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(str[i + k]) & 0x3F);
    return cp;
}

// Code points that print nothing or act on the terminal: C0 and C1 controls, DEL, format
// characters (soft hyphen, zero-width and direction marks, bidirectional embeddings and
// isolates, byte order mark, interlinear annotations, tags...), line and paragraph
// separators, and noncharacters.
bool IsNonPrinting(char32_t cp) {
    static constexpr std::pair<char32_t, char32_t> ranges[] = {
        {0x00, 0x1F},       {0x7F, 0x9F},       {0xAD, 0xAD},       {0x600, 0x605},
        {0x61C, 0x61C},     {0x6DD, 0x6DD},     {0x70F, 0x70F},     {0x890, 0x891},
        {0x8E2, 0x8E2},     {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x206F},   {0xFDD0, 0xFDEF},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
        {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
    };
    if ((cp & 0xFFFE) == 0xFFFE) return true;  // U+FFFE, U+FFFF and their kin in every plane
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [cp](const auto& r) { return cp >= r.first && cp <= r.second; });
}

}  // namespace

std::string EscapeTsv(const std::string& str) {
    std::string out;
    out.reserve(str.size());
    for (char c : str) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::string EscapeForTerminal(const std::string& str) {
    static const char szHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(str.size());
    for (std::size_t i = 0; i < str.size();) {
        const unsigned char c = static_cast<unsigned char>(str[i]);
        const std::size_t n = Utf8SequenceLength(str, i);
        if (c == '\t' || c == '\n' || c == '\r') {
            out += '\\';
            out += c == '\t' ? 't' : (c == '\n' ? 'n' : 'r');
        } else if (n == 0 || c < 0x20 || c == 0x7F) {
            // ASCII controls and bytes that are not UTF-8 (a lone 0x9b is a control sequence
            // introducer to an 8-bit terminal).
            out += "\\x";
            out += szHex[c >> 4];
            out += szHex[c & 15];
        } else if (const char32_t cp = DecodeUtf8(str, i, n); IsNonPrinting(cp)) {
            char sz[16];
            std::snprintf(sz, sizeof sz, "\\u{%x}", static_cast<unsigned>(cp));
            out += sz;
        } else {
            out.append(str, i, n);
        }
        i += n ? n : 1;
    }
    return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + ('a' - 'A'));
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + ('a' - 'A'));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void CRowStore::Clear() {
    *this = CRowStore();
}

// Rows of one folder come together, so the last id of each side is tried before the map.
std::uint32_t CRowStore::FolderId(const std::string& strFolder, std::uint32_t& nLast) {
    if (nLast != UINT32_MAX && m_folders[nLast] == strFolder) return nLast;
    if (const auto it = m_folderIds.find(strFolder); it != m_folderIds.end())
        return nLast = it->second;
    nLast = static_cast<std::uint32_t>(m_folders.size());
    m_folderIds.emplace(m_folders.emplace_back(strFolder), nLast);
    return nLast;
}

const char* CRowStore::KeepNames(const std::string& strSource, const std::string& strTarget) {
    constexpr std::size_t CHUNK = 1 << 20;
    const std::size_t n = strSource.size() + strTarget.size();
    if (n > m_nChunkFree) {
        const std::size_t nChunk = std::max(CHUNK, n);
        m_chunks.push_back(std::make_unique<char[]>(nChunk));
        m_pChunkNext = m_chunks.back().get();
        m_nChunkFree = nChunk;
    }
    char* p = m_pChunkNext;
    std::memcpy(p, strSource.data(), strSource.size());
    std::memcpy(p + strSource.size(), strTarget.data(), strTarget.size());
    m_pChunkNext += n;
    m_nChunkFree -= n;
    return p;
}

void CRowStore::Add(const CResultRow& row) {
    const std::string& strSource = row.m_strCells[COL_SOURCE];
    const std::string& strTarget = row.m_strCells[COL_TARGET];
    m_records.push_back(CRecord{KeepNames(strSource, strTarget),
                                static_cast<std::uint32_t>(strSource.size()),
                                static_cast<std::uint32_t>(strTarget.size()),
                                FolderId(row.m_strCells[COL_SOURCE_FOLDER], m_nLastSourceFolder),
                                FolderId(row.m_strCells[COL_TARGET_FOLDER], m_nLastTargetFolder),
                                row.m_nSize, row.m_tSource, row.m_tTarget});
    m_order.clear();
}

void CRowStore::Sort(int nColumn, bool bDescending) {
    auto sourceName = [](const CRecord& r) { return std::string_view(r.pNames, r.nSourceName); };
    auto targetName = [](const CRecord& r) {
        return std::string_view(r.pNames + r.nSourceName, r.nTargetName);
    };
    auto folders = [this](std::uint32_t a, std::uint32_t b) {
        return a == b ? 0 : CompareNoCase(m_folders[a], m_folders[b]);
    };
    auto numbers = [](auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); };
    auto compare = [&](const CRecord& a, const CRecord& b) -> int {
        switch (nColumn) {
        case COL_SOURCE: return CompareNoCase(sourceName(a), sourceName(b));
        case COL_SOURCE_FOLDER: return folders(a.nSourceFolder, b.nSourceFolder);
        case COL_SOURCE_MODIFIED: return numbers(a.tSource, b.tSource);
        case COL_TARGET: return CompareNoCase(targetName(a), targetName(b));
        case COL_TARGET_FOLDER: return folders(a.nTargetFolder, b.nTargetFolder);
        case COL_TARGET_MODIFIED: return numbers(a.tTarget, b.tTarget);
        default: return numbers(a.nSize, b.nSize);
        }
    };
    m_order.resize(m_records.size());
    std::iota(m_order.begin(), m_order.end(), std::size_t{0});
    // Equal keys keep the matcher's order in both directions.
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
        const int r = compare(m_records[a], m_records[b]);
        return bDescending ? r > 0 : r < 0;
    });
}

const std::string& CRowStore::TimeText(std::int64_t t) const {
    for (const auto& [tKept, strText] : m_times)
        if (tKept == t && !strText.empty()) return strText;
    auto& entry = m_times[m_nNextTime++ % m_times.size()];
    entry = {t, FormatFileTime(t)};
    return entry.second;
}

void CRowStore::GetRow(std::size_t i, CResultRow& row) const {
    const CRecord& r = m_records[m_order.empty() ? i : m_order[i]];
    auto& cells = row.m_strCells;
    cells[COL_SOURCE].assign(r.pNames, r.nSourceName);
    cells[COL_SOURCE_FOLDER] = m_folders[r.nSourceFolder];
    cells[COL_SOURCE_MODIFIED] = TimeText(r.tSource);
    cells[COL_TARGET].assign(r.pNames + r.nSourceName, r.nTargetName);
    cells[COL_TARGET_FOLDER] = m_folders[r.nTargetFolder];
    cells[COL_TARGET_MODIFIED] = TimeText(r.tTarget);
    cells[COL_SIZE] = FormatFileSize(r.nSize);
    row.m_strSourcePath = cells[COL_SOURCE_FOLDER];
    row.m_strSourcePath += cells[COL_SOURCE];
    row.m_strTargetPath = cells[COL_TARGET_FOLDER];
    row.m_strTargetPath += cells[COL_TARGET];
    row.m_nSize = r.nSize;
    row.m_tSource = r.tSource;
    row.m_tTarget = r.tTarget;
}

std::string TsvHeader() {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += g_headers[c];
    }
    return out + '\n';
}

std::string TsvRow(const CResultRow& row) {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += EscapeTsv(row.m_strCells[c]);
    }
    return out + '\n';
}

std::string JsonRow(const CResultRow& row) {
    return FormatResultsRow(row.m_strSourcePath, row.m_strTargetPath, row.m_nSize, row.m_tSource,
                            row.m_tTarget);
}

std::string JsonHead(const std::string& strCriterion, const std::string& strPartialKb,
                     bool bReflect) {
    return FormatResultsHead(strCriterion, strPartialKb, bReflect);
}

std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete) {
    return FormatResultsTail(nFiles, nRows, bComplete);
}

CTableWriter::CTableWriter(std::FILE* pOut) : m_pOut(pOut) {
    for (int c = 0; c < COL_COUNT; ++c) m_widths[c] = DisplayWidth(g_headers[c]);
}

void CTableWriter::Widen(const CResultRow& row) {
    for (int c = 0; c < COL_COUNT; ++c)
        m_widths[c] = std::max(m_widths[c], DisplayWidth(EscapeForTerminal(row.m_strCells[c])));
}

void CTableWriter::WriteHeader() {
    for (int c = 0; c < COL_COUNT; ++c) m_cells[c] = g_headers[c];
    WriteLine();
}

void CTableWriter::WriteRow(const CResultRow& row) {
    for (int c = 0; c < COL_COUNT; ++c) m_cells[c] = EscapeForTerminal(row.m_strCells[c]);
    WriteLine();
}

void CTableWriter::WriteLine() {
    m_strLine.clear();
    for (int c = 0; c < COL_COUNT; ++c) {
        const std::size_t nWidth = DisplayWidth(m_cells[c]);
        m_widths[c] = std::max(m_widths[c], nWidth);
        const std::size_t nPad = m_widths[c] - nWidth;
        if (c == COL_SIZE) m_strLine.append(nPad, ' ');
        m_strLine += m_cells[c];
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
