#include "DesktopServices.h"

#include <QDesktopServices>
#include <QGuiApplication>

#include "DeleteProgressDialog.h"
#include "MimeApps.h"
#include "Trash.h"

QString CDesktopLauncher::FindDefaultApplication(const QStringList& mimeTypes) {
    std::vector<std::string> types;
    for (const QString& strType : mimeTypes) types.push_back(strType.toStdString());
    return QString::fromStdString(::FindDefaultApplication(types, CXdgDirs::FromEnvironment()));
}

QUrl FileUrlOf(const std::string& strPath) {
    const QByteArray bytes(strPath.data(), static_cast<qsizetype>(strPath.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

bool CDesktopLauncher::OpenFile(const std::string& strPath) {
    return QDesktopServices::openUrl(FileUrlOf(strPath));
}

CDesktopServices::CDesktopServices(QWidget* pPromptParent)
    : m_prompt(pPromptParent), m_trash(GetHomeTrashDir()) {}

CViewServices CDesktopServices::Services() {
    CViewServices services;
    services.pPrompt = &m_prompt;
    services.pLauncher = &m_launcher;
    services.pRemover = &m_remover;
    services.pTrash = &m_trash;
    services.fnMakeProgress = [](QWidget* pParent,
                                 const QString& strActing) -> std::unique_ptr<IDeleteProgress> {
        return std::make_unique<CProgressDialogProgress>(pParent, strActing);
    };
    services.fnIsShiftDown = [] {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    };
    return services;
}
