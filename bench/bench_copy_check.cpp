// Times the byte-by-byte check that runs before a removal against cat reading the same bytes,
// in one run, files warm in the page cache.
//   bench_copy_check [SETS] [MIB] [RUNS] [--dir FOLDER]
// Defaults: 2000 sets of three copies of 1 MiB files, 5 runs of each; the median is reported.
// Two files of each set are checked against the third, as after Select All and Delete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CopyCheck.h"

namespace {

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every file read once, in order, as plainly as it can be done: the floor for any check.
bool ReadAllOnce(const std::vector<std::string>& files) {
    static char buffer[256 * 1024];
    for (const std::string& strPath : files) {
        const int fd = open(strPath.c_str(), O_RDONLY);
        if (fd < 0) return false;
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
        close(fd);
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int nSets = 2000, nMib = 1, nRuns = 5, nNumber = 0;
    std::string strBase = std::filesystem::temp_directory_path().string();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) strBase = argv[++i];
        else *(nNumber == 0 ? &nSets : nNumber == 1 ? &nMib : &nRuns) = std::atoi(argv[i]), ++nNumber;
    }
    std::string strRoot = strBase + "/twinex-bench-check-XXXXXX";
    if (!mkdtemp(strRoot.data())) {
        std::perror("mkdtemp");
        return 1;
    }

    const std::size_t nSize = static_cast<std::size_t>(nMib) << 20;
    std::vector<CCopyCheck> checks;
    std::vector<std::string> files;
    std::string strList = strRoot + "/list";
    {
        std::ofstream list(strList);
        std::string bytes(nSize, '\0');
        for (int s = 0; s < nSets; ++s) {
            for (std::size_t i = 0; i < nSize; i += 4096) bytes[i] = static_cast<char>(s * 31 + i);
            const std::string strDir = strRoot + "/d" + std::to_string(s / 100) + "/";
            std::filesystem::create_directories(strDir);
            std::string paths[3];
            for (int k = 0; k < 3; ++k) {
                paths[k] = strDir + std::to_string(s) + "_" + std::to_string(k);
                std::ofstream(paths[k], std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(nSize));
                list << paths[k] << '\0';
                files.push_back(paths[k]);
            }
            checks.push_back({paths[1], paths[0], nSize});
            checks.push_back({paths[2], paths[0], nSize});
        }
    }
    const std::string strCat = "xargs -0 cat < '" + strList + "' > /dev/null";
    if (std::system(strCat.c_str()) != 0) return 1;  // warm the cache

    std::vector<double> check, cat, plain;
    for (int r = 0; r < nRuns; ++r) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(strCat.c_str()) != 0) return 1;
        cat.push_back(Seconds(start));
        start = std::chrono::steady_clock::now();
        if (!ReadAllOnce(files)) return 1;
        plain.push_back(Seconds(start));
        start = std::chrono::steady_clock::now();
        bool bCancelled = false;
        const std::vector<CCheckResult> results = CheckCopies(checks, nullptr, bCancelled);
        check.push_back(Seconds(start));
        const auto nSame = std::count_if(results.begin(), results.end(), [](const CCheckResult& r) {
            return r.nVerdict == CHECK_SAME;
        });
        if (nSame != static_cast<long>(checks.size())) {
            std::fprintf(stderr, "only %ld of %zu files found to be copies\n", static_cast<long>(nSame),
                         checks.size());
            return 1;
        }
    }
    const double dBytes = 3.0 * nSets * static_cast<double>(nSize);
    std::printf("%d sets of 3 x %d MiB, median of %d warm runs\n", nSets, nMib, nRuns);
    std::printf("cat    %.3f s  (%.2f GB/s)\n", Median(cat), dBytes / Median(cat) / 1e9);
    std::printf("read   %.3f s  (%.2f GB/s)  each file once, 256 KiB reads in this process\n",
                Median(plain), dBytes / Median(plain) / 1e9);
    std::printf("check  %.3f s  (%.2f GB/s)  %.2fx cat, %.2fx plain reading\n", Median(check),
                dBytes / Median(check) / 1e9, Median(check) / Median(cat),
                Median(check) / Median(plain));

    std::error_code ec;
    std::filesystem::remove_all(strRoot, ec);
    return 0;
}
