// Writes a seeded tree for the matching benchmark: nested folders, sizes from 0 bytes to tens
// of MiB, duplicate sets of 2 to 6 copies, same-size files that differ only in their first or
// last byte, several sets sharing one size, empty files, hard links, symbolic links and odd
// names (blanks, quotes, wildcards, backslashes, tabs, accents, bytes that are not UTF-8).
//
//   make_match_corpus --out DIR [--profile mixed|small] [--files N] [--seed S]
//
// mixed: 30,000 files, about 1.5 GiB, most under 192 KiB and a few up to 64 MiB.
// small: 200,000 files, about 0.5 GiB, almost all under 16 KiB.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Corpus.h"

namespace {

// The benchmarks' seeded generator, plus sizes spread evenly over a logarithmic range.
class CRandom : public CCorpusRandom {
public:
    using CCorpusRandom::CCorpusRandom;
    std::uint64_t LogUniform(std::uint64_t nMin, std::uint64_t nMax) {
        const double d = std::exp(std::log(double(nMin)) +
                                  Unit() * (std::log(double(nMax)) - std::log(double(nMin))));
        return static_cast<std::uint64_t>(d);
    }
};

struct CProfile {
    std::size_t m_nFiles;
    std::uint64_t m_nSmallMin, m_nSmallMax;  // most files
    double m_dLarge;                         // share of larger originals
    std::uint64_t m_nLargeMin, m_nLargeMax;
};

// One original's contents: a byte stream from its seed, optionally with the first or last
// byte flipped.
struct CContent {
    std::uint64_t m_nSize = 0;
    std::uint64_t m_nSeed = 0;
    int m_nFlip = 0;  // 0 none, 1 first byte, 2 last byte
};

bool WriteContent(const std::string& strPath, const CContent& c, std::vector<char>& buffer) {
    const int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    CRandom rnd(c.m_nSeed);
    std::uint64_t nDone = 0;
    bool bOk = true;
    while (bOk && nDone < c.m_nSize) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), c.m_nSize - nDone));
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t v = rnd.Next();
            std::memcpy(buffer.data() + i, &v, std::min<std::size_t>(8, n - i));
        }
        if (c.m_nFlip == 1 && nDone == 0) buffer[0] ^= 0x5A;
        if (c.m_nFlip == 2 && nDone + n == c.m_nSize) buffer[n - 1] ^= 0x5A;
        bOk = ::write(fd, buffer.data(), n) == static_cast<ssize_t>(n);
        nDone += n;
    }
    return ::close(fd) == 0 && bOk;
}

std::string OddName(CRandom& rnd, std::size_t nFile) {
    static const char* const forms[] = {
        "name with blanks %zu.txt", "quote's \"%zu\".doc", "star*and?mark%zu", "back\\slash%zu",
        "tab\there%zu",             "-leading-dash%zu",    "\xc3\xa9t\xc3\xa9 %zu.jpg",
        "bad\xff\xfe%zu.bin",       "UPPER%zu.TXT",        "  spaces-around%zu  ",
    };
    char sz[96];
    std::snprintf(sz, sizeof sz, forms[rnd.Below(std::size(forms))], nFile);
    return sz;
}

}  // namespace

