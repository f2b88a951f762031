#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// What start-up, the window and the screens need of the sync engine, which lives in a library above this one:
// its published state with the change of each, the manual runs and the connection test. Every call is made,
// and every signal delivered, on the GUI thread.
class CongDongBo : public QObject {
    Q_OBJECT
public:
    explicit CongDongBo(QObject* parent = nullptr) : QObject(parent) {}
    ~CongDongBo() override = default;

    // Starts the loop unless it runs already.
    virtual void batDau() = 0;
    virtual bool dangChay() const = 0;
    // The one-line status the window's status bar shows.
    virtual QString trangThai() const = 0;
    // Null while there is no error.
    virtual QString loi() const = 0;
    virtual QStringList nhatKy() const = 0;
    // Null while no fetch of the current client has received an order.
    virtual QString mauTho() const = 0;

    // One run; lay30Ngay refetches the last 30 days. xong is called on the GUI thread when it is over
    // (at once when another run is in progress or there is no client).
    virtual void dongBo(bool lay30Ngay, std::function<void()> xong = {}) = 0;
    // The connection test; the text begins with "Kết nối được" on success.
    virtual void thuKetNoi(std::function<void(const QString&)> xong) = 0;

signals:
    void dangChayChanged();
    void trangThaiChanged();
    void loiChanged();
    void nhatKyChanged();
    void mauThoChanged();
};
