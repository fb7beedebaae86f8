// The settings of one search and the state its workers share with the user interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "FileInfo.h"

// Match criteria, in the order of the criteria page's buttons.
enum EMatchCriterion : int {
    MATCH_SIZE = 0,
    MATCH_CHECKSUM = 1,
    MATCH_CRC32 = 2,
    MATCH_CONTENTS = 3,
};

// What the workers are doing; the user interface says it in its own words.
enum class ESearchPhase {
    Ready,       // nothing, or done
    Collecting,  // walking the folders
    Matching,    // comparing files of equal size
};

// One row of the folder list: folder path (ends with '/'), masks separated by ';',
// "Yes" (any letter case) to search subfolders. A reference folder's files are matched like
// any other but never removed, and a set found only in reference folders is not listed.
struct CFolderRow {
    std::string strFolder;
    std::string strMasks = "*.*";
    std::string strSubdir = "Yes";
    bool bReference = false;
};

// The distinct absolute folders of the rows, in their order, each ending with '/'.
std::vector<std::string> SearchedFolders(const std::vector<CFolderRow>& rows);

// A snapshot of the settings, taken on the user-interface thread when a worker starts.
struct CSearchSettings {
    std::vector<CFolderRow> rows;
    int m_nCriterion = MATCH_CRC32;
    int m_bReflect = 1;
    std::string m_strPartial = "64";  // kilobytes as typed; 0 means whole files
    // Files outside [m_nMinSize, m_nMaxSize] bytes are left out of matching. Empty files match
    // each other only while the minimum is 0.
    std::uint64_t m_nMinSize = 0;
    std::uint64_t m_nMaxSize = UINT64_MAX;
    // Whether the matcher keeps what it computes for the next search, and where (empty: the
    // default place, CHashCache::DefaultPath()).
    bool m_bUseCache = false;
    std::string m_strCachePath;

    // The partial-compare size in bytes: the first line (20 characters at most) read like
    // atoi, times 1024, in 64 bits. Negative numbers give 0 (whole files); huge ones saturate.
    std::uint64_t GetPartialBytes() const;
};

// A duplicate pair; both point into CSearchState::m_files and are valid while it is not changed.
struct MatchPair {
    const CFileInfo* pSource = nullptr;
    const CFileInfo* pTarget = nullptr;
};

// What the workers and the user interface share during a search. Flags hold 0 or 1.
// m_files and m_matches are written by the running worker only; the other side reads
// their sizes through m_files.GetSize() and m_nMatches.
// A file the matcher could not read: its path, and the errno value (0: it is no longer a
// regular file of the size it had when collected).
struct CUnreadableFile {
    std::string strPath;
    int nErrno = 0;
};

struct CSearchState {
    CFileInfoArray m_files;
    std::vector<MatchPair> m_matches;
    // Files left out of the last match because they could not be read, in array order.
    std::vector<CUnreadableFile> m_unreadable;
    // Why the last match could not use its hash cache (or had to start a new one), said once;
    // empty when all went well. Written by the matching worker, read after its end.
    std::string m_strCacheProblem;
    std::atomic<std::size_t> m_nMatches{0};
    std::atomic<int> m_bBusy{0};
    // The one stop request: set by the owner, read by the workers at every folder and read
    // buffer. Whether the user asked for it is the owner's business.
    std::atomic<int> m_bAbort{0};
    std::atomic<int> m_bCollecting{0};
    std::atomic<int> m_bMatching{0};
    std::atomic<std::int64_t> m_nProgressPos{0};
    std::atomic<std::int64_t> m_nProgressMax{0};
    // The matcher's progress in bytes: bytes of candidate files settled so far (read, or no
    // longer needed because a cheaper stage told them apart) and in all. Done reaches total
    // when a match runs to its end; both advance while a large file is read.
    std::atomic<std::uint64_t> m_nBytesDone{0};
    std::atomic<std::uint64_t> m_nBytesTotal{0};

    // Clears the flags, the stop request and the counters, as a fresh start of a search does.
    void ResetFlags();
};

// 1 when a folder row was added since the last match that ran to its end; while 0, a new
// search matches the earlier collection again. User-interface thread only.
extern int g_bFolderListChanged;
// Files collected by the last search that finished without cancel. User-interface thread only.
extern int g_nCollectedFiles;
