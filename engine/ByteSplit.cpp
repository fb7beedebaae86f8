// Byte comparison of open files, read in step.

#include "ByteSplit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileHash.h"

namespace {

using CGroup = std::vector<std::size_t>;

// Blocks start small, since most differences show early, and grow up to 1 MiB.
std::size_t BlockAt(std::uint64_t nDone, std::uint64_t nLeft) {
    const std::uint64_t nBlock = std::clamp<std::uint64_t>(nDone, 64 * 1024, 1024 * 1024);
    return static_cast<std::size_t>(std::min(nBlock, nLeft));
}

// Buffers handed back for the next block: a fresh large one costs a page fault per page.
class CBuffers {
public:
    std::vector<char> Get(std::size_t n) {
        if (m_spare.empty()) return std::vector<char>(n);
        std::vector<char> v = std::move(m_spare.back());
        m_spare.pop_back();
        v.resize(n);
        return v;
    }
    void Put(std::vector<char>&& v) {
        if (m_spare.size() < 2) m_spare.push_back(std::move(v));
    }

private:
    std::vector<std::vector<char>> m_spare;
};

struct CTask {
    CGroup m_members;
    std::uint64_t m_nDone = 0;  // bytes found equal so far
};

struct CSub {
    CGroup m_members;
    std::vector<char> m_first;  // the first member's block
};

}  // namespace

std::vector<CGroup> SplitOpenFiles(const std::vector<int>& fds, std::uint64_t nOffset,
                                   std::uint64_t nLength, const std::atomic<int>* pAbort,
                                   const FOnMemberRead& onRead,
                                   std::vector<CReadFailure>* pFailed) {
    std::vector<CGroup> result;
    if (fds.size() < 2) return result;
    CTask all;
    for (std::size_t i = 0; i < fds.size(); ++i) all.m_members.push_back(i);
    if (nLength == 0) {
        result.push_back(std::move(all.m_members));
        return result;
    }
    std::vector<CTask> stack{std::move(all)};
    CBuffers buffers;
    while (!stack.empty()) {
        CTask task = std::move(stack.back());
        stack.pop_back();
        const std::size_t nBlock = BlockAt(task.m_nDone, nLength - task.m_nDone);
        const std::uint64_t nAt = nOffset + task.m_nDone;
        std::vector<CSub> subs;
        std::vector<char> block = buffers.Get(nBlock);
        for (std::size_t m : task.m_members) {
            if (pAbort && pAbort->load(std::memory_order_relaxed)) return {};
            const long long nGot = ReadAt(fds[m], block.data(), nBlock, nAt);
            if (onRead && nGot > 0) onRead(m, nAt, static_cast<std::size_t>(nGot));
            if (nGot != static_cast<long long>(nBlock)) {
                if (pFailed) pFailed->push_back({m, nGot < 0 ? errno : 0});
                continue;
            }
            auto it = std::find_if(subs.begin(), subs.end(), [&](const CSub& s) {
                return std::memcmp(s.m_first.data(), block.data(), nBlock) == 0;
            });
            if (it != subs.end()) {
                it->m_members.push_back(m);
            } else {
                subs.push_back(CSub{{m}, std::move(block)});
                block = buffers.Get(nBlock);
            }
        }
        buffers.Put(std::move(block));
        const bool bLast = task.m_nDone + nBlock >= nLength;
        // Pushed in reverse, so that the first group is split first and few buffers wait.
        for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
            buffers.Put(std::move(it->m_first));
            if (it->m_members.size() < 2) continue;
            if (bLast)
                result.push_back(std::move(it->m_members));
            else
                stack.push_back(CTask{std::move(it->m_members), task.m_nDone + nBlock});
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}
