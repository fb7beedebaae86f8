#include "SearchWizard.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QWidget>

#include "FileDropListCtrl.h"
#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Page3Dlg.h"
#include "WizardHost.h"
#include "WizardSheet.h"

// The main window closing ends a running search and the wizard with it, without a question.
class CHostCloseWatch : public QObject {
public:
    explicit CHostCloseWatch(IWizardHost& host) : m_host(host) {}

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Close) CloseSearchWizard(m_host);
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    IWizardHost& m_host;
};

CSearchWizard::CSearchWizard(IWizardHost& host, const CWizardServices& services)
    : m_host(host),
      m_pSheet(std::make_unique<CWizardSheet>(host.GetHostWindow())),
      m_pCloseWatch(std::make_unique<CHostCloseWatch>(host)) {
    if (QWidget* pWindow = host.GetHostWindow()) pWindow->installEventFilter(m_pCloseWatch.get());
    m_host.m_pPage1 = new CPage1Dlg(host, services);
    m_host.m_pPage2 = new CPage2Dlg(host);
    m_host.m_pPage3 = new CPage3Dlg(host, services.procs);
    m_pSheet->addPage(m_host.m_pPage1);
    m_pSheet->addPage(m_host.m_pPage2);
    m_pSheet->addPage(m_host.m_pPage3);
    m_pSheet->FitPages();
}

CSearchWizard::~CSearchWizard() {
    // Stop the search first: its worker reads the progress page's arrays.
    if (m_host.m_pPage3) m_host.m_pPage3->AbortAndWait();
    QObject::disconnect(m_pSheet.get(), &QWizard::currentIdChanged, nullptr, nullptr);
    m_pSheet->hide();
    delete m_host.m_pPage1;
    m_host.m_pPage1 = nullptr;
    delete m_host.m_pPage2;
    m_host.m_pPage2 = nullptr;
    delete m_host.m_pPage3;
    m_host.m_pPage3 = nullptr;
    m_pSheet.reset();
}

int CSearchWizard::Exec() {
    return m_pSheet->exec();
}

void RunSearchWizard(IWizardHost& host, const CWizardServices& services) {
    if (host.m_pPage1 || host.m_pPage2 || host.m_pPage3) return;
    CSearchWizard wizard(host, services);
    wizard.Exec();  // Finish and Cancel end the same way
}

void CloseSearchWizard(IWizardHost& host) {
    if (!host.m_pPage3) return;
    host.m_pPage3->AbortAndWait();
    if (CWizardSheet* pSheet = host.m_pPage3->GetSheet()) pSheet->ForceClose();
}

CWizardSheet* OpenSearchWizardAt(IWizardHost& host, const CWizardServices& services, int nPage,
                                 const QStringList& folders) {
    auto* pWizard = new CSearchWizard(host, services);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [pWizard] { delete pWizard; });
    CWizardSheet& sheet = pWizard->GetSheet();
    sheet.show();

    CPage1Dlg& page1 = *host.m_pPage1;
    QStringList all;
    for (const QString& strFolder : folders) {
        all.append(strFolder);
        const QDir dir(strFolder);
        for (const QString& strSub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            all.append(dir.filePath(strSub));
    }
    for (int i = 0; i < all.size(); ++i) {
        if (i + 1 == all.size() && i > 0) {
            page1.m_editMask->setText(QStringLiteral("*.jpg;*.png"));
            page1.m_btnRecurse->setChecked(false);
        }
        page1.AddFolder(QFile::encodeName(all[i]));
    }
    for (int i = 1; i < nPage; ++i) sheet.next();
    return &sheet;
}
