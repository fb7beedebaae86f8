// A result row as the list keeps it.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

#include "ResultRow.h"

// One duplicate pair as the list keeps it: the engine's plain record, with what the list adds.
// The seven cell texts are derived when they are shown, which keeps a million rows small.
struct CResultItem : CResultRow {
    mutable std::int32_t m_nIcon = -1;  // file icon index, looked up when first shown
    std::uint32_t m_nItemData = 0;

    CResultItem() = default;
    explicit CResultItem(CResultRow&& row) : CResultRow(std::move(row)) {}

    // Name: the bytes after the last '/'. Folder: the bytes up to and including it.
    std::string_view GetSourceName() const { return NameOf(m_strSourcePath); }
    std::string_view GetSourceFolder() const { return FolderOf(m_strSourcePath); }
    std::string_view GetTargetName() const { return NameOf(m_strTargetPath); }
    std::string_view GetTargetFolder() const { return FolderOf(m_strTargetPath); }
    // The name or folder shown in nColumn; empty for the other columns.
    std::string_view GetPathCell(int nColumn) const {
        switch (nColumn) {
        case COL_SOURCE: return GetSourceName();
        case COL_SOURCE_FOLDER: return GetSourceFolder();
        case COL_TARGET: return GetTargetName();
        case COL_TARGET_FOLDER: return GetTargetFolder();
        default: return {};
        }
    }
};
