#include "shell/BieuTuong.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// A static library's resources are linked only when something asks for them by name.
void napHinhUngDung() {
    static const bool daNap = [] {
        Q_INIT_RESOURCE(hinh);
        return true;
    }();
    (void)daNap;
}

QPixmap veBieuTuong(const QString& ten, const QColor& mau, int coPx, qreal tiLeDiem) {
    const int canh = qMax(1, qRound(coPx * tiLeDiem));
    QPixmap anh(canh, canh);
    anh.fill(Qt::transparent);
    napHinhUngDung();
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
