#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QRandomGenerator>
#include <cstdlib>
#include <string>

// A random generator for tests that draw their cases: every run draws anew, so the cases vary from run to run,
// and every failure inside its scope names the seed, which KORVANE_HAT_GIONG sets to replay exactly that run.
class NgauNhienThu {
public:
    NgauNhienThu() : hatGiong_(hatGiongDau()), sinh_(hatGiong_), vet_(__FILE__, __LINE__, moTa(hatGiong_)) {}

    QRandomGenerator* operator->() { return &sinh_; }
    quint32 hatGiong() const { return hatGiong_; }

private:
    static quint32 hatGiongDau() {
        bool so = false;
        const quint32 dat = qEnvironmentVariable("KORVANE_HAT_GIONG").toUInt(&so);
        return so ? dat : QRandomGenerator::global()->generate();
    }
    static std::string moTa(quint32 hatGiong) {
        return "random seed " + std::to_string(hatGiong) +
               " (replay with KORVANE_HAT_GIONG=" + std::to_string(hatGiong) + ")";
    }

    quint32 hatGiong_;
    QRandomGenerator sinh_;
    testing::ScopedTrace vet_;
};
