#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace vrl {

class WorkAreaHost;

// The controls of the conversion panel inside the "data direct" area, handed over by the main
// window.
struct ConversionPanelControls
{
    QGroupBox *convGB;
    QLineEdit *convE;
    QPushButton *conv_dtrBtn; // date-time > serial number
    QPushButton *conv_rdtBtn; // serial number > date-time
    QPushButton *conv_i32hBtn; // integer > hexadecimal
    QPushButton *conv_hi32Btn; // hexadecimal > integer
    QPushButton *conv_i32bBtn; // integer > base-2 groups in a message
};

// The conversion panel: one value at a time between a regional date-time and its serial
// number, and between a signed 32-bit integer and its hexadecimal or base-2 form. Each button
// is enabled only while the edit's text has the form its conversion takes; a double click on
// the panel takes the value last captured in either grid when it looks convertible.
//
// A work area as WorkAreaHost describes it; it learns the captured value through the source
// the main window gives it. A text that passes a button's rule but does not parse throws, so
// the failure reaches the general error report and the edit stays as it was.
class ConversionPanel : public QObject
{
    Q_OBJECT

public:
    ConversionPanel(WorkAreaHost &host, const ConversionPanelControls &controls, QObject *parent);

    // Where a double click on the panel reads the last captured grid value.
    void setCapturedValueSource(std::function<QString()> source)
    {
        m_capturedValue = std::move(source);
    }

    // The main window's first activation: an empty edit and every button disabled.
    void firstActivation();

    // Enables each button whose rule holds for the edit's text; all are disabled unless active.
    void UpdateConvButtons(bool active);

    void convEDblClick();
    void convEExit();
    void convGBDblClick();
    void conv_dtrBtnClick();
    void conv_rdtBtnClick();
    void conv_i32hBtnClick();
    void conv_hi32BtnClick();
    void conv_i32bBtnClick();

private:
    void connectHandlers();
    // Writes a converted value with the hint naming its form, and updates the buttons.
    void showConverted(const QString &value, const QString &form);

    WorkAreaHost &m_host;
    const ConversionPanelControls ui;
    std::function<QString()> m_capturedValue;
};

} // namespace vrl
