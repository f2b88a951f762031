#pragma once

#include <QString>

// True for a host that can only be this machine: "localhost", "::1" or an IPv4 address in 127.0.0.0/8.
// Plain http is allowed towards these alone, so a credential never crosses a network unencrypted.
bool laDiaChiLoopback(const QString& host);
