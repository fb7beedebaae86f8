#include "WalkShare.h"

#include <unistd.h>

CWalkShare::~CWalkShare() {
    for (auto& [fd, strPath] : m_queue) ::close(fd);
}

void CWalkShare::AddWalker() {
    std::lock_guard lock(m_mutex);
    ++m_nWalkers;
}

void CWalkShare::RemoveWalker() {
    std::lock_guard lock(m_mutex);
    --m_nWalkers;
    if (m_nIdle == m_nWalkers && m_queue.empty()) {
        m_bDone = true;
        m_cv.notify_all();
    }
}

void CWalkShare::UpdateHungry() {
    m_nHungry.store(static_cast<int>(m_nIdle) - static_cast<int>(m_queue.size()),
                    std::memory_order_relaxed);
}

void CWalkShare::Give(int fd, std::string strPath) {
    std::lock_guard lock(m_mutex);
    if (m_bDone) {
        ::close(fd);
        return;
    }
    m_queue.emplace_back(fd, std::move(strPath));
    UpdateHungry();
    m_cv.notify_one();
}

bool CWalkShare::Take(int& fd, std::string& strPath) {
    std::unique_lock lock(m_mutex);
    ++m_nIdle;
    UpdateHungry();
    while (!m_bDone && m_queue.empty()) {
        if (m_nIdle == m_nWalkers) {
            m_bDone = true;  // nobody is left to give anything
            m_cv.notify_all();
            break;
        }
        m_cv.wait(lock);
    }
    if (m_bDone) return false;
    --m_nIdle;
    fd = m_queue.front().first;
    strPath = std::move(m_queue.front().second);
    m_queue.pop_front();
    UpdateHungry();
    return true;
}

void CWalkShare::Stop() {
    std::lock_guard lock(m_mutex);
    m_bDone = true;
    for (auto& [fdQueued, strPath] : m_queue) ::close(fdQueued);
    m_queue.clear();
    UpdateHungry();
    m_cv.notify_all();
}

void CWalkShare::Report(const std::string& strPath, int nErrno) {
    std::lock_guard lock(m_mutex);
    m_onError(strPath, nErrno);
}
