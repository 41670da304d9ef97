#pragma once

#include <QStringList>
#include <QTableView>

namespace vrl {

class Dataset;

class DatasetModel;

// A data grid over a dataset: it shows the records of the current view, keeps its current row
// on the dataset's cursor, and moves the cursor to a row the user picks. cellClicked and
// titleClicked tell the column of a clicked cell or column title.
class DBGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly)

public:
    explicit DBGrid(QWidget *parent = nullptr);

    void setDataset(Dataset *dataset);
    Dataset *dataset() const;
    DatasetModel *datasetModel() const { return m_model; }

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    // Detached, the grid neither follows the dataset nor repaints for it, so that a walk over
    // the records costs nothing here; attaching shows the dataset as it is then.
    void detach();
    void attach();
    bool isAttached() const;

    // The column of the current cell, or -1.
    int selectedColumn() const;

signals:
    void cellClicked(int column);
    void titleClicked(int column);

private:
    void followCursor(int viewRow);
    void moveCursorTo(const QModelIndex &current);
    void sizeColumns();

    DatasetModel *m_model;
    QStringList m_sizedFields;
    bool m_readOnly = false;
    bool m_following = false;
};

} // namespace vrl
