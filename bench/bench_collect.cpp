// Collection speed and memory next to find(1) on the same tree.
//   bench_collect [--dir DIR | --files N] [--runs R] [--keep]
// Without --dir it generates N small files (200,000 by default) under the temp folder.
// Each timed run is a fresh process, for find and for the collection alike, so the wall times
// compare like with like; the collecting child reports its own peak memory.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Corpus.h"
#include "FileInfo.h"

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* pszField) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char szLine[256];
    long nKb = -1;
    const std::size_t nLen = std::strlen(pszField);
    while (std::fgets(szLine, sizeof szLine, f))
        if (std::strncmp(szLine, pszField, nLen) == 0 && szLine[nLen] == ':')
            nKb = std::atol(szLine + nLen + 1);
    std::fclose(f);
    return nKb;
}

int CollectChild(const char* pszDir) {
    const long nRssBefore = StatusKb("VmRSS");
    std::atomic<int> abort{0};
    const auto t0 = std::chrono::steady_clock::now();
    CFileInfoArray files;
    files.AddDir(pszDir, "*.*", true, &abort);
    const auto t1 = std::chrono::steady_clock::now();
    const long nHwm = StatusKb("VmHWM");
    const long nRssAfter = StatusKb("VmRSS");
    std::printf("%zu %ld %ld %ld %lld\n", files.GetSize(), nRssBefore, nHwm, nRssAfter,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(t1 - t0).count()));
    return 0;
}

struct CRun {
    double dSeconds = 0;
    long nMaxRssKb = 0;
    std::string strOutput;
};

// Runs argv with stdout to a pipe (bCapture) or /dev/null; wall time and peak RSS.
CRun RunProcess(const std::vector<std::string>& args, bool bCapture) {
    int fds[2] = {-1, -1};
    if (bCapture && pipe(fds) != 0) std::exit(1);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = bCapture ? fds[1] : open("/dev/null", O_WRONLY);
        dup2(out, 1);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    CRun run;
    if (bCapture) {
        close(fds[1]);
        char szBuf[512];
        ssize_t n;
        while ((n = read(fds[0], szBuf, sizeof szBuf)) > 0) run.strOutput.append(szBuf, n);
        close(fds[0]);
    }
    int nStatus = 0;
    struct rusage ru{};
    wait4(pid, &nStatus, 0, &ru);
    run.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    run.nMaxRssKb = ru.ru_maxrss;
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--collect-child") == 0) return CollectChild(argv[2]);

    std::string strDir;
    std::size_t nFiles = 200000;
    int nRuns = 5;
    bool bKeep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc) strDir = argv[++i];
        else if (a == "--files" && i + 1 < argc) nFiles = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--runs" && i + 1 < argc) nRuns = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep") bKeep = true;
        else {
            std::fprintf(stderr, "usage: %s [--dir DIR | --files N] [--runs R] [--keep]\n", argv[0]);
            return 2;
        }
    }

    bool bGenerated = false;
    if (strDir.empty()) {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "twinex-bench-XXXXXX").string();
        if (!mkdtemp(strTemplate.data())) return 1;
        strDir = strTemplate + "/tree";
        CCorpusOptions opt;
        opt.m_nFiles = nFiles;
        opt.m_nMaxSize = 2048;
        opt.m_nMaxDepth = 6;
        opt.m_nFilesPerDir = 25;
        opt.m_strOut = strDir;
        CCorpusStats stats;
        std::printf("generating %zu files in %s ...\n", nFiles, strDir.c_str());
        std::fflush(stdout);
        if (!MakeCorpus(opt, stats)) {
            std::perror("corpus");
            return 1;
        }
        bGenerated = true;
    }

    char szSelf[4096];
    const ssize_t nSelf = readlink("/proc/self/exe", szSelf, sizeof szSelf - 1);
    if (nSelf <= 0) return 1;
    szSelf[nSelf] = '\0';
    const std::vector<std::string> findArgs = {"find", strDir, "-type", "f", "-printf", "%s %p\n"};
    const std::vector<std::string> collectArgs = {szSelf, "--collect-child", strDir};

    // Warm the caches once, then alternate so that both see the same machine state.
    RunProcess(findArgs, false);
    RunProcess(collectArgs, true);
    std::vector<double> findTimes, collectTimes, inProcess, bytesPerFile;
    long nFindRss = 0, nCollectRss = 0;
    std::size_t nCollected = 0;
    for (int r = 0; r < nRuns; ++r) {
        const CRun f = RunProcess(findArgs, false);
        const CRun c = RunProcess(collectArgs, true);
        long nBefore = 0, nHwm = 0, nAfter = 0;
        long long nMicros = 0;
        std::sscanf(c.strOutput.c_str(), "%zu %ld %ld %ld %lld", &nCollected, &nBefore, &nHwm, &nAfter,
                    &nMicros);
        findTimes.push_back(f.dSeconds);
        collectTimes.push_back(c.dSeconds);
        inProcess.push_back(static_cast<double>(nMicros) / 1e6);
        if (nCollected) bytesPerFile.push_back((nHwm - nBefore) * 1024.0 / static_cast<double>(nCollected));
        nFindRss = f.nMaxRssKb;
        nCollectRss = c.nMaxRssKb;
        std::printf("run %d: find %.3f s, collect %.3f s (AddDir %.3f s), peak +%.1f B/file\n", r + 1,
                    f.dSeconds, c.dSeconds, inProcess.back(), bytesPerFile.empty() ? 0.0 : bytesPerFile.back());
    }
    const double dFind = Median(findTimes), dCollect = Median(collectTimes);
    std::printf("\nfiles collected:         %zu\n", nCollected);
    std::printf("find median:             %.3f s (peak RSS %ld kB)\n", dFind, nFindRss);
    std::printf("collection median:       %.3f s (AddDir alone %.3f s, peak RSS %ld kB)\n", dCollect,
                Median(inProcess), nCollectRss);
    std::printf("ratio collect / find:    %.2f (target <= 1.30)\n", dCollect / dFind);
    std::printf("files per second:        %.0f\n", static_cast<double>(nCollected) / dCollect);
    std::printf("peak memory per file:    %.1f bytes (target < 200)\n", Median(bytesPerFile));

    if (bGenerated && !bKeep) {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(strDir).parent_path(), ec);
    } else if (bGenerated) {
        std::printf("tree kept in %s\n", strDir.c_str());
    }
    return 0;
}
