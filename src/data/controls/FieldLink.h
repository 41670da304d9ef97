#pragma once

#include "access/Dataset.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace vrl {

// The tie between one field of a dataset's current record and a text control: it shows the
// field's text whenever the record or its value changes, and writes what the user types into
// the field, which puts the record into edit. An empty field name means unbound.
class FieldLink : public QObject
{
    Q_OBJECT

public:
    using ShowText = std::function<void(const QString &text, bool editable)>;

    FieldLink(ShowText show, QObject *parent);

    void setDataset(Dataset *dataset);
    Dataset *dataset() const { return m_dataset; }
    // Throws DataError when the open dataset has no such field; the link stays as it was.
    void setFieldName(const QString &name);
    QString fieldName() const { return m_fieldName; }
    bool isBound() const { return !m_fieldName.isEmpty(); }

    // The user changed the text. A text that does not convert to the field's type yet (a
    // number half typed) waits for finishEditing().
    void textEdited(const QString &text);
    // The user left the control: a text still waiting is written now, or its error thrown.
    void finishEditing();

private:
    void refresh();
    bool hasField() const;

    ShowText m_show;
    QPointer<Dataset> m_dataset;
    QString m_fieldName;
    std::optional<QString> m_waiting;
    bool m_writing = false;
    // An unbound control shows its empty text once, not again at every move of the dataset.
    bool m_shownUnbound = false;
};

} // namespace vrl
