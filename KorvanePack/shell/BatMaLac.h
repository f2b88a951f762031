#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// A keyboard-wedge scanner types a code and Enter into whatever holds the keyboard. On a screen with no field
// for it the keys reach the window unused and the code would vanish without a trace; this catches such keys
// (those that reached the window of `khung` with no widget taking them) and hands the code on, so the window
// can say where a scan belongs. Keys taken by any widget are left alone.
class BatMaLac : public QObject {
    Q_OBJECT
public:
    explicit BatMaLac(QWidget* khung);
    ~BatMaLac() override;

    bool eventFilter(QObject* doiTuong, QEvent* suKien) override;
    // Forgets the characters gathered so far, as when another screen is shown.
    void quen() { dem_.clear(); }

    // Shorter runs are stray keys rather than a code.
    static constexpr int kDaiToiThieu = 3;
    // A code is never longer; more is a key held down, and is not kept.
    static constexpr int kDaiToiDa = 256;

signals:
    void maLac(const QString& ma);

private:
    QPointer<QWidget> khung_;
    QString dem_;
};
