#include "renamer/widgets/RenamerIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "helpers/widgets/ThemeIcon.h"

namespace morv::renamer {

namespace {

const char* ThemeName(RenamerIconKind kind) {
    switch (kind) {
        case RenamerIconKind::Add:
            return "list-add";
        case RenamerIconKind::Remove:
            return "list-remove";
        case RenamerIconKind::Clear:
            return "edit-clear-all";
        case RenamerIconKind::Up:
            return "go-up";
        case RenamerIconKind::Down:
            return "go-down";
        case RenamerIconKind::Preview:
            return "image-x-generic";
        case RenamerIconKind::Program:
            return "";
    }
    return "";
}

// One drawn picture on a 16 by 16 grid, scaled to size.
QPixmap Draw(RenamerIconKind kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    const QColor ink(0x2e, 0x5c, 0x8a);
    QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (kind) {
        case RenamerIconKind::Add:
            p.drawLine(QPointF(8, 3), QPointF(8, 13));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case RenamerIconKind::Remove:
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case RenamerIconKind::Clear:
            p.setPen(QPen(QColor(0xa0, 0x2b, 0x2b), 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case RenamerIconKind::Up:
        case RenamerIconKind::Down: {
            if (kind == RenamerIconKind::Down) {
                p.translate(0, 16);
                p.scale(1, -1);
            }
            p.drawLine(QPointF(8, 13), QPointF(8, 4));
            p.drawPolyline(QPolygonF({QPointF(4, 8), QPointF(8, 3.5), QPointF(12, 8)}));
            break;
        }
        case RenamerIconKind::Preview: {
            p.setPen(QPen(ink, 1.2));
            p.setBrush(QColor(0xdd, 0xee, 0xff));
            p.drawRect(QRectF(1.5, 3.5, 13, 10));
            p.setBrush(QColor(0x4e, 0x9a, 0x06));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(2, 13), QPointF(6.5, 7), QPointF(10, 13)}));
            p.setBrush(QColor(0xf5, 0xc2, 0x11));
            p.drawEllipse(QPointF(11, 6.5), 1.6, 1.6);
            break;
        }
        case RenamerIconKind::Program: {
            // Three stacked sheets with a number: a batch of files that are being numbered.
            p.setPen(QPen(ink, 0.8));
            for (int i = 2; i >= 0; --i) {
                p.setBrush(i == 0 ? QColor(Qt::white) : QColor(0xdd, 0xe6, 0xf0));
                p.drawRect(QRectF(2 + i * 2, 1 + i * 1.5, 9, 11));
            }
            p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1.6));
            QFont font = p.font();
            font.setPixelSize(7);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(2, 1, 9, 11), Qt::AlignCenter, QStringLiteral("#"));
            break;
        }
    }
    return pixmap;
}

}  // namespace

QIcon RenamerIcon(RenamerIconKind kind) {
    const char* name = ThemeName(kind);
    QIcon icon = *name != '\0' ? ThemeIcon(name) : QIcon();
    if (!icon.isNull()) return icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(Draw(kind, size));
    return icon;
}

}  // namespace morv::renamer
