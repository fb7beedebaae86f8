// Runs the built twinex-cli in tests: its exit status and both outputs.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "TempTree.h"

extern char** environ;

inline std::string ReadAll(const std::string& strPath) {
    return std::string(std::istreambuf_iterator<char>(std::ifstream(strPath, std::ios::binary).rdbuf()), {});
}

struct CResult {
    int m_nStatus = -1;
    std::string m_strOut, m_strErr;
};

// How to start twinex-cli: shell ulimit commands run before it (a status of 77 means they
// were refused), its working folder, standard output to a pipe instead of a file.
struct CSpawn {
    std::string m_strLimits, m_strCwd;
    bool m_bPipeOut = false;
    std::string m_strProgram = TWINEX_CLI_PATH;
    std::vector<std::string> m_prefix;  // a program that starts it, with its options
    std::string m_strCacheHome;          // its XDG_CACHE_HOME; empty: a scratch folder
};

class CCliProcess {
public:
    explicit CCliProcess(const std::vector<std::string>& args, const CSpawn& spawn = {}) {
        std::vector<std::string> strArgs{spawn.m_strProgram};
        if (!spawn.m_strLimits.empty())
            strArgs = {"/bin/sh", "-c",
                       "{ " + spawn.m_strLimits + "; } 2>/dev/null || exit 77; exec \"$0\" \"$@\"",
                       spawn.m_strProgram};
        strArgs.insert(strArgs.begin(), spawn.m_prefix.begin(), spawn.m_prefix.end());
        strArgs.insert(strArgs.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& str : strArgs) argv.push_back(str.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int fds[2] = {-1, -1};
        if (spawn.m_bPipeOut) {
            EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, m_strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawn_file_actions_addopen(&actions, 2, m_strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (!spawn.m_strCwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, spawn.m_strCwd.c_str());
        // Its checksum cache goes to this process's scratch folder, never the user's.
        std::vector<std::string> env{"XDG_CACHE_HOME=" +
                                     (spawn.m_strCacheHome.empty() ? m_scratch.Path("cache") : spawn.m_strCacheHome)};
        for (char** p = environ; *p; ++p)
            if (std::string_view(*p).rfind("XDG_CACHE_HOME=", 0) != 0) env.emplace_back(*p);
        std::vector<char*> envp;
        for (std::string& str : env) envp.push_back(str.data());
        envp.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        if (fds[1] >= 0) ::close(fds[1]);
        m_nOutFd = fds[0];
    }
    ~CCliProcess() { if (m_nOutFd >= 0) ::close(m_nOutFd); }

    int OutFd() const { return m_nOutFd; }
    std::string Err() const { return ReadAll(m_strErr); }
    void Signal(int nSignal) const { ::kill(m_pid, nSignal); }

    CResult Wait() {
        int nStatus = 0;
        ::waitpid(m_pid, &nStatus, 0);
        return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus), ReadAll(m_strOut),
                ReadAll(m_strErr)};
    }

private:
    CTempTree m_scratch;
    std::string m_strOut = m_scratch.Path("out"), m_strErr = m_scratch.Path("err");
    pid_t m_pid = -1;
    int m_nOutFd = -1;
};

inline CResult RunCli(const std::vector<std::string>& args) { return CCliProcess(args).Wait(); }

inline std::vector<std::string> Split(const std::string& str, char c) {
    std::vector<std::string> parts(1);
    for (char ch : str) {
        if (ch == c) parts.emplace_back();
        else parts.back() += ch;
    }
    return parts;
}

inline std::vector<std::string> Lines(const std::string& str) {
    std::vector<std::string> lines = Split(str, '\n');
    EXPECT_EQ(lines.back(), "");
    lines.pop_back();
    return lines;
}
