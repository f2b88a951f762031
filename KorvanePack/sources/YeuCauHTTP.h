#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <chrono>

// One request as a client hands it to the transport: complete, nothing added on the way.
struct YeuCauHTTP {
    QByteArray phuongThuc = "GET";
    QString url;
    QList<QPair<QByteArray, QByteArray>> tieuDe;
    QByteArray than;
    // The idle limit: the connect, and any stretch without a byte received (KenhHTTPCurl).
    std::chrono::milliseconds thoiGianCho{30'000};

    void themTieuDe(const QByteArray& ten, const QByteArray& giaTri) { tieuDe.append({ten, giaTri}); }
};
