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
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "CliOptions.h"
#include "CliOutput.h"
#include "Collect.h"
#include "Match.h"
#include "MatchSets.h"

namespace {

constexpr const char* PROGRAM = "twinex-cli";
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_CANCELLED = 130;
constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(100);  // progress line updates

volatile std::sig_atomic_t g_bInterrupted = 0;

void OnInterrupt(int) { g_bInterrupted = 1; }

// Standard error, shared by the main thread (progress) and the workers (warnings). The
// progress line is drawn only on a terminal and always cleared before any other text.
class CConsole {
public:
    explicit CConsole(bool bProgress) : m_bProgress(bProgress) {}

    void Progress(const std::string& strLine) {
        std::lock_guard lock(m_mutex);
        if (!m_bProgress) return;
        std::fprintf(stderr, "\r\033[K%s", strLine.c_str());
        std::fflush(stderr);
        m_bLineShown = true;
    }

    void Message(const std::string& strLine) {
        std::lock_guard lock(m_mutex);
        ClearLine();
        std::fprintf(stderr, "%s\n", strLine.c_str());
        std::fflush(stderr);
    }

    // No more progress: rows are about to go out, perhaps to the same terminal.
    void EndProgress() {
        std::lock_guard lock(m_mutex);
        ClearLine();
        m_bProgress = false;
    }

private:
    void ClearLine() {
        if (m_bLineShown) std::fputs("\r\033[K", stderr);
        m_bLineShown = false;
    }

    std::mutex m_mutex;
    bool m_bProgress;
    bool m_bLineShown = false;
};

// Streams the rows as they come, save that a table holds its first TABLE_WIDTH_ROWS rows to
// size its columns; with --sort, keeps every row, compactly, until the last has come.
class CCliSink : public IResultSink {
public:
    CCliSink(const CCliOptions& opts, CConsole& console)
        : m_opts(opts), m_console(console), m_bSort(opts.m_nSortColumn >= 0) {}

    void Clear() override {
        m_console.EndProgress();
        m_store.Clear();
        m_head.clear();
        m_table.reset();
        m_nRows = 0;
        m_bStarted = true;
        WriteHead();
    }

    void Append(std::vector<CResultRow>&& batch) override {
        if (m_bSort) {
            for (const CResultRow& row : batch) m_store.Add(row);
            return;
        }
        for (CResultRow& row : batch) {
            if (Interrupted()) return;
            WriteRow(std::move(row));
        }
    }

    void End() override {}

    // After the matcher: writes kept rows and closes the json text. Ctrl-C stops the rows;
    // returns false when the matcher or Ctrl-C cut the rows short.
    bool Finish(std::size_t nFiles, bool bComplete) {
        if (m_bStarted && m_bSort) {
            m_store.Sort(m_opts.m_nSortColumn, m_opts.m_bDescending);
            if (m_opts.m_format == FORMAT_TABLE) {
                WriteTable(stdout, m_store, Interrupted);
            } else {
                CResultRow row;
                for (std::size_t i = 0; i < m_store.GetCount() && !Interrupted(); ++i) {
                    m_store.GetRow(i, row);
                    WriteRow(std::move(row));
                }
            }
        }
        if (m_bStarted && m_opts.m_format == FORMAT_TABLE && !m_bSort && !m_table) StartTable();
        bComplete = bComplete && !Interrupted();
        if (m_bStarted && m_opts.m_format == FORMAT_JSON)
            Put((m_nRows ? "\n" : "") + JsonTail(nFiles, m_nRows, bComplete));
        return bComplete;
    }

private:
    void WriteHead() {
        if (m_opts.m_format == FORMAT_TSV) {
            Put(TsvHeader());
        } else if (m_opts.m_format == FORMAT_JSON) {
            static const char* const criteria[] = {"size", "checksum", "crc32", "contents"};
            Put(JsonHead(criteria[m_opts.m_nCriterion], m_opts.m_strPartial, m_opts.m_bReflect != 0));
        }
    }

    void WriteRow(CResultRow&& row) {
        if (m_opts.m_format == FORMAT_TSV) {
            Put(TsvRow(row));
        } else if (m_opts.m_format == FORMAT_JSON) {
            Put((m_nRows ? ",\n" : "\n") + JsonRow(row));
        } else if (m_table) {
            m_table->WriteRow(row);
        } else {
            m_head.push_back(std::move(row));
            if (m_head.size() == TABLE_WIDTH_ROWS) StartTable();
        }
        ++m_nRows;
    }

    // The table's widths from the rows held so far, its header and those rows.
    void StartTable() {
        m_table = std::make_unique<CTableWriter>(stdout);
        for (const CResultRow& row : m_head) m_table->Widen(row);
        m_table->WriteHeader();
        for (const CResultRow& row : m_head) {
            if (Interrupted()) break;
            m_table->WriteRow(row);
        }
        m_head = {};
    }

    void Put(const std::string& str) { std::fwrite(str.data(), 1, str.size(), stdout); }

    static bool Interrupted() { return g_bInterrupted != 0; }

    const CCliOptions& m_opts;
    CConsole& m_console;
    const bool m_bSort;
    bool m_bStarted = false;
    CRowStore m_store;                      // with --sort
    std::vector<CResultRow> m_head;         // a table's first rows, until its widths are known
    std::unique_ptr<CTableWriter> m_table;  // once they are
    std::size_t m_nRows = 0;
};

// Runs one worker on its own thread; the calling thread draws progress every 100 ms and
// turns Ctrl-C into the abort request. False when the system gives no thread.
template <typename Work, typename Draw>
bool RunWorker(CSearchState& state, Work work, Draw draw) {
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
            if (g_bInterrupted && !state.m_bAbort.load()) {
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

std::string Bar(std::int64_t nPos, std::int64_t nMax) {
    constexpr int WIDTH = 30;
    const int nFilled = nMax > 0 ? static_cast<int>(nPos * WIDTH / nMax) : 0;
    const int nPercent = nMax > 0 ? static_cast<int>(nPos * 100 / nMax) : 0;
    return "[" + std::string(nFilled, '#') + std::string(WIDTH - nFilled, '-') + "] " +
           std::to_string(nPercent) + "%  " + std::to_string(nPos) + "/" + std::to_string(nMax);
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
    if (auto strError = ParseCommandLine(args, opts)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", PROGRAM,
                     strError->c_str(), PROGRAM);
        return EXIT_USAGE;
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

    // A second Ctrl-C ends the program at once.
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
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
        state,
        [&](auto done) {
            CCollectCallbacks callbacks;
            callbacks.postCollectDone = done;
            callbacks.onError = warn;
            CollectFilesProc(rows, 1, state, callbacks);
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
    CMatchTuning tuning;
    tuning.m_nThreads = opts.m_nThreads;
    CCliSink sink(opts, console);
    const bool bMatched = RunWorker(
        state,
        [&](auto done) {
            CMatchCallbacks callbacks;
            callbacks.postMatchDone = done;
            MatchFilesTuned(settings, state, sink, callbacks, tuning);
        },
        [&] {
            const std::int64_t nPos = state.m_nProgressPos.load();
            const std::int64_t nMax = state.m_nProgressMax.load();
            console.Progress("Matching files with specified criteria " + Bar(nPos, nMax));
        });
    if (!bMatched) return 1;

    const bool bCancelled = !sink.Finish(nFiles, state.m_bAbort.load() == 0);
    const bool bWritten = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (bCancelled) {
        console.Message("Match aborted.");
        return EXIT_CANCELLED;
    }
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
