#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// A reply as it came back. Header names are compared without regard to case, as HTTP wants;
// platforms and proxies do not agree on the spelling of "Retry-After" or their call-limit header.
struct PhanHoiHTTP {
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> tieuDe;
    QByteArray than;
    QString urlCuoi;  // after redirects

    std::optional<QByteArray> docTieuDe(const QByteArray& ten) const;
};
