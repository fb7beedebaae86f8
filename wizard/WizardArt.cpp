#include "WizardArt.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 245;

void DrawFolder(QPainter& p, const QRectF& r, const QColor& fill) {
    QPainterPath path;
    const qreal tab = r.height() * 0.22;
    path.moveTo(r.left(), r.top() + tab);
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.right(), r.top() + tab);
    path.lineTo(r.left() + r.width() * 0.45, r.top() + tab);
    path.lineTo(r.left() + r.width() * 0.38, r.top());
    path.lineTo(r.left() + r.width() * 0.05, r.top());
    path.closeSubpath();
    p.setPen(QPen(fill.darker(160), 1.5));
    p.setBrush(fill);
    p.drawPath(path);
    p.setBrush(fill.lighter(115));
    p.drawRect(QRectF(r.left(), r.top() + tab * 1.8, r.width(), r.height() - tab * 1.8));
}

void DrawDocument(QPainter& p, const QRectF& r, const QColor& fill) {
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(60, 70, 90), 1.5));
    p.setBrush(fill);
    p.drawPath(path);
    p.setPen(QPen(QColor(150, 160, 180), 1.2));
    for (qreal y = r.top() + fold + 6; y < r.bottom() - 5; y += 6)
        p.drawLine(QPointF(r.left() + 5, y), QPointF(r.right() - 5, y));
}

void DrawMagnifier(QPainter& p, const QPointF& centre, qreal radius) {
    p.setPen(QPen(QColor(240, 240, 240), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7),
               centre + QPointF(radius * 1.7, radius * 1.7));
    p.setPen(QPen(QColor(230, 230, 235), 4));
    p.setBrush(QColor(200, 230, 255, 90));
    p.drawEllipse(centre, radius, radius);
}

}  // namespace

QPixmap DrawSidePicture(ESidePicture nPicture) {
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(kWidth, kHeight) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0.0, QColor(18, 52, 110));
    sky.setColorAt(1.0, QColor(20, 120, 140));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), sky);
    // Faint rings, the same on every page, so the three read as one set.
    p.setPen(QPen(QColor(255, 255, 255, 28), 10));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(kWidth * 0.9, kHeight * 0.92), 70, 70);
    p.drawEllipse(QPointF(kWidth * 0.1, kHeight * 0.1), 45, 45);

    const QColor yellow(245, 200, 70);
    const QColor paper(250, 250, 245);
    switch (nPicture) {
        case ESidePicture::Folders:
            DrawFolder(p, QRectF(18, 70, 64, 48), yellow.darker(115));
            DrawFolder(p, QRectF(38, 98, 64, 48), yellow);
            break;
        case ESidePicture::Criteria:
            DrawDocument(p, QRectF(14, 78, 40, 54), paper);
            DrawDocument(p, QRectF(66, 78, 40, 54), paper);
            p.setPen(QPen(QColor(255, 220, 90), 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(46, 152), QPointF(74, 152));
            p.drawLine(QPointF(46, 162), QPointF(74, 162));
            break;
        case ESidePicture::Progress:
            DrawDocument(p, QRectF(22, 72, 40, 54), paper);
            DrawDocument(p, QRectF(52, 92, 40, 54), paper);
            DrawMagnifier(p, QPointF(60, 128), 20);
            break;
    }
    return pixmap;
}
