#pragma once

#include <QLineEdit>

namespace vrl {

class Dataset;

class FieldLink;

// A single-line edit bound to one field of a dataset's current record (see FieldLink).
class DBEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)

public:
    explicit DBEdit(QWidget *parent = nullptr);

    void setDataset(Dataset *dataset);
    QString dataField() const;
    // Throws DataError when the open dataset has no such field; empty unbinds.
    void setDataField(const QString &name);

private:
    FieldLink *m_link;
};

} // namespace vrl
