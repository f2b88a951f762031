#pragma once

#include <QString>

// Credentials are typed or pasted by the owner and end up in hosts, paths and headers. They are checked
// before anything is sent, so a stray character can neither redirect a request to another host nor split
// a header; a client that finds a bad value reports it in Vietnamese and sends nothing.

// A DNS label: letters, digits and "-", 1 to 63 characters, no "-" at either end (a shop's subdomain).
bool laNhanTenMien(const QString& s);
// A platform id: letters, digits, "-" and "_", 1 to 128 characters (a shop or business id in a path).
bool laMaDinhDanh(const QString& s);
// A token or key sent in a header: visible ASCII only, no space, no line break.
bool laKhoaGuiDuoc(const QString& s);
