#pragma once

#include <QPlainTextEdit>

namespace vrl {

class Dataset;

class FieldLink;

// A multi-line memo bound to one field of a dataset's current record (see FieldLink).
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)

public:
    explicit DBMemo(QWidget *parent = nullptr);

    void setDataset(Dataset *dataset);
    QString dataField() const;
    // Throws DataError when the open dataset has no such field; empty unbinds.
    void setDataField(const QString &name);

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    FieldLink *m_link;
    bool m_showing = false;
};

} // namespace vrl
