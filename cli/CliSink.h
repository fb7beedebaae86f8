// Where twinex-cli's matcher writes its rows: standard output, in the chosen format.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "CliOptions.h"
#include "CliOutput.h"
#include "Console.h"
#include "SetGroups.h"

// Streams the rows as they come, save that a table holds its first TABLE_WIDTH_ROWS rows to
// size its columns; with --sort, keeps every row, compactly, until the last has come. Rows
// stop once interrupted is not 0 (Ctrl-C).
class CCliSink : public IResultSink {
public:
    CCliSink(const CCliOptions& opts, CConsole& console, const std::atomic<int>& interrupted)
        : m_opts(opts), m_console(console), m_interrupted(interrupted),
          m_bSort(opts.m_nSortColumn >= 0 && !IsGroups()) {}

    void Clear() override;
    void Append(std::vector<CResultRow>&& batch) override;
    void End() override {}

    // After the matcher: writes kept rows and closes the json text. Ctrl-C stops the rows;
    // returns false when the matcher or Ctrl-C cut the rows short.
    bool Finish(std::size_t nFiles, bool bComplete);

private:
    void WriteHead();
    void WriteRow(CResultRow&& row, std::uint32_t nSet = 0);  // nSet: json's, when known
    void StartTable();  // widths from the rows held so far, its header and those rows
    void Put(const std::string& str) { std::fwrite(str.data(), 1, str.size(), stdout); }
    bool IsGroups() const { return m_opts.m_format == FORMAT_GROUPS || m_opts.m_format == FORMAT_GROUPS0; }
    bool Interrupted() const { return m_interrupted.load(std::memory_order_relaxed) != 0; }

    const CCliOptions& m_opts;
    CConsole& m_console;
    const std::atomic<int>& m_interrupted;
    const bool m_bSort;
    bool m_bStarted = false;
    CRowStore m_store;                      // with --sort
    CCellMaker m_cells;                     // for tsv
    std::vector<CResultRow> m_head;         // a table's first rows, until its widths are known
    std::unique_ptr<CTableWriter> m_table;  // once they are
    std::size_t m_nRows = 0;
    CSetGroups m_sets;                      // json: the set of each row, in matcher order
    std::vector<std::uint32_t> m_setOfRow;  // json with --sort: by arrival
    std::unique_ptr<CGroupsWriter> m_groups;
};
