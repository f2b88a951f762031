#pragma once

// Qt's own dialogs and menus (the folder chooser, a field's context menu, the buttons of a message box) are
// written in English, and Debian ships no Vietnamese translation of them. Our own translation of every string
// these screens can show is built into the program; this installs it once on the application. Returns whether
// it is installed.
bool caiBanDichQt();
