// twinex-cli: the duplicate search without a display. The same collection and matching
// workers as the desktop program; rows go to standard output, everything else to standard
// error.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "ActCommand.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "CliSink.h"
#include "Console.h"
#include "Collect.h"
#include "Match.h"
#include "MatchSets.h"
#include "Progress.h"

namespace {

constexpr const char* PROGRAM = "twinex-cli";
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_CANCELLED = 130;
constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(100);  // progress line updates
constexpr double RATE_WINDOW_SECONDS = 5;

// Runs one worker on its own thread; the calling thread draws progress every 100 ms and
// turns Ctrl-C into the abort request. False when the system gives no thread.
template <typename Work, typename Draw>
bool RunWorker(CSearchState& state, const std::atomic<int>& interrupted, Work work, Draw draw) {
    std::mutex mutex;
    std::condition_variable cv;
    bool bDone = false;
    std::thread worker;
    try {
        worker = std::thread([&] {
            work([&] {
                std::lock_guard lock(mutex);
                bDone = true;
                cv.notify_all();
            });
        });
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "%s: cannot start a thread: %s\n", PROGRAM, e.what());
        return false;
    }
    {
        std::unique_lock lock(mutex);
        while (!cv.wait_for(lock, PROGRESS_INTERVAL, [&] { return bDone; })) {
            if (interrupted.load() && !state.m_bAbort.load()) {
                state.m_bAbort.store(1);
            }
            lock.unlock();
            draw();
            lock.lock();
        }
    }
    worker.join();
    return true;
}

std::string Printf(const char* pszFormat, long long a, long long b = 0) {
    char sz[128];
    std::snprintf(sz, sizeof sz, pszFormat, a, b);
    return sz;
}

}  // namespace

