#include "ResImages.h"

#include <QFile>

#include "Resource.h"

void InitResImages() { Q_INIT_RESOURCE(twinex); }

QIcon GetAppIcon() {
    QIcon icon;
    for (int nSize : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/twinex-%1.png").arg(nSize), QSize(nSize, nSize));
    return icon;
}

QPixmap LoadResBitmap(int nBitmapId) {
    switch (nBitmapId) {
    case IDB_PAGE1: return QPixmap(QStringLiteral(":/res/wizard1.png"));
    case IDB_PAGE2: return QPixmap(QStringLiteral(":/res/wizard2.png"));
    case IDB_PAGE3: return QPixmap(QStringLiteral(":/res/wizard3.png"));
    case IDB_FOLDER: return QPixmap(QStringLiteral(":/res/folder.png"));
    default: return QPixmap();
    }
}
