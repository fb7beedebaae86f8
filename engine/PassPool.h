// Threads that run parallel passes for the matcher. Private to the engine.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs fn(i, nThread) for every i in [0, n) on the calling thread (nThread 0) and on helper
// threads (1..), which wait between passes; Run returns when every item is done. A helper
// that wakes after the caller has taken the last item is not waited for, so a busy machine
// costs a pass no more than running it alone.
class CPassPool {
public:
    explicit CPassPool(unsigned nThreads);  // the caller counts as one
    ~CPassPool();
    CPassPool(const CPassPool&) = delete;
    CPassPool& operator=(const CPassPool&) = delete;

    using FItem = std::function<void(std::size_t i, std::size_t nThread)>;
    void Run(std::size_t n, const FItem& fn);

private:
    void Help(std::size_t nThread);
    void Take(std::size_t nThread);

    std::mutex m_mutex;
    std::condition_variable m_cvWork, m_cvIdle;
    std::vector<std::thread> m_helpers;
    // The pass under way: changed under m_mutex while no helper is inside it.
    const FItem* m_pFn = nullptr;
    std::size_t m_nItems = 0, m_nChunk = 1;
    std::atomic<std::size_t> m_nNext{0};
    std::size_t m_nPass = 0;    // counts passes, so that a helper joins each at most once
    bool m_bOpen = false;       // helpers may still join the pass
    std::size_t m_nInside = 0;  // helpers working on the pass
    bool m_bStop = false;
};
