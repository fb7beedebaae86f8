// A wizard run driven as a user would: shown offscreen, buttons clicked, items dropped.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QList>
#include <QUrl>
#include <memory>

#include "DirDialog.h"
#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Page3Dlg.h"
#include "SearchWizard.h"
#include "WizardSheet.h"
#include "WizardTestHost.h"

class CFileDropListCtrl;

// Drops local paths (exact bytes, encoded as a file manager does) and other URLs on the list.
void DropOnList(CFileDropListCtrl& list, const QList<QByteArray>& paths,
                const QList<QUrl>& extraUrls = {});

class CWizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a fresh wizard run on page 1.
    void OpenWizard();
    void CloseWizard() { m_pWizard.reset(); }

    CWizardSheet& Sheet() const { return m_pWizard->GetSheet(); }
    CPage1Dlg& Page1() const { return *m_host.m_pPage1; }
    CPage2Dlg& Page2() const { return *m_host.m_pPage2; }
    CPage3Dlg& Page3() const { return *m_host.m_pPage3; }
    QAbstractButton* Button(QWizard::WizardButton nWhich) const { return Sheet().button(nWhich); }

    // Clicks a wizard button and lets the queued button states land.
    void Click(QWizard::WizardButton nWhich);
    // True when the button is shown and can be clicked.
    bool Usable(QWizard::WizardButton nWhich) const;
    // Drops local paths (exact bytes) and other URLs onto the folder list.
    void DropPaths(const QList<QByteArray>& paths, const QList<QUrl>& extraUrls = {});
    std::vector<std::string> ListedFolders() const;
    // Drops one folder and goes on to the progress page; the search starts.
    void StartSearch(const QByteArray& strFolder);
    // Waits until the current search has ended (Back and Finish offered).
    bool WaitSearchEnd(int nTimeoutMs = 20000);

    CTestHost m_host;
    std::unique_ptr<CSearchWizard> m_pWizard;

private:
    FCollectFiles m_fnSavedCollect;
    FMatchFiles m_fnSavedMatch;
    FBrowseFolder m_fnSavedBrowse;
    std::function<bool(const QUrl&)> m_fnSavedOpenUrl;
};
