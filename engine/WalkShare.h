// What the walkers of one folder walk share. Private to the engine.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "FileInfo.h"

// The folders that the walkers of one walk hand each other. A cold disk answers several stats
// at once about as fast as one, so a walker gives a subfolder away whenever another waits.
class CWalkShare {
public:
    explicit CWalkShare(const FWalkError& onError) : m_onError(onError) {}
    ~CWalkShare();
    CWalkShare(const CWalkShare&) = delete;
    CWalkShare& operator=(const CWalkShare&) = delete;

    // One more walker takes part (the first is counted already), or one could not start.
    void AddWalker();
    void RemoveWalker();

    // Whether a walker waits with no folder queued for it.
    bool Hungry() const { return m_nHungry.load(std::memory_order_relaxed) > 0; }
    // Queues an open folder (ending with '/') for a waiting walker; closed at once after Stop.
    void Give(int fd, std::string strPath);
    // The next folder to walk; false once every walker waits with nothing queued, or after Stop.
    bool Take(int& fd, std::string& strPath);
    // An abort: queued folders are dropped and waiting walkers end.
    void Stop();
    // The caller's error handler hears one walker at a time.
    void Report(const std::string& strPath, int nErrno);

private:
    void UpdateHungry();  // under m_mutex

    const FWalkError& m_onError;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::pair<int, std::string>> m_queue;
    unsigned m_nWalkers = 1;
    unsigned m_nIdle = 0;
    std::atomic<int> m_nHungry{0};
    bool m_bDone = false;
};
