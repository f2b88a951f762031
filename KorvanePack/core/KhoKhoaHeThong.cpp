#include "core/KhoKhoaHeThong.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QStringDecoder>
#include <QThread>
#include <future>
#include <memory>
#include <mutex>

namespace {

struct KetQuaViec {
    QKeychain::Error loi = QKeychain::OtherError;
    QByteArray duLieu;
};

// One thread for the whole process: QtKeychain queues its jobs through a process-wide executor, which must
// stay on one thread. The thread and the object that receives the jobs there end with the application object.
QObject* nguCanhKhoa() {
    static std::mutex khoa;
    static QThread* luong = nullptr;
    static QObject* nguCanh = nullptr;
    std::lock_guard lock(khoa);
    if (!luong) {
        luong = new QThread;
        luong->setObjectName(QStringLiteral("korvane.pack.khoa"));
        nguCanh = new QObject;
        nguCanh->moveToThread(luong);
        luong->start();
        qAddPostRoutine([] {
            std::lock_guard lock(khoa);
            luong->quit();
            luong->wait();
            delete nguCanh;
            delete luong;
            nguCanh = nullptr;
            luong = nullptr;
        });
    }
    return nguCanh;
}

template <class TaoViec>
KetQuaViec chay(TaoViec taoViec, std::chrono::milliseconds thoiHan) {
    if (!QCoreApplication::instance()) return {};
    QObject* nguCanh = nguCanhKhoa();
    if (QThread::currentThread() == nguCanh->thread()) return {};
    auto hua = std::make_shared<std::promise<KetQuaViec>>();
    auto ketQua = hua->get_future();
    const bool daGui = QMetaObject::invokeMethod(
        nguCanh,
        [hua, taoViec] {
            QKeychain::Job* viec = taoViec();
            viec->setInsecureFallback(false);
            viec->setAutoDelete(true);
            QObject::connect(viec, &QKeychain::Job::finished, viec, [hua](QKeychain::Job* j) {
                KetQuaViec kq;
                kq.loi = j->error();
                if (auto* doc = qobject_cast<QKeychain::ReadPasswordJob*>(j)) kq.duLieu = doc->binaryData();
                try {
                    hua->set_value(std::move(kq));
                } catch (const std::future_error&) {
                    // Already answered; a job reporting twice must not take the worker thread down.
                }
            });
            viec->start();
        },
        Qt::QueuedConnection);
    if (!daGui) return {};
    // A keyring that never answers (a hung bus, an unlock prompt left open) counts as unavailable.
    if (ketQua.wait_for(thoiHan) != std::future_status::ready) return {};
    try {
        return ketQua.get();
    } catch (const std::future_error&) {
        return {};
    }
}

}  // namespace

KhoKhoaHeThong::KhoKhoaHeThong(std::chrono::milliseconds thoiHan) : thoiHan_(thoiHan) {}

std::optional<QString> KhoKhoaHeThong::doc(const QString& dichVu) {
    return docKetQua(dichVu).giaTriNeuCo();
}

KhoKhoa::KetQuaDoc KhoKhoaHeThong::docKetQua(const QString& dichVu) {
    const KetQuaViec kq = chay(
        [dichVu]() -> QKeychain::Job* {
            auto* j = new QKeychain::ReadPasswordJob(dichVu);
            j->setKey(QString());
            return j;
        },
        thoiHan_);
    if (kq.loi == QKeychain::EntryNotFound) return {KetQuaDoc::TrangThai::khongCo, {}};
    if (kq.loi != QKeychain::NoError) return {KetQuaDoc::TrangThai::hong, {}};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(kq.duLieu);
    // Bytes that are not text cannot be shown or written back unchanged: the item is there but unreadable.
    if (utf8.hasError()) return {KetQuaDoc::TrangThai::hong, {}};
    return {KetQuaDoc::TrangThai::co, text};
}

bool KhoKhoaHeThong::ghi(const QString& dichVu, const QString& giaTri) {
    const KetQuaViec kq = chay(
        [dichVu, giaTri]() -> QKeychain::Job* {
            auto* j = new QKeychain::WritePasswordJob(dichVu);
            j->setKey(QString());
            j->setTextData(giaTri);
            return j;
        },
        thoiHan_);
    return kq.loi == QKeychain::NoError;
}

bool KhoKhoaHeThong::xoa(const QString& dichVu) {
    const KetQuaViec kq = chay(
        [dichVu]() -> QKeychain::Job* {
            auto* j = new QKeychain::DeletePasswordJob(dichVu);
            j->setKey(QString());
            return j;
        },
        thoiHan_);
    return kq.loi == QKeychain::NoError || kq.loi == QKeychain::EntryNotFound;
}
