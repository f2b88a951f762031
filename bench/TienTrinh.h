#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QFile>
#include <QString>

// What the benches read of a process and of the machine from /proc.

// "VmRSS" or "VmHWM" of a process, in MB.
inline double boNhoMB(pid_t pid, const char* khoa) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& dong : f.readAll().split('\n'))
        if (dong.startsWith(khoa)) return dong.mid(qstrlen(khoa) + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// The machine's load averages, as /proc/loadavg gives them.
inline QByteArray taiHeThong() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
}
