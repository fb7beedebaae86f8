// A file descriptor closed when it goes out of scope.
#pragma once

#include <unistd.h>

class CUniqueFd {
public:
    explicit CUniqueFd(int fd) : m_fd(fd) {}
    ~CUniqueFd() {
        if (m_fd >= 0) close(m_fd);
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
