#include "support/ScriptedPrompts.h"

#include "basic/FileDialog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace vrl::test {

ScriptedPrompts::ScriptedPrompts()
{
    setPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    setPrompts(nullptr);
    EXPECT_TRUE(m_confirms.empty()) << m_confirms.size() << " unused answers to questions";
    EXPECT_TRUE(m_files.empty()) << m_files.size() << " unused file dialog answers";
    EXPECT_TRUE(m_modals.empty()) << m_modals.size() << " unused modal window answers";
    EXPECT_TRUE(m_logins.empty()) << m_logins.size() << " unused login answers";
}

void ScriptedPrompts::answerConfirm(bool yes)
{
    m_confirms.push_back([yes] { return yes; });
}

void ScriptedPrompts::answerConfirmWith(std::function<bool()> answer)
{
    m_confirms.push_back(std::move(answer));
}

void ScriptedPrompts::answerFile(const QString &fileName)
{
    m_files.push_back({ fileName, 0 });
}

void ScriptedPrompts::answerFile(const QString &fileName, int filterIndex)
{
    m_files.push_back({ fileName, filterIndex });
}

void ScriptedPrompts::answerModal(std::function<int(QDialog &)> answer)
{
    m_modals.push_back(std::move(answer));
}

void ScriptedPrompts::answerLogin(const QString &user, const QString &password)
{
    m_logins.push_back(std::make_pair(user, password));
}

void ScriptedPrompts::cancelLogin()
{
    m_logins.push_back(std::nullopt);
}

QStringList ScriptedPrompts::texts() const
{
    QStringList all;
    for (const Record &record : m_records)
        all << record.text;
    return all;
}

QStringList ScriptedPrompts::textsOf(const QString &kind) const
{
    QStringList some;
    for (const Record &record : m_records) {
        if (record.kind == kind)
            some << record.text;
    }
    return some;
}

void ScriptedPrompts::show(PromptKind kind, const QString &text)
{
    QString name = QStringLiteral("message");
    if (kind == PromptKind::Information)
        name = QStringLiteral("information");
    else if (kind == PromptKind::Error)
        name = QStringLiteral("error");
    else if (kind == PromptKind::Confirmation)
        name = QStringLiteral("confirmation");
    m_records.push_back({ name, text });
    if (name == QLatin1String("error") && !m_errorsAllowed)
        ADD_FAILURE() << "unexpected error report: " << text.toStdString();
}

bool ScriptedPrompts::confirm(const QString &text)
{
    m_records.push_back({ QStringLiteral("confirmation"), text });
    if (m_confirms.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const auto answer = std::move(m_confirms.front());
    m_confirms.pop_front();
    return answer();
}

bool ScriptedPrompts::runFileDialog(FileDialog &dialog)
{
    m_records.push_back({ QStringLiteral("file"), dialog.title });
    m_offeredFileDialog = dialog;
    if (m_files.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << dialog.title.toStdString();
        return false;
    }
    const auto [answer, chosenType] = m_files.front();
    m_files.pop_front();
    if (answer.isEmpty())
        return false;
    dialog.fileName = answer;
    if (chosenType > 0)
        dialog.filterIndex = chosenType;
    return true;
}

int ScriptedPrompts::runModal(QDialog &window)
{
    m_records.push_back({ QStringLiteral("modal"), window.objectName() });
    if (m_modals.empty()) {
        ADD_FAILURE() << "unexpected modal window: " << window.objectName().toStdString();
        return QDialog::Rejected;
    }
    auto answer = std::move(m_modals.front());
    m_modals.pop_front();
    // Shown as the real prompt shows it, so that the window prepares itself on showing.
    window.setResult(QDialog::Rejected);
    window.show();
    QCoreApplication::processEvents();
    const int result = answer(window);
    window.hide();
    return result;
}

bool ScriptedPrompts::login(QString &user, QString &password)
{
    m_records.push_back({ QStringLiteral("login"), user });
    if (m_logins.empty()) {
        ADD_FAILURE() << "unexpected login prompt for " << user.toStdString();
        return false;
    }
    const auto answer = m_logins.front();
    m_logins.pop_front();
    if (!answer)
        return false;
    user = answer->first;
    password = answer->second;
    return true;
}

} // namespace vrl::test
