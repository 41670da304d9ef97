#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TsbForm;
}

namespace vrl {

class Dataset;

// The record editor of the SONGBASE table: eight data-bound controls on the current record of
// the open table. Each opening starts unbound; "Connect" binds the controls. The window never
// posts or cancels: an edit it starts stays pending in the table until the table area saves or
// drops it.
class TsbForm : public QDialog
{
    Q_OBJECT

public:
    explicit TsbForm(QWidget *parent = nullptr);
    ~TsbForm() override;

    // The dataset the controls edit: the open table of the "data direct" area.
    void setDataset(Dataset &table);
    // The next showing starts unbound.
    void startFresh() { m_freshStart = true; }

    void FormActivate();
    void sbConnectBtnClick();
    void sbExitBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
    // Escape leaves as "e&Xit" does, unbinding the controls, rather than merely hiding them.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Binds the controls to their fields in a fixed order, or unbinds them all. A field the
    // table does not have throws: the controls before it stay bound, the rest as they were.
    void bindFields(bool bound);

    std::unique_ptr<Ui::TsbForm> ui;
    bool m_freshStart = false;
};

} // namespace vrl
