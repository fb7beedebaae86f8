// Times the matcher alone on a collected tree: each criterion on one thread and on all, the
// median of several warm runs, and checks that the thread count does not change the pairs.
//
//   bench_match TREE [RUNS]
//
// Build a tree with make_match_corpus. Not run by the tests.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Match.h"
#include "MatchSets.h"

namespace {

class CCountingSink : public IResultSink {
public:
    void Clear() override { m_nRows = 0; }
    void Append(std::vector<CResultRow>&& batch) override { m_nRows += batch.size(); }
    void End() override {}
    std::size_t m_nRows = 0;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TREE [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string strTree = argv[1];
    const int nRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    CSearchState state;
    const long nKiBBefore = PeakKiB();
    auto start = std::chrono::steady_clock::now();
    state.m_files.AddDir(strTree, "*.*", true, &state.m_bAbort);
    const double dCollect = Seconds(std::chrono::steady_clock::now() - start);
    const std::size_t nFiles = state.m_files.GetSize();
    std::printf("%zu files collected in %.3f s; peak memory %+ld KiB (%.0f bytes per file)\n", nFiles,
                dCollect, PeakKiB() - nKiBBefore, (PeakKiB() - nKiBBefore) * 1024.0 / std::max<std::size_t>(nFiles, 1));

    const unsigned nCores = std::max(1u, std::thread::hardware_concurrency());
    struct {
        const char* pszName;
        int nCriterion;
        const char* pszPartial;
        std::size_t nWholeReadMax;  // 0: the default
        std::size_t nKeptBytes;     // 0: the default
    } cases[] = {
        {"size", MATCH_SIZE, "0", 0, 0},
        {"checksum 64K", MATCH_CHECKSUM, "64", 0, 0},
        {"crc32 64K", MATCH_CRC32, "64", 0, 0},
        {"crc32 whole", MATCH_CRC32, "0", 0, 0},
        {"contents 64K", MATCH_CONTENTS, "64", 0, 0},
        {"contents whole", MATCH_CONTENTS, "0", 0, 0},
        // Up to which span a file is read whole at its first read.
        {"  whole to 4K", MATCH_CONTENTS, "0", 4096, 0},
        {"  whole to 256K", MATCH_CONTENTS, "0", 256 << 10, 0},
        // How many short spans one batch keeps for the byte comparison.
        {"  kept 4M", MATCH_CONTENTS, "0", 0, 4 << 20},
        {"  kept 16M", MATCH_CONTENTS, "0", 0, 16 << 20},
    };
    std::printf("%-16s %8s %10s %10s %8s\n", "criterion", "pairs", "1 thread", "all cores", "same");
    for (const auto& c : cases) {
        CSearchSettings settings;
        settings.m_nCriterion = c.nCriterion;
        settings.m_strPartial = c.pszPartial;
        settings.m_bReflect = 0;
        std::vector<const CFileInfo*> reference;
        double dMedian[2] = {};
        bool bSame = true;
        for (int k = 0; k < 2; ++k) {
            CMatchTuning tuning;
            tuning.m_nThreads = k == 0 ? 1 : nCores;
            if (c.nWholeReadMax) tuning.m_nWholeReadMax = c.nWholeReadMax;
            if (c.nKeptBytes) tuning.m_nKeptBytes = c.nKeptBytes;
            std::vector<double> times;
            for (int r = 0; r <= nRuns; ++r) {  // run 0 warms the cache
                CCountingSink sink;
                start = std::chrono::steady_clock::now();
                MatchFilesTuned(settings, state, sink, {}, tuning);
                if (r) times.push_back(Seconds(std::chrono::steady_clock::now() - start));
                std::vector<const CFileInfo*> pairs;
                for (const MatchPair& p : state.m_matches) {
                    pairs.push_back(p.pSource);
                    pairs.push_back(p.pTarget);
                }
                if (k == 0 && r == 0) reference = pairs;
                else bSame = bSame && pairs == reference;
            }
            dMedian[k] = Median(times);
        }
        std::printf("%-16s %8zu %9.3fs %9.3fs %8s\n", c.pszName, state.m_matches.size(), dMedian[0], dMedian[1],
                    bSame ? "yes" : "NO");
    }
    std::printf("peak memory of the whole run: %ld KiB\n", PeakKiB());
    return 0;
}
