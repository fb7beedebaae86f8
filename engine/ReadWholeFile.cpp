#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ResultsFile.h"

int ReadWholeFile(const std::string& strPath, std::string& strText) {
    struct stat st;
    if (stat(strPath.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    // The name may have been swapped for something else since the look above.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return EINVAL;
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int nError = errno;
            close(fd);
            return nError;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    strText = std::move(out);
    return 0;
}