int main(int argc, char** argv) {
    std::string strOut, strProfile = "mixed";
    std::size_t nFiles = 0;
    std::uint64_t nSeed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help" || i + 1 >= argc) {
            std::fprintf(stderr, "usage: %s --out DIR [--profile mixed|small] [--files N] [--seed S]\n", argv[0]);
            return strArg == "--help" ? 0 : 2;
        }
        const std::string strValue = argv[++i];
        if (strArg == "--out") strOut = strValue;
        else if (strArg == "--profile") strProfile = strValue;
        else if (strArg == "--files") nFiles = std::strtoull(strValue.c_str(), nullptr, 10);
        else if (strArg == "--seed") nSeed = std::strtoull(strValue.c_str(), nullptr, 10);
        else {
            std::fprintf(stderr, "%s: unknown option %s\n", argv[0], strArg.c_str());
            return 2;
        }
    }
    CProfile profile;
    if (strProfile == "mixed") profile = {30000, 16, 192 << 10, 0.0025, 1 << 20, 64 << 20};
    else if (strProfile == "small") profile = {200000, 16, 16 << 10, 0.001, 16 << 10, 1 << 20};
    else {
        std::fprintf(stderr, "%s: unknown profile %s\n", argv[0], strProfile.c_str());
        return 2;
    }
    if (nFiles) profile.m_nFiles = nFiles;
    if (strOut.empty()) {
        std::fprintf(stderr, "%s: --out is required\n", argv[0]);
        return 2;
    }
    if (strOut.back() != '/') strOut += '/';
    if (::mkdir(strOut.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(strOut.c_str());
        return 1;
    }

    CRandom rnd(nSeed);
    // Folders: each new one under a random earlier one, at most six deep.
    std::vector<std::string> dirs = {strOut};
    std::vector<int> depths = {0};
    const std::size_t nDirs = std::max<std::size_t>(1, profile.m_nFiles / 40);
    while (dirs.size() < nDirs) {
        const std::size_t nParent = rnd.Below(dirs.size());
        if (depths[nParent] >= 6) continue;
        const std::string strDir = dirs[nParent] + "d" + std::to_string(dirs.size()) + "/";
        if (::mkdir(strDir.c_str(), 0755) != 0) {
            std::perror(strDir.c_str());
            return 1;
        }
        dirs.push_back(strDir);
        depths.push_back(depths[nParent] + 1);
    }

    std::vector<CContent> originals;        // every original written so far
    std::vector<std::size_t> pendingCopies;  // originals still owed copies, one entry per copy
    std::vector<std::string> written;        // paths of regular files, for links
    std::vector<char> buffer(1 << 20);
    std::size_t nRegular = 0, nLinks = 0, nSymlinks = 0, nEmpty = 0, nNear = 0, nCopies = 0;
    std::uint64_t nBytes = 0;

    for (std::size_t nFile = 0; nFile < profile.m_nFiles; ++nFile) {
        const std::string& strDir = dirs[rnd.Below(dirs.size())];
        const std::string strName =
            rnd.Unit() < 0.02 ? OddName(rnd, nFile) : "f" + std::to_string(nFile) + ".dat";
        const std::string strPath = strDir + strName;
        const double u = rnd.Unit();
        if (u < 0.003 && !written.empty()) {
            if (::link(written[rnd.Below(written.size())].c_str(), strPath.c_str()) == 0) ++nLinks;
            continue;
        }
        if (u < 0.006 && !written.empty()) {
            const std::string& strTarget = rnd.Below(20) ? written[rnd.Below(written.size())]
                                                         : strOut + "nowhere";  // dangling
            if (::symlink(strTarget.c_str(), strPath.c_str()) == 0) ++nSymlinks;
            continue;
        }
        CContent content;
        if (u < 0.011) {
            ++nEmpty;
        } else if (u < 0.21 && !pendingCopies.empty()) {
            const std::size_t k = rnd.Below(pendingCopies.size());
            content = originals[pendingCopies[k]];
            pendingCopies[k] = pendingCopies.back();
            pendingCopies.pop_back();
            ++nCopies;
        } else if (u < 0.24 && !originals.empty()) {
            content = originals[rnd.Below(originals.size())];
            content.m_nFlip = 1 + static_cast<int>(rnd.Below(2));
            if (content.m_nSize == 0) content.m_nFlip = 0;
            ++nNear;
        } else {
            // A new original; now and then of a size that an earlier one has.
            if (u < 0.26 && !originals.empty()) content.m_nSize = originals[rnd.Below(originals.size())].m_nSize;
            else if (rnd.Unit() < profile.m_dLarge) content.m_nSize = rnd.LogUniform(profile.m_nLargeMin, profile.m_nLargeMax);
            else content.m_nSize = rnd.LogUniform(profile.m_nSmallMin, profile.m_nSmallMax);
            content.m_nSeed = rnd.Next();
            originals.push_back(content);
            // About a third of the originals get 1 to 5 copies.
            if (rnd.Below(3) == 0)
                for (std::uint64_t c = 1 + rnd.Below(5); c > 0; --c) pendingCopies.push_back(originals.size() - 1);
        }
        if (!WriteContent(strPath, content, buffer)) {
            std::perror(strPath.c_str());
            return 1;
        }
        written.push_back(strPath);
        ++nRegular;
        nBytes += content.m_nSize;
    }
    std::printf("%zu entries in %zu folders: %zu regular files (%zu copies, %zu near copies, %zu empty), "
                "%zu hard links, %zu symbolic links; %.2f GiB\n",
                profile.m_nFiles, dirs.size(), nRegular, nCopies, nNear, nEmpty, nLinks, nSymlinks,
                static_cast<double>(nBytes) / (1 << 30));
    return 0;
}
