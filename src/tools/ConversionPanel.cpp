#include "tools/ConversionPanel.h"

#include "areas/WorkAreaHost.h"
#include "basic/CharSetText.h"
#include "basic/CompactDateTime.h"
#include "basic/HandlerGuard.h"
#include "basic/HexText.h"
#include "basic/IntegerText.h"
#include "basic/Prompts.h"
#include "regional/Regional.h"
#include "widgets/EventHooks.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <stdexcept>

namespace vrl {

namespace {

[[noreturn]] void notConvertible(const QString &message, const QString &text)
{
    throw std::runtime_error(message.arg(text).toStdString());
}

// The regional date-time text as a serial number in the regional decimal form, written without
// an exponent: the serial of a second after the base date must read back as a serial here.
QString serialOfDateTime(const QString &text)
{
    const Regional &regional = Regional::system();
    const std::optional<QDateTime> value = regional.parseDateTime(text);
    if (!value)
        notConvertible(QStringLiteral("'%1' není platné datum a čas."), text);
    return regional.plainNumberText(toOleSerial(*value));
}

// The regional decimal text of a serial number as a regional date-time.
QString dateTimeOfSerial(const QString &text)
{
    const Regional &regional = Regional::system();
    const std::optional<double> serial = regional.parseNumber(text);
    if (!serial)
        notConvertible(QStringLiteral("'%1' není platné číslo s plovoucí čárkou."), text);
    // A serial that rounds past the last millisecond of 31.12.9999 gives no date-time.
    const QDateTime value = fromOleSerial(*serial);
    if (!value.isValid())
        notConvertible(QStringLiteral("'%1' leží mimo rozsah data a času."), text);
    return regional.dateTimeText(value);
}

} // namespace

ConversionPanel::ConversionPanel(WorkAreaHost &host, const ConversionPanelControls &controls,
                                 QObject *parent)
    : QObject(parent)
    , m_host(host)
    , ui(controls)
{
    connectHandlers();
}

void ConversionPanel::connectHandlers()
{
    onDoubleClick(*ui.convGB, guarded([this] { convGBDblClick(); }));
    onDoubleClick(*ui.convE, guarded([this] { convEDblClick(); }));
    onFocusOut(*ui.convE, guarded([this] { convEExit(); }));
    // The buttons take no focus, so a click does not make the edit lose it: the forms are
    // checked again on every change, or a button would act on a text of another form.
    connect(ui.convE, &QLineEdit::textChanged, this, [this] { UpdateConvButtons(true); });
    connect(ui.conv_dtrBtn, &QPushButton::clicked, this, guarded([this] { conv_dtrBtnClick(); }));
    connect(ui.conv_rdtBtn, &QPushButton::clicked, this, guarded([this] { conv_rdtBtnClick(); }));
    connect(ui.conv_i32hBtn, &QPushButton::clicked, this, guarded([this] { conv_i32hBtnClick(); }));
    connect(ui.conv_hi32Btn, &QPushButton::clicked, this, guarded([this] { conv_hi32BtnClick(); }));
    connect(ui.conv_i32bBtn, &QPushButton::clicked, this, guarded([this] { conv_i32bBtnClick(); }));
}

void ConversionPanel::firstActivation()
{
    ui.convE->clear();
    UpdateConvButtons(false);
}

void ConversionPanel::UpdateConvButtons(bool active)
{
    static const CharSet dateTimeMarks(QLatin1String(" -./:"));
    static const CharSet serialChars(QLatin1String("0123456789,"));
    const QString text = ui.convE->text();
    const bool usable = active && !text.isEmpty();
    const bool integer = usable && IsIntegerText(text, LengthRule::AtLeast, 1);
    ui.conv_dtrBtn->setEnabled(usable && ContainsAnyOf(text, dateTimeMarks));
    ui.conv_rdtBtn->setEnabled(
        usable && TextMatchesCharSet(text, serialChars, LengthRule::AtLeast, 4, false));
    ui.conv_i32hBtn->setEnabled(integer);
    ui.conv_i32bBtn->setEnabled(integer);
    ui.conv_hi32Btn->setEnabled(usable && IsHexText(text, 8));
}

void ConversionPanel::convEDblClick()
{
    ui.convE->clear();
    UpdateConvButtons(true);
}

void ConversionPanel::convEExit()
{
    UpdateConvButtons(true);
}

void ConversionPanel::convGBDblClick()
{
    static const CharSet timeChars(QLatin1String(" .0123456789:"));
    const QString value = m_capturedValue ? m_capturedValue() : QString();
    // The rules run in this order and stop at the first that holds; a rule that cannot read
    // its text throws before the later ones run.
    if (!value.isEmpty()
        && (IsCompactDateTime(value, 20)
            || TextMatchesCharSet(value, timeChars, LengthRule::Exactly, 0, false)
            || IsSmallIntegerText(value) || IsHexText(value, 4) || IsBinaryText(value, 4)))
        ui.convE->setText(value);
    UpdateConvButtons(true);
}

void ConversionPanel::showConverted(const QString &value, const QString &form)
{
    ui.convE->setText(value);
    ui.convE->setToolTip(QStringLiteral("zobrazený formát: ") + form);
    UpdateConvButtons(true);
}

void ConversionPanel::conv_dtrBtnClick()
{
    showConverted(serialOfDateTime(ui.convE->text()), QStringLiteral("DDDDD.TTTTT"));
}

void ConversionPanel::conv_rdtBtnClick()
{
    showConverted(dateTimeOfSerial(ui.convE->text()), QStringLiteral("DMY HM"));
}

void ConversionPanel::conv_i32hBtnClick()
{
    showConverted(IntToHex8(Int32OfText(ui.convE->text())), QStringLiteral("HEX [int32]"));
}

void ConversionPanel::conv_hi32BtnClick()
{
    // Hex8ToInt reads a character that is no hex digit as 0; such a text is refused instead.
    const QString text = ui.convE->text();
    if (!IsHexText(text, 8))
        notConvertible(QStringLiteral("'%1' není platné šestnáctkové číslo."), text);
    showConverted(QString::number(Hex8ToInt(text)), QStringLiteral("INT32 [hex]"));
}

void ConversionPanel::conv_i32bBtnClick()
{
    const std::int32_t value = Int32OfText(ui.convE->text());
    m_host.prompts().show(PromptKind::Message, HexToDelimitedBin(IntToHex8(value)));
}

} // namespace vrl
