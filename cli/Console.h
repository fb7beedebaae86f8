// Standard error of twinex-cli, shared by the main thread (progress) and the workers
// (warnings). The progress line is drawn only on a terminal and always cleared before any
// other text.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

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
