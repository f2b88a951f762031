#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGHUP, what a system shutdown or the end of a desktop session sends, brought onto the GUI
// thread as a Qt signal, so the program ends the way closing its window does: a running recording is saved
// first. The handler only writes the signal's number into a pipe that the event loop watches.
class TinHieuDong final : public QObject {
    Q_OBJECT
public:
    explicit TinHieuDong(QObject* parent = nullptr);
    ~TinHieuDong() override;
    TinHieuDong(const TinHieuDong&) = delete;
    TinHieuDong& operator=(const TinHieuDong&) = delete;

signals:
    void yeuCauDong(int soTinHieu);

private:
    static void xuLy(int soTinHieu);
    void docOng();

    int ongDoc_ = -1;
    QSocketNotifier* bao_ = nullptr;
};
