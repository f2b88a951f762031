#pragma once

#include <QString>

// Width over height of a resolution text such as "1280x720"; 16:9 whenever the text is not exactly two
// finite numbers greater than zero separated by a lower-case "x".
double tiLeKhung(const QString& doPhanGiai);
