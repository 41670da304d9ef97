#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TvrlhForm;
}

namespace vrl {

// The history viewer: the whole history file in an editable text box (changes are never
// saved; each opening loads the file anew) with a case-insensitive find that goes on from
// where it last found and starts again from the top after it reports the end.
class TvrlhForm : public QDialog
{
    Q_OBJECT

public:
    explicit TvrlhForm(QWidget *parent = nullptr);
    ~TvrlhForm() override;

    // Loads the history file of the preset and shows it modally, the find text preset to the
    // chosen table; a missing file is reported instead.
    void showHistory(const QString &presetText, const QString &tableName);
    int findPosition() const { return m_findPosition; }

    void vrlhFindBtnClick();
    void FindEDblClick();
    void FindEExit();
    void vrlhCloseBtnClick();

private:
    std::unique_ptr<Ui::TvrlhForm> ui;
    // Where the next find starts, in characters of the shown text; kept for the whole run.
    int m_findPosition = 0;
};

} // namespace vrl
