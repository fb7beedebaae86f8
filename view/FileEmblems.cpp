#include "FileEmblems.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// Drawn rather than taken from the icon theme: the mark must look the same on every desktop,
// and a theme without an emblem would leave reference files unmarked.
void DrawPadlock(QPainter& painter, const QRectF& box) {
    const qreal w = box.width(), h = box.height();
    const QRectF body(box.left() + w * 0.12, box.top() + h * 0.45, w * 0.76, h * 0.52);
    const QRectF shackle(box.left() + w * 0.27, box.top() + h * 0.06, w * 0.46, h * 0.64);
    const qreal stroke = std::max<qreal>(1.0, w * 0.14);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, stroke + 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(shackle, 0, 180 * 16);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x93), stroke, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(shackle, 0, 180 * 16);

    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(QColor(0x1f, 0x3a, 0x93));
    painter.drawRoundedRect(body, w * 0.1, h * 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xc1, 0x2e));
    const qreal hole = std::max<qreal>(1.0, w * 0.14);
    painter.drawEllipse(QPointF(body.center().x(), body.center().y()), hole, hole);
}

// Two links of a chain, drawn across the box's diagonal.
void DrawChain(QPainter& painter, const QRectF& box) {
    const qreal w = box.width(), h = box.height();
    const qreal stroke = std::max<qreal>(1.0, w * 0.16);
    const QColor ink(0x0b, 0x6e, 0x4f);
    painter.setBrush(Qt::NoBrush);
    const QRectF links[2] = {QRectF(box.left() + w * 0.05, box.top() + h * 0.3, w * 0.55, h * 0.4),
                             QRectF(box.left() + w * 0.4, box.top() + h * 0.3, w * 0.55, h * 0.4)};
    for (const QColor& color : {QColor(Qt::white), ink}) {
        painter.setPen(QPen(color, color == ink ? stroke : stroke + 2));
        for (const QRectF& link : links) {
            painter.save();
            painter.translate(box.center());
            painter.rotate(-45);
            painter.translate(-box.center());
            painter.drawRoundedRect(link, h * 0.2, h * 0.2);
            painter.restore();
        }
    }
}

using FDraw = void (*)(QPainter&, const QRectF&);

// The emblem takes dEmblem of the icon's side, in its lower right corner.
QIcon Marked(const QIcon& base, qreal dEmblem, FDraw fnDraw) {
    QIcon icon;
    for (const int nSize : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(nSize, nSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!base.isNull()) base.paint(&painter, pixmap.rect());
        const qreal emblem = nSize * dEmblem;
        fnDraw(painter, QRectF(nSize - emblem, nSize - emblem, emblem, emblem));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon WithReferenceEmblem(const QIcon& base) { return Marked(base, 0.6, DrawPadlock); }

QIcon ReferenceEmblemIcon() { return Marked(QIcon(), 0.85, DrawPadlock); }

QIcon WithLinkEmblem(const QIcon& base) { return Marked(base, 0.7, DrawChain); }

QIcon LinkEmblemIcon() { return Marked(QIcon(), 0.9, DrawChain); }
