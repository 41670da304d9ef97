#pragma once

#include <QString>

namespace vrl {

// Fixed locations of the program. The program folder is $VORLAN_HOME, else ~/VOR_LAN; it and
// its subfolders are created when they are first needed, not at start.
QString programFolder();
QString historyFolder(); // <program folder>/VRLHistory
QString helpFile(); // <program folder>/VRLHelp/VORLAN.htm
QString exportStartFolder(); // the system's temporary folder

// Creates a folder with its missing parents; throws std::runtime_error with a Czech message
// naming the folder when it cannot be created.
void ensureFolder(const QString &path);

} // namespace vrl
