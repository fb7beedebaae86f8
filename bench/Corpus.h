// A generated tree of small files for the benchmarks: random sizes and folder depth, a chosen
// share of exact duplicates and of near duplicates (same size and bytes but the last).
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct CCorpusOptions {
    std::size_t m_nFiles = 1000;
    double m_dDupRatio = 0.2;    // share of files that copy an earlier file
    double m_dNearRatio = 0.0;   // share of files equal to an earlier one but for the last byte
    std::uint64_t m_nMinSize = 0;
    std::uint64_t m_nMaxSize = 65536;
    int m_nMaxDepth = 4;
    std::size_t m_nFilesPerDir = 20;
    std::uint64_t m_nSeed = 1;
    std::string m_strOut;        // created; must not exist yet or be empty
    std::string m_strManifest;   // optional: "group<TAB>kind<TAB>path" per file
};

struct CCorpusStats {
    std::size_t m_nFiles = 0, m_nOriginals = 0, m_nDuplicates = 0, m_nNear = 0, m_nDirs = 0;
    std::uint64_t m_nBytes = 0;
};

class CCorpusRandom {
public:
    explicit CCorpusRandom(std::uint64_t nSeed) : m_nState(nSeed) {}
    std::uint64_t Next() {  // splitmix64
        std::uint64_t z = (m_nState += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t n) { return n ? Next() % n : 0; }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

private:
    std::uint64_t m_nState;
};

inline bool CorpusWriteFile(const std::string& strPath, std::uint64_t nSize, std::uint64_t nSeed,
                            bool bFlipLast, std::vector<char>& buffer) {
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    CCorpusRandom rnd(nSeed);
    std::uint64_t nDone = 0;
    bool bOk = true;
    while (bOk && nDone < nSize) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), nSize - nDone));
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t v = rnd.Next();
            std::memcpy(buffer.data() + i, &v, std::min<std::size_t>(8, n - i));
        }
        if (bFlipLast && nDone + n == nSize) buffer[n - 1] ^= 0x5A;
        bOk = write(fd, buffer.data(), n) == static_cast<ssize_t>(n);
        nDone += n;
    }
    return close(fd) == 0 && bOk;
}

// Writes the corpus; returns false (with errno set) on the first failure.
inline bool MakeCorpus(const CCorpusOptions& opt, CCorpusStats& stats) {
    CCorpusRandom rnd(opt.m_nSeed);
    if (mkdir(opt.m_strOut.c_str(), 0755) != 0 && errno != EEXIST) return false;
    std::string strRoot = opt.m_strOut;
    if (strRoot.empty() || strRoot.back() != '/') strRoot += '/';

    // Folders: each hangs below a random earlier one that is not yet at the deepest level.
    struct CDirSpec { std::string strPath; int nDepth; };
    std::vector<CDirSpec> dirs{{strRoot, 0}};
    const std::size_t nDirs = std::max<std::size_t>(1, (opt.m_nFiles + opt.m_nFilesPerDir - 1) /
                                                           std::max<std::size_t>(1, opt.m_nFilesPerDir));
    while (dirs.size() < nDirs) {
        const CDirSpec& parent = dirs[rnd.Below(dirs.size())];
        if (parent.nDepth >= opt.m_nMaxDepth) continue;
        CDirSpec d{parent.strPath + "d" + std::to_string(dirs.size()) + "/", parent.nDepth + 1};
        if (mkdir(d.strPath.c_str(), 0755) != 0) return false;
        dirs.push_back(std::move(d));
    }
    stats.m_nDirs = dirs.size();

    FILE* pManifest = nullptr;
    if (!opt.m_strManifest.empty() && !(pManifest = std::fopen(opt.m_strManifest.c_str(), "w")))
        return false;
    static const char* const kExtensions[] = {".txt", ".jpg", ".dat", ".pdf", ""};
    struct COriginal { std::uint64_t nSize, nSeed; };
    std::vector<COriginal> originals;
    std::vector<char> buffer(256 * 1024);
    for (std::size_t i = 0; i < opt.m_nFiles; ++i) {
        const double dKind = rnd.Unit();
        COriginal o{};
        std::size_t nGroup;
        const char* pszKind = "original";
        bool bFlip = false;
        if (!originals.empty() && dKind < opt.m_dDupRatio) {
            nGroup = rnd.Below(originals.size());
            o = originals[nGroup];
            pszKind = "duplicate";
            ++stats.m_nDuplicates;
        } else if (!originals.empty() && dKind < opt.m_dDupRatio + opt.m_dNearRatio &&
                   originals[nGroup = rnd.Below(originals.size())].nSize > 0) {
            o = originals[nGroup];
            bFlip = true;
            pszKind = "near";
            ++stats.m_nNear;
        } else {
            o.nSize = opt.m_nMinSize + rnd.Below(opt.m_nMaxSize - opt.m_nMinSize + 1);
            o.nSeed = rnd.Next();
            nGroup = originals.size();
            originals.push_back(o);
            ++stats.m_nOriginals;
        }
        const std::string strPath = dirs[rnd.Below(dirs.size())].strPath + "f" + std::to_string(i) +
                                    kExtensions[rnd.Below(5)];
        if (!CorpusWriteFile(strPath, o.nSize, o.nSeed, bFlip, buffer)) {
            if (pManifest) std::fclose(pManifest);
            return false;
        }
        if (pManifest) std::fprintf(pManifest, "%zu\t%s\t%s\n", nGroup, pszKind, strPath.c_str());
        ++stats.m_nFiles;
        stats.m_nBytes += o.nSize;
    }
    return !pManifest || std::fclose(pManifest) == 0;
}
