#pragma once

#include "basic/Prompts.h"

#include <QStringList>

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

} // namespace vrl
