// Replacing 10,000 duplicates with hard links: Twinex's check-then-link, the link step alone,
// and `ln -f` in a shell loop, on the same tree, in one run. Median of several runs.
//   bench_link [ROOT] [RUNS]   (ROOT: a folder to work in, default /tmp)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "LinkCopies.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSets = 5000;    // each: one file that stays and two duplicates
constexpr int kBytes = 16384;  // per file

// A fresh tree; the plan replaces every duplicate with a link to its set's first file.
CDeletePlan MakeTree(const std::string& strRoot) {
    fs::remove_all(strRoot);
    CDeletePlan plan;
    std::string bytes(kBytes, '\0');
    for (int s = 0; s < kSets; ++s) {
        const std::string strDir = strRoot + "/d" + std::to_string(s / 100) + "/";
        fs::create_directories(strDir);
        std::snprintf(bytes.data(), bytes.size(), "set %d", s);
        const std::string strKeep = strDir + "keep" + std::to_string(s);
        for (int c = 0; c < 3; ++c) {
            const std::string strPath =
                c ? strDir + "dup" + std::to_string(s) + "-" + std::to_string(c) : strKeep;
            std::ofstream(strPath, std::ios::binary).write(bytes.data(), kBytes);
            if (!c) continue;
            plan.paths.push_back(strPath);
            plan.stays.push_back(strKeep);
            plan.sizes.push_back(kBytes);
        }
    }
    return plan;
}

double Seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strRoot = std::string(argc > 1 ? argv[1] : "/tmp") + "/twinex-bench-link";
    const int nRuns = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> checked, bare, shell;
    for (int r = 0; r < nRuns; ++r) {
        CDeletePlan plan = MakeTree(strRoot);
        CQuietProgress progress;
        checked.push_back(Seconds([&] {
            const CLinkOutcome outcome = LinkCheckedCopies(plan, LINK_HARD, progress);
            if (outcome.replaced.size() != plan.paths.size())
                std::fprintf(stderr, "bench_link: not every file was linked\n");
        }));
        plan = MakeTree(strRoot);
        bare.push_back(Seconds([&] {
            for (std::size_t i = 0; i < plan.paths.size(); ++i)
                ReplaceWithLink(plan.paths[i], plan.stays[i], LINK_HARD);
        }));
        plan = MakeTree(strRoot);
        const std::string strList = strRoot + ".list";
        {
            std::ofstream list(strList);
            for (std::size_t i = 0; i < plan.paths.size(); ++i)
                list << plan.stays[i] << '\t' << plan.paths[i] << '\n';
        }
        const std::string strScript = strRoot + ".sh";
        std::ofstream(strScript)
            << "while IFS=$'\\t' read -r k d; do ln -f -- \"$k\" \"$d\"; done < '" << strList
            << "'\n";
        const std::string strCommand = "bash '" + strScript + "'";
        shell.push_back(Seconds([&] {
            if (std::system(strCommand.c_str()) != 0)
                std::fprintf(stderr, "bench_link: the shell loop failed\n");
        }));
        fs::remove(strList);
        fs::remove(strScript);
    }
    fs::remove_all(strRoot);
    const double n = 2.0 * kSets;
    std::printf("%d duplicates of %d bytes, median of %d runs\n", 2 * kSets, kBytes, nRuns);
    std::printf("  twinex check + link : %7.3f s  %6.1f us/file\n", Median(checked),
                Median(checked) / n * 1e6);
    std::printf("  twinex link only    : %7.3f s  %6.1f us/file\n", Median(bare),
                Median(bare) / n * 1e6);
    std::printf("  ln -f shell loop    : %7.3f s  %6.1f us/file\n", Median(shell),
                Median(shell) / n * 1e6);
    std::printf("  ratio check+link / ln -f: %.2fx\n", Median(checked) / Median(shell));
    return 0;
}
