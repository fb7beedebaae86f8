// The result rows as duplicate sets, for the sets view and the space line: which files form
// each set, the one kept under Keep Newest, and what removing the others frees. No Qt, no
// copies of paths: a file is known by the first row that names it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

// What the sets need of a row.
struct CSetTableRow {
    std::string_view strSource;
    std::string_view strTarget;
    std::uint64_t nSize = 0;
    std::int64_t tSource = 0;
    std::int64_t tTarget = 0;
    bool bSourceReference = false;
    bool bTargetReference = false;
    // Replaced with a link to (or a clone of) the copy that stays.
    bool bSourceLinked = false;
    bool bTargetLinked = false;
};

struct CSetSummary {
    std::uint64_t nSets = 0;
    std::uint64_t nExtraCopies = 0;
    std::uint64_t nBytesToFree = 0;
};

class CSetTable {
public:
    static constexpr std::uint32_t NONE = UINT32_MAX;

    // Groups the files of rows 0..nRows-1 (the chains the rows form) into sets. Sets number in
    // order of their first row; within a set the files come in the keep order (KeepsBefore,
    // Keep Newest), so the first is the one that stays. A file's time, reference and link
    // marks are those of the first row naming it, as Select Extra Copies takes them.
    // Linear in the rows, plus the sort within each set. User-interface thread or any other.
    // fnGone, when given, is asked about each file that is the source of no row: one that is
    // gone (deleted as the source of other rows) is left out of its set, and a set left with
    // one file is no longer a set of duplicates.
    void Build(std::size_t nRows, const std::function<CSetTableRow(std::size_t)>& fnRow,
               const std::function<bool(std::string_view)>& fnGone = {});
    void Clear();
    // The same rows in a new order: row i is now newRow[i]. Linear in the rows.
    void Renumber(const std::vector<int>& newRow);

    std::size_t GetRowCount() const { return m_rowFile.size(); }
    std::uint32_t GetFileCount() const { return static_cast<std::uint32_t>(m_fileRow.size()); }
    std::uint32_t GetSetCount() const { return static_cast<std::uint32_t>(m_setSize.size()); }

    // The files of a set, the kept one first. Fewer than two: not a set of duplicates now.
    std::span<const std::uint32_t> GetSetFiles(std::uint32_t nSet) const {
        return Slice(m_setFiles, m_setStart, nSet);
    }
    std::uint64_t GetSetSize(std::uint32_t nSet) const { return m_setSize[nSet]; }
    // The files Keep Newest would select: all but the kept one, the reference files and the
    // linked files (a link frees nothing more); none when the files are empty, since removing
    // them frees nothing.
    std::uint32_t GetSetExtras(std::uint32_t nSet) const { return m_setExtras[nSet]; }
    std::uint64_t GetSetBytesToFree(std::uint32_t nSet) const {
        return m_setExtras[nSet] * m_setSize[nSet];
    }

    std::uint32_t GetFileSet(std::uint32_t nFile) const { return m_fileSet[nFile]; }
    // A row naming the file (the first, in the order the table was built in), and whether it
    // names it as its target.
    std::uint32_t GetFileRow(std::uint32_t nFile) const { return m_fileRow[nFile]; }
    bool IsFileTarget(std::uint32_t nFile) const { return m_fileFlags[nFile] & FILE_TARGET; }
    bool IsFileReference(std::uint32_t nFile) const { return m_fileFlags[nFile] & FILE_REFERENCE; }
    bool IsFileLinked(std::uint32_t nFile) const { return m_fileFlags[nFile] & FILE_LINKED; }
    // The rows whose source is the file, ascending; none for a file only ever a target.
    std::span<const std::uint32_t> GetFileRows(std::uint32_t nFile) const {
        return Slice(m_fileRows, m_fileRowStart, nFile);
    }
    std::uint32_t GetRowFile(std::size_t nRow) const { return m_rowFile[nRow]; }

    CSetSummary GetSummary() const;

private:
    enum : std::uint8_t { FILE_TARGET = 1, FILE_REFERENCE = 2, FILE_LINKED = 4 };

    static std::span<const std::uint32_t> Slice(const std::vector<std::uint32_t>& items,
                                                const std::vector<std::uint32_t>& start,
                                                std::uint32_t n) {
        return {items.data() + start[n], items.data() + start[n + 1]};
    }

    std::vector<std::uint32_t> m_rowFile;       // by row: its source's file
    std::vector<std::uint32_t> m_fileRow;       // by file: the first row naming it
    std::vector<std::uint8_t> m_fileFlags;      // by file
    std::vector<std::uint32_t> m_fileSet;       // by file
    std::vector<std::uint32_t> m_fileRowStart;  // by file, one more: where its rows start
    std::vector<std::uint32_t> m_fileRows;      // rows grouped by source file
    std::vector<std::uint32_t> m_setStart;      // by set, one more: where its files start
    std::vector<std::uint32_t> m_setFiles;      // files grouped by set, in keep order
    std::vector<std::uint64_t> m_setSize;       // by set: bytes of one copy
    std::vector<std::uint32_t> m_setExtras;     // by set
};