int main(int argc, char** argv) {
    CCliOptions opts;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && IsActCommand(args[0])) return RunActCommand(args);
    if (auto strError = ParseCommandLine(args, opts)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", PROGRAM,
                     strError->c_str(), PROGRAM);
        return EXIT_USAGE;
    }
    if (opts.m_bVersion) {
        std::printf("%s %s\n", PROGRAM, TWINEX_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (opts.m_bHelp) {
        std::fputs(UsageText(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    // The matcher keeps files and folders open; let it use what the system allows.
    RaiseOpenFileLimit();

    CConsole console(::isatty(STDERR_FILENO) == 1);
    static char szOutBuffer[1 << 16];
    std::setvbuf(stdout, szOutBuffer, _IOFBF, sizeof szOutBuffer);

    // A second Ctrl-C ends the program at once. A lock-free atomic may be set from a handler.
    static std::atomic<int> s_nInterrupted{0};
    struct sigaction sa {};
    sa.sa_handler = [](int) { s_nInterrupted.store(1, std::memory_order_relaxed); };
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);

    // Each mask of a row walks the folder again: name an unreadable path once.
    std::mutex warnMutex;
    std::set<std::string> warned;
    auto warn = [&](const std::string& strPath, int nErrno) {
        {
            std::lock_guard lock(warnMutex);
            if (!warned.insert(strPath).second) return;
        }
        console.Message(std::string(PROGRAM) + ": warning: cannot read '" +
                        EscapeForTerminal(strPath) + "': " + std::strerror(nErrno));
    };
    std::vector<CFolderRow> rows;
    for (const CFolderRow& row : opts.rows) {
        if (SelectsNoFile(row.strMasks)) {
            console.Message(std::string(PROGRAM) + ": warning: --mask '" + EscapeForTerminal(row.strMasks) +
                            "' selects no file in '" + EscapeForTerminal(row.strFolder) + "'");
            continue;
        }
        // A folder that cannot be opened is named here; the walk reports what it cannot read
        // inside.
        const int fd = ::open(row.strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            warn(row.strFolder, errno);
            continue;
        }
        ::close(fd);
        rows.push_back(row);
    }
    if (rows.empty()) {
        console.Message(std::string(PROGRAM) + ": nothing to search: no given folder could be searched");
        return 1;
    }

    CSearchState state;
    const bool bCollected = RunWorker(
        state, s_nInterrupted,
        [&](auto done) {
            CCollectCallbacks callbacks;
            callbacks.postCollectDone = done;
            callbacks.onError = warn;
            CWalkTuning walk;
            walk.m_bOneFileSystem = opts.m_bOneFileSystem;
            CollectFilesTuned(rows, 1, state, callbacks, walk);
        },
        [&] {
            console.Progress("Searching files in specified folders: " +
                             std::to_string(state.m_files.GetSize()) + " file(s) found");
        });
    if (!bCollected) return 1;
    if (state.m_bAbort.load()) {
        console.Message("Search aborted.");
        return EXIT_CANCELLED;
    }
    const std::size_t nFiles = state.m_files.GetSize();
    console.Message(Printf("Done - Found %lld file(s).", static_cast<long long>(nFiles)));

    CSearchSettings settings;
    settings.rows = opts.rows;
    settings.m_nCriterion = opts.m_nCriterion;
    settings.m_bReflect = opts.m_bReflect;
    settings.m_strPartial = opts.m_strPartial;
    settings.m_nMinSize = opts.m_nMinSize;
    settings.m_nMaxSize = opts.m_nMaxSize;
    settings.m_bUseCache = opts.m_bUseCache;
    settings.m_strCachePath = opts.m_strCachePath;
    CMatchTuning tuning;
    tuning.m_nThreads = opts.m_nThreads;
    CCliSink sink(opts, console, s_nInterrupted);
    // The rate is taken over the last few seconds, steady enough to read yet quick to follow
    // a change from small files to large ones.
    std::deque<CProgressSample> samples;
    const auto start = std::chrono::steady_clock::now();
    const bool bMatched = RunWorker(
        state, s_nInterrupted,
        [&](auto done) {
            CMatchCallbacks callbacks;
            callbacks.postMatchDone = done;
            MatchFilesTuned(settings, state, sink, callbacks, tuning);
        },
        [&] {
            CProgressSample now;
            now.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            now.nFilesDone = state.m_nProgressPos.load();
            now.nFilesTotal = state.m_nProgressMax.load();
            now.nBytesDone = state.m_nBytesDone.load();
            now.nBytesTotal = state.m_nBytesTotal.load();
            samples.push_back(now);
            while (samples.size() > 2 && now.dSeconds - samples.front().dSeconds > RATE_WINDOW_SECONDS)
                samples.pop_front();
            console.Progress("Matching files with specified criteria " +
                             FormatMatchProgress(samples.front(), now));
        });
    if (!bMatched) return 1;

    const bool bCancelled = !sink.Finish(nFiles, state.m_bAbort.load() == 0);
    const bool bWritten = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (bCancelled) {
        console.Message("Match aborted.");
        return EXIT_CANCELLED;
    }
    if (!state.m_strCacheProblem.empty())
        console.Message(std::string(PROGRAM) + ": warning: " + EscapeForTerminal(state.m_strCacheProblem));
    // Files left out of the comparison must not pass unnoticed: each is named once.
    for (const CUnreadableFile& file : state.m_unreadable)
        console.Message(std::string(PROGRAM) + ": warning: cannot read '" +
                        EscapeForTerminal(file.strPath) + "': " +
                        (file.nErrno ? std::strerror(file.nErrno) : "it changed since it was collected"));
    const long long nMatches = static_cast<long long>(state.m_matches.size());
    const long long nUnreadable = static_cast<long long>(state.m_unreadable.size());
    console.Message(Printf("Match done. Found: %lld file(s).", nMatches));
    console.Message("Twinex 1.0 RC1" +
                    Printf(" - Matched %lld in %lld file(s)", nMatches, static_cast<long long>(nFiles)) +
                    (nUnreadable ? Printf(", %lld could not be read", nUnreadable) : std::string()));
    if (!bWritten) {
        console.Message(std::string(PROGRAM) + ": cannot write the results: " + std::strerror(errno));
        return 1;
    }
    return 0;
}
