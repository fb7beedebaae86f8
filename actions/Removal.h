// The services a delete goes through: removing for good, the Trash, and the progress shown
// meanwhile. Interfaces, so that tests answer in place of the file system or the user; and the
// real remover and Trash.
#pragma once

#include <cstdint>
#include <string>

#include "TrashRestore.h"

// Removing files for good.
class IFileRemover {
public:
    virtual ~IFileRemover() = default;
    // 0 when the file is gone from its place, else an errno value.
    virtual int Remove(const std::string& strPath) = 0;
};

// A Trash that files go to and come back from.
class ITrash {
public:
    virtual ~ITrash() = default;
    // 0 when the file is in the Trash, else an errno value (EXDEV: no Trash on its file
    // system). pTrashedAs receives where it went there ("" when that is not known: the file
    // cannot be brought back then).
    virtual int Move(const std::string& strPath, std::string* pTrashedAs) = 0;
    // As RestoreFromTrash.
    virtual int Restore(const CTrashedFile& file) = 0;
};

// The progress of one delete; user-interface thread.
class IDeleteProgress {
public:
    virtual ~IDeleteProgress() = default;
    virtual void Begin(int nTotal, bool bToTrash) = 0;
    // nDone files are through; false when the user asked to stop.
    virtual bool Step(int nDone) = 0;
    virtual void End() = 0;
    // The byte-by-byte check that comes first, in bytes read.
    virtual void BeginCheck(std::uint64_t nTotalBytes) { (void)nTotalBytes; }
    virtual bool StepCheck(std::uint64_t nDoneBytes) {
        (void)nDoneBytes;
        return true;
    }
};

// Progress for a change that nobody watches (scripts): every step goes through.
class CQuietProgress : public IDeleteProgress {
public:
    void Begin(int, bool) override {}
    bool Step(int) override { return true; }
    void End() override {}
};

// unlink(2) on the exact path.
class CFileRemover : public IFileRemover {
public:
    int Remove(const std::string& strPath) override;
};

// The freedesktop Trash with this home Trash folder (GetHomeTrashDir for the user's).
class CXdgTrash : public ITrash {
public:
    explicit CXdgTrash(std::string strHomeTrash) : m_strHomeTrash(std::move(strHomeTrash)) {}
    int Move(const std::string& strPath, std::string* pTrashedAs) override;
    int Restore(const CTrashedFile& file) override;

private:
    std::string m_strHomeTrash;
};
