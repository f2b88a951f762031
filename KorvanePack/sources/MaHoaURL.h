#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Query strings and form bodies are built here and nowhere else. Every byte outside the unreserved
// characters is percent-encoded, "+", "&" and "=" included, so a secret that holds them reaches the
// platform exactly as it was typed instead of being split or turned into a space.
using CapThamSo = QList<QPair<QString, QString>>;

QByteArray maHoaPhanTram(const QString& giaTri);
// "a=1&b=2" in the order given; the caller sorts when the platform wants a fixed order.
QByteArray xayTruyVan(const CapThamSo& thamSo);
// Base + "?" + query; the base alone when there are no parameters.
QString ganTruyVan(const QString& goc, const CapThamSo& thamSo);
