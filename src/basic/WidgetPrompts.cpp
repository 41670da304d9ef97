#include "basic/WidgetPrompts.h"

#include "basic/FileDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>

namespace vrl {

namespace {

const char *const kTitle = "Vorlan";

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

} // namespace

void WidgetPrompts::show(PromptKind kind, const QString &text)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (kind == PromptKind::Information)
        icon = QMessageBox::Information;
    else if (kind == PromptKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, QString::fromLatin1(kTitle), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

bool WidgetPrompts::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kTitle), text,
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QStringList nameFiltersOf(const QString &pairs)
{
    QStringList filters;
    const QStringList parts = pairs.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        const QString shown = QLatin1Char('(') + pattern + QLatin1Char(')');
        pattern.replace(QLatin1String("*.*"), QLatin1String("*"));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Where these filters come from, "*.xls" also lists book.xlsx (a pattern with a
        // three-letter extension matches longer ones that begin with it); so it does here.
        QStringList patterns = pattern.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype p = patterns.size() - 1; p >= 0; --p) {
            const QString &one = patterns[p];
            if (one.startsWith(QLatin1String("*.")) && one.size() == 5 && !one.mid(1).contains(u'*')
                && !patterns.contains(one + QLatin1Char('?')))
                patterns.insert(p + 1, one + QLatin1Char('?'));
        }
        pattern = patterns.join(QLatin1Char(' '));
        const QString wanted = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (description.contains(shown))
            description.replace(shown, wanted);
        else
            description += QLatin1Char(' ') + wanted;
        filters << description;
    }
    return filters;
}

QString suffixOfFilter(const QString &pairs, int filterIndex, const QString &defaultExt)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    const qsizetype at = qsizetype(filterIndex - 1) * 2 + 1;
    if (filterIndex < 1 || at >= parts.size())
        return defaultExt;
    const QString first
        = parts[at].split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QLatin1String("*.")) || first.indexOf(QLatin1Char('*'), 1) >= 0
        || first.contains(QLatin1Char('?')))
        return defaultExt;
    return first.mid(2);
}

void prepareFileDialog(QFileDialog &files, const FileDialog &dialog)
{
    files.setWindowTitle(dialog.title);
    files.setDirectory(dialog.initialDir);
    const bool save = dialog.kind == FileDialog::Kind::Save;
    files.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    files.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Exports overwrite an existing file without asking.
    files.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = nameFiltersOf(dialog.filter);
    files.setNameFilters(filters);
    if (dialog.filterIndex >= 1 && dialog.filterIndex <= filters.size())
        files.selectNameFilter(filters[dialog.filterIndex - 1]);
    // The extension is added when the answer is taken, from the type chosen by then: the
    // toolkit's own default suffix stays what it was when the dialog opened.
    files.setDefaultSuffix(QString());
    if (!dialog.fileName.isEmpty())
        files.selectFile(dialog.fileName);
}

void takeFileDialogAnswer(const QFileDialog &files, FileDialog &dialog)
{
    const QStringList filters = nameFiltersOf(dialog.filter);
    dialog.filterIndex = int(filters.indexOf(files.selectedNameFilter())) + 1;
    QString chosen = files.selectedFiles().value(0);
    if (dialog.kind == FileDialog::Kind::Save && !chosen.isEmpty()
        && QFileInfo(chosen).suffix().isEmpty() && !QFileInfo(chosen).isDir()) {
        const QString suffix = suffixOfFilter(dialog.filter, dialog.filterIndex, dialog.defaultExt);
        if (!suffix.isEmpty())
            chosen += QLatin1Char('.') + suffix;
    }
    dialog.fileName = chosen;
}

bool WidgetPrompts::runFileDialog(FileDialog &dialog)
{
    QFileDialog files(dialogParent());
    prepareFileDialog(files, dialog);
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty())
        return false;
    takeFileDialogAnswer(files, dialog);
    return true;
}

int WidgetPrompts::runModal(QDialog &window)
{
    return window.exec();
}

bool WidgetPrompts::login(QString &user, QString &password)
{
    QDialog dialog(dialogParent());
    dialog.setWindowTitle(QStringLiteral("Přihlášení k databázi"));
    auto *form = new QFormLayout(&dialog);
    auto *userEdit = new QLineEdit(user, &dialog);
    userEdit->setObjectName(QStringLiteral("loginUserE"));
    auto *passwordEdit = new QLineEdit(&dialog);
    passwordEdit->setObjectName(QStringLiteral("loginPasswordE"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Uživatelské jméno:"), userEdit);
    form->addRow(QStringLiteral("Heslo:"), passwordEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (user.isEmpty())
        userEdit->setFocus();
    else
        passwordEdit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    user = userEdit->text();
    password = passwordEdit->text();
    return true;
}

Prompts &productionPrompts()
{
    static WidgetPrompts production;
    return production;
}

} // namespace vrl
