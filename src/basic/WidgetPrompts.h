#pragma once

#include "basic/Prompts.h"

#include <QStringList>

class QFileDialog;

namespace vrl {

// The production prompts: message boxes titled "Vorlan" with Qt's own (Czech) button texts,
// the toolkit's file dialogs, modal windows and a small Czech login dialog.
class WidgetPrompts : public Prompts
{
public:
    void show(PromptKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool runFileDialog(FileDialog &dialog) override;
    int runModal(QDialog &window) override;
    bool login(QString &user, QString &password) override;
};

// Turns a filter of "description|pattern" pairs into the toolkit's name filters. The pattern
// "*.*" (any file) becomes "*", since file names here need not contain a dot.
QStringList nameFiltersOf(const QString &pairs);

// The extension a saved file gets from the type chosen in the dialog (1-based, as the pairs
// are numbered): "xml" for "*.xml"; the default extension for a type of any extension.
QString suffixOfFilter(const QString &pairs, int filterIndex, const QString &defaultExt);

// The toolkit's dialog set up from a dialog of the data module, and the answer of an accepted
// one taken back into it: the file and the chosen type. A saved file named without an
// extension gets the extension of the type chosen when it was accepted, so the default name of
// an XML export becomes a .xml file.
void prepareFileDialog(QFileDialog &files, const FileDialog &dialog);
void takeFileDialogAnswer(const QFileDialog &files, FileDialog &dialog);

} // namespace vrl
