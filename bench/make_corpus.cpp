// Writes a tree of small files for benchmarks: make_corpus --out DIR [--files N]
// [--dup-ratio R] [--near-ratio R] [--min-size B] [--max-size B] [--max-depth D]
// [--files-per-dir F] [--seed S] [--manifest FILE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Corpus.h"

int main(int argc, char** argv) {
    CCorpusOptions opt;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            std::printf("usage: %s --out DIR [--files N] [--dup-ratio R] [--near-ratio R]\n"
                        "       [--min-size BYTES] [--max-size BYTES] [--max-depth D]\n"
                        "       [--files-per-dir F] [--seed S] [--manifest FILE]\n", argv[0]);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s: %s needs a value\n", argv[0], argv[i]);
            return 2;
        }
        const char* pszValue = argv[++i];
        if (strArg == "--out") opt.m_strOut = pszValue;
        else if (strArg == "--files") opt.m_nFiles = std::strtoull(pszValue, nullptr, 10);
        else if (strArg == "--dup-ratio") opt.m_dDupRatio = std::atof(pszValue);
        else if (strArg == "--near-ratio") opt.m_dNearRatio = std::atof(pszValue);
        else if (strArg == "--min-size") opt.m_nMinSize = std::strtoull(pszValue, nullptr, 10);
        else if (strArg == "--max-size") opt.m_nMaxSize = std::strtoull(pszValue, nullptr, 10);
        else if (strArg == "--max-depth") opt.m_nMaxDepth = std::atoi(pszValue);
        else if (strArg == "--files-per-dir") opt.m_nFilesPerDir = std::strtoull(pszValue, nullptr, 10);
        else if (strArg == "--seed") opt.m_nSeed = std::strtoull(pszValue, nullptr, 10);
        else if (strArg == "--manifest") opt.m_strManifest = pszValue;
        else {
            std::fprintf(stderr, "%s: unknown option %s\n", argv[0], strArg.c_str());
            return 2;
        }
    }
    if (opt.m_strOut.empty() || opt.m_nMaxSize < opt.m_nMinSize || opt.m_dDupRatio < 0 ||
        opt.m_dNearRatio < 0 || opt.m_dDupRatio + opt.m_dNearRatio > 1) {
        std::fprintf(stderr, "%s: --out is required; sizes and ratios must make sense (see --help)\n",
                     argv[0]);
        return 2;
    }
    CCorpusStats stats;
    if (!MakeCorpus(opt, stats)) {
        std::perror("make_corpus");
        return 1;
    }
    std::printf("%zu files (%zu originals, %zu duplicates, %zu near duplicates) in %zu folders, "
                "%llu bytes\n",
                stats.m_nFiles, stats.m_nOriginals, stats.m_nDuplicates, stats.m_nNear,
                stats.m_nDirs, static_cast<unsigned long long>(stats.m_nBytes));
    return 0;
}
