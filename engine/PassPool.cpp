// Parallel passes: helpers wait for a pass, take items a few at a time, and leave.

#include "PassPool.h"

#include <algorithm>
#include <system_error>

CPassPool::CPassPool(unsigned nThreads) {
    for (unsigned t = 1; t < nThreads; ++t) {
        try {
            m_helpers.emplace_back(&CPassPool::Help, this, static_cast<std::size_t>(t));
        } catch (const std::system_error&) {
            break;  // fewer threads do the same work
        }
    }
}

CPassPool::~CPassPool() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cvWork.notify_all();
    for (std::thread& t : m_helpers) t.join();
}

void CPassPool::Run(std::size_t n, const FItem& fn) {
    if (n == 0) return;
    const std::size_t nThreads = m_helpers.size() + 1;
    {
        std::lock_guard lock(m_mutex);
        m_pFn = &fn;
        m_nItems = n;
        // Items are taken a few at a time: neighbours written by two threads share cache lines.
        m_nChunk = std::clamp<std::size_t>(n / (8 * nThreads), 1, 32);
        m_nNext = 0;
        ++m_nPass;
        m_bOpen = n > 1 && !m_helpers.empty();
    }
    if (n > 1) m_cvWork.notify_all();
    Take(0);
    std::unique_lock lock(m_mutex);
    m_bOpen = false;  // late helpers stay out
    m_cvIdle.wait(lock, [&] { return m_nInside == 0; });
    m_pFn = nullptr;
}

void CPassPool::Take(std::size_t nThread) {
    for (std::size_t i; (i = m_nNext.fetch_add(m_nChunk, std::memory_order_relaxed)) < m_nItems;)
        for (std::size_t k = i; k < std::min(m_nItems, i + m_nChunk); ++k) (*m_pFn)(k, nThread);
}

void CPassPool::Help(std::size_t nThread) {
    std::size_t nDone = 0;  // the last pass this helper joined
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cvWork.wait(lock, [&] { return m_bStop || (m_bOpen && m_nPass != nDone); });
        if (m_bStop) return;
        nDone = m_nPass;
        ++m_nInside;
        lock.unlock();
        Take(nThread);
        lock.lock();
        if (--m_nInside == 0) m_cvIdle.notify_all();
    }
}
