#pragma once

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

// Every regular file under a folder, by path, with its bytes.
inline QMap<QString, QByteArray> chupTep(const QString& thuMuc) {
    QMap<QString, QByteArray> ra;
    QDirIterator it(thuMuc, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile f(p);
        if (f.open(QIODevice::ReadOnly)) ra.insert(p, f.readAll());
    }
    return ra;
}

// The side files that keep what a repair cut from a file are named after it.
inline bool laTepCatRieng(const QString& tep, const QString& cua) {
    return tep.startsWith(cua + QStringLiteral(".doan-cat-"));
}

// What became of bytes that were on disk: every file of truoc must still begin with all of its bytes,
// or with all but a tail that a side file appeared to keep whole. A tail ending in a line feed is never
// cut. Returns one text per fault found.
inline QStringList byteDaMat(const QMap<QString, QByteArray>& truoc, const QMap<QString, QByteArray>& sau) {
    QStringList loi;
    for (auto it = truoc.cbegin(); it != truoc.cend(); ++it) {
        const QString& tep = it.key();
        const QByteArray& cu = it.value();
        // An atomic write's temporary file was never reported written; start-up clears it away.
        if (QFileInfo(tep).fileName().startsWith(u'.') && tep.contains(QStringLiteral(".tam-"))) continue;
        QStringList rieng;
        for (auto s = sau.cbegin(); s != sau.cend(); ++s)
            if (laTepCatRieng(s.key(), tep) && !truoc.contains(s.key())) rieng.append(s.key());
        if (!sau.contains(tep)) {
            loi.append(tep + QStringLiteral(": gone"));
            continue;
        }
        const QByteArray& moi = sau[tep];
        if (rieng.isEmpty()) {
            if (!moi.startsWith(cu)) loi.append(tep + QStringLiteral(": bytes changed or cut, no side file"));
            continue;
        }
        if (rieng.size() > 1) {
            loi.append(tep + QStringLiteral(": more than one side file"));
            continue;
        }
        const QByteArray& cat = sau[rieng[0]];
        const qsizetype giu = cu.size() - cat.size();
        if (giu < 0 || !cu.endsWith(cat) || !moi.startsWith(cu.left(giu)))
            loi.append(tep + QStringLiteral(": the file and its side file do not make up what was there"));
        if (cu.endsWith('\n')) loi.append(tep + QStringLiteral(": a file ending in a line feed was cut"));
        if (cat.isEmpty()) loi.append(rieng[0] + QStringLiteral(": empty side file"));
    }
    return loi;
}
