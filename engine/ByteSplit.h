// Comparing open files byte by byte, in step: the one byte comparison behind
// CompareFileContents and the matcher's Contents criterion. Private to the engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Told of each block read from member nMember (a position in the descriptors given).
using FOnMemberRead =
    std::function<void(std::size_t nMember, std::uint64_t nOffset, std::size_t nLength)>;

// A member whose read failed (errno) or came up short (0).
struct CReadFailure {
    std::size_t nMember = 0;
    int nErrno = 0;
};

// Splits open files by their bytes [nOffset, nOffset + nLength), read in step block by block;
// a file stops being read once no other is like it. Returns the groups of two or more members
// (ascending positions in fds) whose bytes are all equal, ordered by their first member, or
// nothing on abort. A member whose read fails or comes up short joins no group and is named in
// *pFailed.
std::vector<std::vector<std::size_t>> SplitOpenFiles(const std::vector<int>& fds,
                                                     std::uint64_t nOffset, std::uint64_t nLength,
                                                     const std::atomic<int>* pAbort,
                                                     const FOnMemberRead& onRead = {},
                                                     std::vector<CReadFailure>* pFailed = nullptr);
