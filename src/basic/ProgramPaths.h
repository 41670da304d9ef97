#pragma once

#include <QString>

namespace vrl {

// Fixed locations of the program. The program folder is $VORLAN_HOME, else ~/VOR_LAN; it and
// its subfolders are created when they are first needed, not at start.
QString programFolder();
QString historyFolder(); // <program folder>/VRLHistory
QString helpFile(); // <program folder>/VRLHelp/VORLAN.htm
QString exportStartFolder(); // the system's temporary folder
// The help page an installed program brings along: <prefix>/share/vorlan/help/VORLAN.htm
// beside <prefix>/bin.
QString packagedHelpFile();
// Copies the packaged help page to helpFile() when no page is there yet, so that an installed
// program finds its help where the program looks; a page already there (the user's own) is
// never replaced. True when the page is there afterwards.
bool installPackagedHelp(const QString &packaged = packagedHelpFile());

// Creates a folder with its missing parents; throws std::runtime_error with a Czech message
// naming the folder when it cannot be created.
void ensureFolder(const QString &path);

} // namespace vrl
