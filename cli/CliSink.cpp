#include "CliSink.h"

void CCliSink::Clear() {
    m_console.EndProgress();
    m_store.Clear();
    m_head.clear();
    m_table.reset();
    m_nRows = 0;
    m_sets = {};
    m_setOfRow.clear();
    if (IsGroups()) m_groups = std::make_unique<CGroupsWriter>(stdout, m_opts.m_format == FORMAT_GROUPS0);
    m_bStarted = true;
    WriteHead();
}

void CCliSink::Append(std::vector<CResultRow>&& batch) {
    if (m_bSort) {
        for (const CResultRow& row : batch) {
            m_store.Add(row);
            if (m_opts.m_format == FORMAT_JSON) m_setOfRow.push_back(m_sets.Add(row));
        }
        return;
    }
    for (CResultRow& row : batch) {
        if (Interrupted()) return;
        WriteRow(std::move(row));
    }
}

bool CCliSink::Finish(std::size_t nFiles, bool bComplete) {
    if (m_bStarted && m_bSort) {
        m_store.Sort(m_opts.m_nSortColumn, m_opts.m_bDescending);
        if (m_opts.m_format == FORMAT_TABLE) {
            WriteTable(stdout, m_store, [this] { return Interrupted(); });
        } else {
            CResultRow row;
            for (std::size_t i = 0; i < m_store.GetCount() && !Interrupted(); ++i) {
                m_store.GetRow(i, row);
                WriteRow(std::move(row), m_setOfRow.empty() ? 0 : m_setOfRow[m_store.GetArrivalIndex(i)]);
            }
        }
    }
    if (m_bStarted && m_opts.m_format == FORMAT_TABLE && !m_bSort && !m_table) StartTable();
    if (m_groups) m_groups->Finish();
    bComplete = bComplete && !Interrupted();
    if (m_bStarted && m_opts.m_format == FORMAT_JSON)
        Put((m_nRows ? "\n" : "") + JsonTail(nFiles, m_nRows, bComplete));
    return bComplete;
}

void CCliSink::WriteHead() {
    if (m_opts.m_format == FORMAT_TSV)
        Put(TsvHeader());
    else if (m_opts.m_format == FORMAT_JSON)
        Put(JsonHead(m_opts.m_nCriterion, m_opts.m_strPartial, m_opts.m_bReflect != 0,
                     SearchedFolders(m_opts.rows)));
}

void CCliSink::WriteRow(CResultRow&& row, std::uint32_t nSet) {
    if (m_groups) {
        m_groups->Add(row);
    } else if (m_opts.m_format == FORMAT_TSV) {
        Put(TsvRow(m_cells.Make(row)));
    } else if (m_opts.m_format == FORMAT_JSON) {
        Put((m_nRows ? ",\n" : "\n") + JsonRow(row, nSet ? nSet : m_sets.Add(row)));
    } else if (m_table) {
        m_table->WriteRow(row);
    } else {
        m_head.push_back(std::move(row));
        if (m_head.size() == TABLE_WIDTH_ROWS) StartTable();
    }
    ++m_nRows;
}

void CCliSink::StartTable() {
    m_table = std::make_unique<CTableWriter>(stdout);
    for (const CResultRow& row : m_head) m_table->Widen(row);
    m_table->WriteHeader();
    for (const CResultRow& row : m_head) {
        if (Interrupted()) break;
        m_table->WriteRow(row);
    }
    m_head = {};
}
