// The folder block that the records of one folder share. Private to the engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "FileInfo.h"

struct CFileInfo::CDir {
    std::atomic<std::size_t> m_nRefs{0};
    std::string m_strPath;   // ends with '/'
    std::string m_strNames;  // the names of its files, back to back
};
