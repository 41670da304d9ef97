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
// program finds its help where the program looks. The copy is marked as the program's own.
// True when a page is there afterwards.
bool installPackagedHelp(const QString &packaged = packagedHelpFile());
// Replaces the page at helpFile() by the packaged one when the program itself put it there
// and the packaged page is newer, so that an upgrade brings its help along. A page the user
// wrote or changed is never replaced. True when the page was replaced.
bool updatePackagedHelp(const QString &packaged = packagedHelpFile());

// Creates a folder with its missing parents; throws std::runtime_error with a Czech message
// naming the folder when it cannot be created.
void ensureFolder(const QString &path);

} // namespace vrl
