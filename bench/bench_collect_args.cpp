// Collection of one tree given as one folder, and as each of its subfolders given as a folder
// row of its own, through the collection worker, in one run.
//   bench_collect_args [FOLDERS] [FILES_PER_FOLDER] [RUNS]
// Defaults: 1000 folders of 200 files, 5 runs of each; the median is reported.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Collect.h"
#include "SearchState.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds to collect the rows into a fresh state, and the number of files collected.
double TimeCollect(const std::vector<CFolderRow>& rows, std::size_t& nFiles) {
    CSearchState state;
    const auto start = std::chrono::steady_clock::now();
    CollectFilesProc(rows, 1, state, {});
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    nFiles = state.m_files.GetSize();
    return dSeconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int nFolders = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int nPerFolder = argc > 2 ? std::atoi(argv[2]) : 200;
    const int nRuns = argc > 3 ? std::atoi(argv[3]) : 5;
    std::string strRoot = std::filesystem::temp_directory_path().string() + "/twinex-bench-args-XXXXXX";
    if (!mkdtemp(strRoot.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    std::vector<CFolderRow> many;
    for (int d = 0; d < nFolders; ++d) {
        const std::string strDir = strRoot + "/d" + std::to_string(d) + "/";
        mkdir(strDir.c_str(), 0700);
        many.push_back({strDir, "*.*", "Yes"});
        for (int f = 0; f < nPerFolder; ++f) {
            std::FILE* file = std::fopen((strDir + std::to_string(f)).c_str(), "w");
            if (!file) return 1;
            std::fprintf(file, "%*d", 1 + (d * 7919 + f * 104729) % 5000, f);  // sizes spread out
            std::fclose(file);
        }
    }
    const std::vector<CFolderRow> one = {{strRoot + "/", "*.*", "Yes"}};

    std::size_t nOne = 0, nMany = 0;
    TimeCollect(one, nOne);  // warm the caches
    std::vector<double> oneTimes, manyTimes;
    for (int r = 0; r < nRuns; ++r) {
        oneTimes.push_back(TimeCollect(one, nOne));
        manyTimes.push_back(TimeCollect(many, nMany));
    }
    std::printf("%d folders of %d files, median of %d warm runs\n", nFolders, nPerFolder, nRuns);
    std::printf("one folder row       %.3f s  (%zu files)\n", Median(oneTimes), nOne);
    std::printf("%d folder rows     %.3f s  (%zu files)  ratio %.2f\n", nFolders, Median(manyTimes),
                nMany, Median(manyTimes) / Median(oneTimes));
    std::error_code ec;
    std::filesystem::remove_all(strRoot, ec);
    return nOne == nMany ? 0 : 1;
}
