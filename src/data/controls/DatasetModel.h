#pragma once

#include "access/Dataset.h"

#include <QAbstractTableModel>
#include <QPointer>

namespace vrl {

// A thin table model over the current view of a dataset: one row per record of the view, one
// column per field, cells in the values' text form. Only visible cells are ever turned into
// QVariants. Editing a cell moves the dataset's cursor to its record and sets the field there.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DatasetModel(QObject *parent = nullptr);

    void setDataset(Dataset *dataset);
    Dataset *dataset() const { return m_dataset; }

    // Detached, the model ignores the dataset's changes, so that a walk over many records
    // costs nothing here; attaching again catches up with one reset.
    void setAttached(bool attached);
    bool isAttached() const { return m_attached; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    void watch();
    void resetFromDataset();
    void markCurrentRow(int viewRow);

    QPointer<Dataset> m_dataset;
    bool m_attached = true;
    // What the view was last told, so that a detached model stays consistent with it.
    int m_rows = 0;
    int m_columns = 0;
    int m_currentRow = -1;
};

} // namespace vrl
