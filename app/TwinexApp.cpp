#include "TwinexApp.h"

#include <QDir>
#include <QIcon>
#include <QScreen>

#include "AboutDlg.h"
#include "MainFrame.h"
#include "ResImages.h"
#include "TwinexDoc.h"

namespace {

// Without a desktop icon theme (a bare X session, Xvfb) every file-type icon would be the plain
// one; a common full theme, where installed, fills the gaps. A desktop's own theme still wins.
void ChooseFallbackIconTheme() {
    const QString strFallback = QIcon::fallbackThemeName();
    if (!strFallback.isEmpty() && strFallback != QLatin1String("hicolor")) return;
    for (const char* pszTheme : {"Adwaita", "breeze"}) {
        for (const QString& strPath : QIcon::themeSearchPaths()) {
            if (QDir(strPath).exists(QLatin1String(pszTheme) + QLatin1String("/index.theme"))) {
                QIcon::setFallbackThemeName(QLatin1String(pszTheme));
                return;
            }
        }
    }
}

}  // namespace

CTwinexApp::CTwinexApp(int& argc, char** argv) : QApplication(argc, argv) {}

CTwinexApp::~CTwinexApp() {
    // The window goes before the document it shows, and both before QApplication.
    m_pMainWnd.reset();
    m_pDoc.reset();
}

bool CTwinexApp::InitInstance() {
    InitResImages();
    // Names the per-user settings location of the framework; the program stores nothing there.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("Twinex"));
    setApplicationVersion(QStringLiteral("1.0 RC1"));
    setDesktopFileName(QStringLiteral("org.twinex.Twinex"));
    setWindowIcon(GetAppIcon());
    ChooseFallbackIconTheme();

    m_pDoc = std::make_unique<CTwinexDoc>();
    if (!m_pDoc->OnNewDocument()) return false;
    m_pMainWnd = std::make_unique<CMainFrame>(m_pDoc.get());

    // A default-sized window, as a new top-level window gets: three quarters of the screen.
    if (const QScreen* pScreen = primaryScreen()) {
        const QSize available = pScreen->availableSize();
        m_pMainWnd->resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    m_pMainWnd->show();
    return true;
}

void CTwinexApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainWnd.get());
    dlg.exec();
}
