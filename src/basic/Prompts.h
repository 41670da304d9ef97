#pragma once

#include <QString>

class QDialog;

namespace vrl {

enum class PromptKind { Message, Information, Confirmation, Error };

struct FileDialog;

// Every message box, question, error report, file dialog, modal window and login prompt of
// the program goes through this one interface, so that tests can answer them from a script.
class Prompts
{
public:
    virtual ~Prompts() = default;
    virtual void show(PromptKind kind, const QString &text) = 0; // Message, Information, Error
    virtual bool confirm(const QString &text) = 0; // Yes/No; true = Yes
    virtual bool runFileDialog(FileDialog &dialog) = 0; // fills dialog.fileName; false = cancelled
    virtual int runModal(QDialog &window) = 0; // QDialog::Accepted or Rejected
    virtual bool login(QString &user, QString &password) = 0; // false = cancelled
};

// The prompts in force: the installed replacement, else the production message boxes.
Prompts &prompts();
void setPrompts(Prompts *replacement); // nullptr restores the production prompts
// While silent (the program is closing), nothing is shown or asked: a question is answered No,
// a dialog or window is cancelled.
void setPromptsSilent(bool silent);

} // namespace vrl
