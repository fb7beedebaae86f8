// The batch of runs that the matcher's stages work on, and what its reading threads keep.
// Private to the engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "FileHash.h"
#include "FolderFds.h"
#include "HashCache.h"
#include "MatchTuning.h"
#include "PassPool.h"

// A reading thread's own things, kept from pass to pass.
struct CReader {
    CReader(std::size_t nFolders, EHashKind nKind) : m_folders(nFolders), m_hasher(nKind) {}
    CFolderFds m_folders;
    CHasher m_hasher;  // the criterion's
    std::vector<char> m_buffer;
};

// One file of a batch, and what the stages learned of it.
struct CCandidate {
    static constexpr std::size_t NOT_KEPT = std::numeric_limits<std::size_t>::max();
    std::size_t m_nIndex = 0;           // in the file array
    std::uint64_t m_nSpan = 0;          // bytes compared
    std::uint64_t m_nCounted = 0;       // bytes of it counted as done
    std::uint64_t m_nKey = 0;           // the hash of the last block stage
    std::uint64_t m_nCriterionKey = 0;  // checksum or CRC, when the first read had the whole span
    std::size_t m_nKept = NOT_KEPT;     // Contents: its whole span in CBatch::m_kept
    bool m_bWhole = false;              // the first read had the whole span
    bool m_bReadable = true;
};

struct stat;

// What the hash cache knows of one candidate, and what this search learned of it.
struct CCacheSlot {
    CCacheStamp m_stamp;
    CCachedHashes m_hashes;
    bool m_bStamped = false;  // stamp taken, of the collected size: the values may be used
    bool m_bLearned = false;  // a value was added: to be written back
    std::uint64_t m_nFolder = 0;  // the cache's key of the file's folder
};

// The stamp of a file's status.
CCacheStamp StampOf(const struct stat& st);

// Room for the short spans that Contents compares in memory: allocated once per search and
// reused from batch to batch, so that its pages are faulted in once and never cleared.
struct CKeptBytes {
    std::unique_ptr<char[]> m_p;
    std::size_t m_nCapacity = 0;
    std::size_t m_nUsed = 0;
};

// Sets of positions in CBatch::m_candidates, ascending, all of one run.
using CSets = std::vector<std::vector<std::size_t>>;

// The runs of one batch and what their stages share. Reading goes in parallel passes, each
// candidate or set on one thread with that thread's reader.
class CBatch {
public:
    CBatch(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
           const std::atomic<int>* pAbort, const CMatchTuning& tuning, CPassPool& pool,
           std::deque<CReader>& readers, CKeptBytes& kept, std::atomic<std::uint64_t>* pBytesDone);

    // Takes the files [nBegin, nEnd) of one run as candidates; returns them as one set.
    std::vector<std::size_t> AddRun(std::size_t nBegin, std::size_t nEnd);
    // The first read of a candidate: the whole span when short, else the first block.
    std::uint64_t FirstRead(const CCandidate& c) const;
    std::size_t GetCount() const { return m_candidates.size(); }
    std::uint64_t GetFirstReadBytes() const { return m_nFirstReadBytes; }
    // Counts the rest of every candidate as done: the batch is settled.
    void Settle();

    bool Aborted() const { return m_pAbort && m_pAbort->load(std::memory_order_relaxed) != 0; }
    // Runs fn(i, reader) for every i in [0, n) on the readers' threads; returns when all are done.
    void ForEach(std::size_t n, const std::function<void(std::size_t, CReader&)>& fn);
    const CFileInfo& File(const CCandidate& c) const { return m_files[c.m_nIndex]; }
    // Told of nLength bytes of c read at nOffset: counted for progress and for the tests.
    void Read(CCandidate& c, std::uint64_t nOffset, std::size_t nLength);
    int Open(CReader& reader, const CCandidate& c);
    // A candidate that could not be read joins no set.
    void Unreadable(CReader& reader, CCandidate& c, int nErrno) const;

    const CFileInfoArray& m_files;
    const int m_nCriterion;
    const std::uint64_t m_nLimit;
    const std::atomic<int>* m_pAbort;
    const CMatchTuning& m_tuning;
    std::vector<CCandidate> m_candidates;
    CKeptBytes& m_kept;  // Contents: short spans, read once, compared here
    // The hash cache, when one is used: one slot per candidate, filled before the first stage.
    CHashCache* const m_pCache;
    std::vector<CCacheSlot> m_cache;
    std::int64_t m_nStampedNs = 0;  // when the stamps were taken

private:
    CPassPool& m_pool;
    std::deque<CReader>& m_readers;  // one per thread of the pool
    std::atomic<std::uint64_t>* m_pBytesDone;
    std::uint64_t m_nFirstReadBytes = 0;
};
