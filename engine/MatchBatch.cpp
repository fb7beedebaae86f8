// The batch of runs the matcher's stages share: its candidates, reads and progress.

#include "MatchBatch.h"

#include <sys/stat.h>

#include <algorithm>

#include "SearchState.h"

CCacheStamp StampOf(const struct stat& st) {
    auto ns = [](const timespec& ts) { return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec; };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

CBatch::CBatch(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
               const std::atomic<int>* pAbort, const CMatchTuning& tuning, CPassPool& pool,
               std::deque<CReader>& readers, CKeptBytes& kept,
               std::atomic<std::uint64_t>* pBytesDone)
    : m_files(files),
      m_nCriterion(nCriterion),
      m_nLimit(nLimit),
      m_pAbort(pAbort),
      m_tuning(tuning),
      m_kept(kept),
      m_pCache(tuning.m_pCache && tuning.m_pCache->IsUsable() ? tuning.m_pCache : nullptr),
      m_pool(pool),
      m_readers(readers),
      m_pBytesDone(pBytesDone) {
    m_kept.m_nUsed = 0;
}

std::vector<std::size_t> CBatch::AddRun(std::size_t nBegin, std::size_t nEnd) {
    std::vector<std::size_t> set;
    const std::uint64_t nSize = m_files[nBegin].GetLength();
    const std::uint64_t nSpan = (m_nLimit != 0 && m_nLimit <= nSize) ? m_nLimit : nSize;
    for (std::size_t i = nBegin; i < nEnd; ++i) {
        CCandidate c;
        c.m_nIndex = i;
        c.m_nSpan = nSpan;
        const std::uint64_t nFirst = FirstRead(c);
        c.m_bWhole = nFirst == nSpan;
        // Short spans under Contents are compared where the first read put them, while they fit.
        if (m_nCriterion == MATCH_CONTENTS && c.m_bWhole &&
            m_kept.m_nUsed + nFirst <= m_kept.m_nCapacity) {
            c.m_nKept = m_kept.m_nUsed;
            m_kept.m_nUsed += static_cast<std::size_t>(nFirst);
        }
        m_nFirstReadBytes += nFirst;
        set.push_back(m_candidates.size());
        m_candidates.push_back(c);
    }
    return set;
}

std::uint64_t CBatch::FirstRead(const CCandidate& c) const {
    if (c.m_nSpan <= m_tuning.m_nWholeReadMax) return c.m_nSpan;
    return std::min<std::uint64_t>(c.m_nSpan, m_tuning.m_nEdgeBlock);
}

void CBatch::Settle() {
    std::uint64_t nRest = 0;
    for (CCandidate& c : m_candidates) {
        if (c.m_nCounted < c.m_nSpan) nRest += c.m_nSpan - c.m_nCounted;
        c.m_nCounted = c.m_nSpan;
    }
    if (m_pBytesDone && nRest) m_pBytesDone->fetch_add(nRest, std::memory_order_relaxed);
}

void CBatch::ForEach(std::size_t n, const std::function<void(std::size_t, CReader&)>& fn) {
    m_pool.Run(n, [&](std::size_t i, std::size_t nThread) {
        if (!Aborted()) fn(i, m_readers[nThread]);
    });
}

void CBatch::Read(CCandidate& c, std::uint64_t nOffset, std::size_t nLength) {
    if (nLength && m_tuning.m_onRead) m_tuning.m_onRead(File(c), nOffset, nLength);
    // A file read more than once (the first block, then its whole span) counts once.
    const std::uint64_t n = std::min<std::uint64_t>(nLength, c.m_nSpan - c.m_nCounted);
    c.m_nCounted += n;
    if (m_pBytesDone && n) m_pBytesDone->fetch_add(n, std::memory_order_relaxed);
}

int CBatch::Open(CReader& reader, const CCandidate& c) {
    // A file the cache did not know gets its stamp from this open, taken before it is read.
    CCacheSlot* pSlot = m_cache.empty() ? nullptr : &m_cache[static_cast<std::size_t>(&c - m_candidates.data())];
    struct stat st {};
    const bool bStamp = pSlot && !pSlot->m_bStamped;
    const int fd = reader.m_folders.Open(File(c), bStamp ? &st : nullptr);
    if (fd >= 0 && bStamp) {
        pSlot->m_stamp = StampOf(st);
        pSlot->m_bStamped = true;
    }
    if (fd >= 0 && m_tuning.m_onOpened) m_tuning.m_onOpened(File(c));
    return fd;
}

void CBatch::Unreadable(CReader& reader, CCandidate& c, int nErrno) const {
    c.m_bReadable = false;
    if (!Aborted()) reader.m_folders.Unreadable(File(c), nErrno);
}
