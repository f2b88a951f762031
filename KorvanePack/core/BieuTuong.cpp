#include "core/BieuTuong.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

QPixmap veBieuTuong(const QString& ten, const QColor& mau, int coPx, qreal tiLeDiem) {
    const int canh = qMax(1, qRound(coPx * tiLeDiem));
    QPixmap anh(canh, canh);
    anh.fill(Qt::transparent);
    const QString duong = QStringLiteral(":/hinh/%1.svg").arg(ten);
    if (QFile::exists(duong)) {
        QSvgRenderer ve(duong);
        QPainter p(&anh);
        p.setRenderHint(QPainter::Antialiasing);
        ve.render(&p, QRectF(0, 0, canh, canh));
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(anh.rect(), mau);
    }
    anh.setDevicePixelRatio(tiLeDiem);
    return anh;
}
