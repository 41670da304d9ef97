#pragma once

#include "basic/FileDialog.h"
#include "basic/Prompts.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>

#include <deque>
#include <functional>
#include <optional>

namespace vrl::test {

// Answers the program's prompts from a script and records each one with its exact text.
// Installed for its lifetime. A question, file dialog, modal window or login with no answer
// left in the script fails the test, and so does an error report unless errors are allowed;
// answers left unused at the end fail it too.
class ScriptedPrompts : public Prompts
{
public:
    struct Record
    {
        QString kind; // "message", "information", "confirmation", "error", "file", "modal", "login"
        QString text;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    void answerConfirm(bool yes);
    // An answer worked out when the question comes: the test may act meanwhile, as a user can
    // while a question waits.
    void answerConfirmWith(std::function<bool()> answer);
    void answerFile(const QString &fileName); // an empty name cancels the dialog
    // The same with another type chosen in the dialog's list (numbered from 1).
    void answerFile(const QString &fileName, int filterIndex);
    void answerModal(std::function<int(QDialog &)> answer);
    void answerLogin(const QString &user, const QString &password);
    void cancelLogin();
    void allowErrors(bool allowed = true) { m_errorsAllowed = allowed; }

    const QVector<Record> &records() const { return m_records; }
    // The last file dialog as the program set it up, before it was answered.
    const FileDialog &offeredFileDialog() const { return m_offeredFileDialog; }
    QStringList texts() const;
    QStringList textsOf(const QString &kind) const;
    void clear() { m_records.clear(); }

    void show(PromptKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool runFileDialog(FileDialog &dialog) override;
    int runModal(QDialog &window) override;
    bool login(QString &user, QString &password) override;

private:
    QVector<Record> m_records;
    std::deque<std::function<bool()>> m_confirms;
    std::deque<std::pair<QString, int>> m_files; // name and chosen type, 0 = left as it was
    FileDialog m_offeredFileDialog;
    std::deque<std::function<int(QDialog &)>> m_modals;
    std::deque<std::optional<std::pair<QString, QString>>> m_logins;
    bool m_errorsAllowed = false;
};

} // namespace vrl::test
