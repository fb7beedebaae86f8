// Iterative folder walk for CFileInfoArray: reads each folder once, never follows a symbolic
// link, and hands over regular files only. Private to the engine.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "FileInfo.h"

class IDirVisitor {
public:
    virtual ~IDirVisitor() = default;
    // A folder is about to be read; strDir is its path ending with '/'.
    virtual void EnterDir(const std::string& strDir) = 0;
    // Its entries are done.
    virtual void LeaveDir() = 0;
    // Whether a name is worth a stat (the mask test).
    virtual bool WantFile(std::string_view strName) = 0;
    // Whether a subfolder of the folder last entered is to be walked.
    virtual bool WantDir(std::string_view /*strName*/) { return true; }
    // A regular file of the folder last entered.
    virtual void AddFile(std::string_view strName, const struct stat& st) = 0;
    // A visitor of its own for another walker of the same walk, on another thread; null keeps
    // the walk on one thread, in order. Join takes back what a fork gathered, after the walk.
    virtual std::unique_ptr<IDirVisitor> Fork() { return nullptr; }
    virtual void Join(std::unique_ptr<IDirVisitor> /*pFork*/) {}
};

// Walks strTop (opened even if it is a symbolic link to a folder; nothing below is followed),
// and its subfolders when bRecurse, on up to tuning.m_nThreads walkers when the visitor forks.
// Returns false when *pAbort stopped it.
bool WalkTree(const std::string& strTop, bool bRecurse, const std::atomic<int>* pAbort,
              IDirVisitor& visitor, const FWalkError& onError, const CWalkTuning& tuning = {});
