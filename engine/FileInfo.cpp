// One collected file: its record and the folder block it shares with its neighbours.

#include "FileInfo.h"

#include <utility>

// A million files are held at once: the record must not grow unnoticed.
static_assert(sizeof(CFileInfo) == 56);

namespace {

void AddRef(CFileInfo::CDir* pDir) {
    if (pDir) pDir->m_nRefs.fetch_add(1, std::memory_order_relaxed);
}

void Release(CFileInfo::CDir* pDir) {
    if (pDir && pDir->m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete pDir;
}

}  // namespace

CFileInfo::CFileInfo(std::shared_ptr<const std::string> pDir, std::string strName,
                     std::uint64_t nSize, std::int64_t tModified, std::uint64_t nDevice,
                     std::uint64_t nInode)
    : m_pDir(new CDir), m_nSize(nSize), m_tModified(tModified), m_nDevice(nDevice),
      m_nInode(nInode), m_nNameLength(static_cast<std::uint32_t>(strName.size())) {
    AddRef(m_pDir);
    if (pDir) m_pDir->m_strPath = *pDir;
    if (!m_pDir->m_strPath.empty() && m_pDir->m_strPath.back() != '/')
        m_pDir->m_strPath.push_back('/');
    m_pDir->m_strNames = std::move(strName);
}

CFileInfo::CFileInfo(CDir* pDir, std::uint32_t nNameOffset, std::uint32_t nNameLength,
                     std::uint64_t nSize, std::int64_t tModified, std::uint64_t nDevice,
                     std::uint64_t nInode, std::int64_t nChangedNs) noexcept
    : m_pDir(pDir), m_nSize(nSize), m_tModified(tModified), m_nDevice(nDevice),
      m_nInode(nInode), m_nChangedNs(nChangedNs), m_nNameOffset(nNameOffset),
      m_nNameLength(nNameLength) {
    AddRef(m_pDir);
}

CFileInfo::CFileInfo(const CFileInfo& other) noexcept
    : m_pDir(other.m_pDir), m_nSize(other.m_nSize), m_tModified(other.m_tModified),
      m_nDevice(other.m_nDevice), m_nInode(other.m_nInode), m_nChangedNs(other.m_nChangedNs),
      m_nNameOffset(other.m_nNameOffset), m_nNameLength(other.m_nNameLength),
      m_bReference(other.m_bReference) {
    AddRef(m_pDir);
}

CFileInfo::CFileInfo(CFileInfo&& other) noexcept
    : m_pDir(std::exchange(other.m_pDir, nullptr)), m_nSize(other.m_nSize),
      m_tModified(other.m_tModified), m_nDevice(other.m_nDevice), m_nInode(other.m_nInode),
      m_nChangedNs(other.m_nChangedNs), m_nNameOffset(other.m_nNameOffset),
      m_nNameLength(other.m_nNameLength), m_bReference(other.m_bReference) {}

void CFileInfo::CopyPlainFields(const CFileInfo& other) noexcept {
    m_nSize = other.m_nSize;
    m_tModified = other.m_tModified;
    m_nDevice = other.m_nDevice;
    m_nInode = other.m_nInode;
    m_nChangedNs = other.m_nChangedNs;
    m_nNameOffset = other.m_nNameOffset;
    m_nNameLength = other.m_nNameLength;
    m_bReference = other.m_bReference;
}

CFileInfo& CFileInfo::operator=(const CFileInfo& other) noexcept {
    if (this != &other) {
        AddRef(other.m_pDir);
        Release(m_pDir);
        m_pDir = other.m_pDir;
        CopyPlainFields(other);
    }
    return *this;
}

CFileInfo& CFileInfo::operator=(CFileInfo&& other) noexcept {
    if (this != &other) {
        Release(m_pDir);
        m_pDir = std::exchange(other.m_pDir, nullptr);
        CopyPlainFields(other);
    }
    return *this;
}

CFileInfo::~CFileInfo() { Release(m_pDir); }

std::string_view CFileInfo::GetNameView() const {
    if (!m_pDir) return {};
    return std::string_view(m_pDir->m_strNames).substr(m_nNameOffset, m_nNameLength);
}

const std::string& CFileInfo::GetFileDir() const {
    static const std::string s_strEmpty;
    return m_pDir ? m_pDir->m_strPath : s_strEmpty;
}

std::string CFileInfo::GetFilePath() const {
    const std::string& strDir = GetFileDir();
    const std::string_view strName = GetNameView();
    std::string strPath;
    strPath.reserve(strDir.size() + strName.size());
    strPath.append(strDir).append(strName);
    return strPath;
}
