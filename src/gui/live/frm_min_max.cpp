#include "gui/live/frm_min_max.h"

#include "core/config/settings_store.h"
#include "core/live/value_text.h"
#include "gui/messages/dialog_buttons.h"
#include "gui/messages/prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace orvela {

const QString TfrmMinMax::NotNumericText = QStringLiteral("Min or Max value is not numeric");
const QString TfrmMinMax::MinAboveMaxText = QStringLiteral("Minimum must not be above maximum.");
const QString TfrmMinMax::AlarmNotNumericText =
    QStringLiteral("Alarm limit is not numeric: enter a number, or leave the field empty for no "
                   "alarm.");
const QString TfrmMinMax::AlarmLowAboveHighText =
    QStringLiteral("Alarm low must not be above alarm high.");

namespace {

QString AlarmLimitText(const std::optional<double>& limit)
{
    return limit ? SettingsStore::formatReal(*limit) : QString();
}

} // namespace

TfrmMinMax::TfrmMinMax(float& minimum, float& maximum, AlarmLimits& alarms, LimitsCheck check,
                       QWidget* owner)
    : TfrmMinMax(minimum, maximum, check, owner)
{
    m_callerAlarms = &alarms;
    m_alarms = alarms;
    lblAlarmLow->show();
    edtAlarmLow->show();
    lblAlarmHigh->show();
    edtAlarmHigh->show();
}

TfrmMinMax::TfrmMinMax(float& minimum, float& maximum, LimitsCheck check, QWidget* owner)
    : QDialog(owner), m_callerMinimum(minimum), m_callerMaximum(maximum), m_minimum(minimum),
      m_maximum(maximum), m_check(check)
{
    setObjectName(QStringLiteral("frmMinMax"));
    setWindowTitle(QStringLiteral("Min/Max Settings"));
    setModal(true);

    lblMinValue = new QLabel(QStringLiteral("Minimum : "), this);
    edtMinValue = new QLineEdit(this);
    edtMinValue->setObjectName(QStringLiteral("edtMinValue"));
    lblMinValue->setBuddy(edtMinValue);
    lblMaxValue = new QLabel(QStringLiteral("Maximum:"), this);
    edtMaxValue = new QLineEdit(this);
    edtMaxValue->setObjectName(QStringLiteral("edtMaxValue"));
    lblMaxValue->setBuddy(edtMaxValue);
    lblAlarmLow = new QLabel(QStringLiteral("Alarm low:"), this);
    edtAlarmLow = new QLineEdit(this);
    edtAlarmLow->setObjectName(QStringLiteral("edtAlarmLow"));
    lblAlarmLow->setBuddy(edtAlarmLow);
    lblAlarmHigh = new QLabel(QStringLiteral("Alarm high:"), this);
    edtAlarmHigh = new QLineEdit(this);
    edtAlarmHigh->setObjectName(QStringLiteral("edtAlarmHigh"));
    lblAlarmHigh->setBuddy(edtAlarmHigh);
    for (QLineEdit* edit : {edtAlarmLow, edtAlarmHigh})
        edit->setPlaceholderText(QStringLiteral("no alarm"));
    for (QWidget* widget :
         {static_cast<QWidget*>(lblAlarmLow), static_cast<QWidget*>(edtAlarmLow),
          static_cast<QWidget*>(lblAlarmHigh), static_cast<QWidget*>(edtAlarmHigh)})
        widget->hide();
    const OkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.ok;
    btnCancel = buttons.cancel;

    auto* fields = new QGridLayout;
    fields->addWidget(lblMinValue, 0, 0);
    fields->addWidget(edtMinValue, 0, 1);
    fields->addWidget(lblMaxValue, 1, 0);
    fields->addWidget(edtMaxValue, 1, 1);
    fields->addWidget(lblAlarmLow, 2, 0);
    fields->addWidget(edtAlarmLow, 2, 1);
    fields->addWidget(lblAlarmHigh, 3, 0);
    fields->addWidget(edtAlarmHigh, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons.row);

    connect(btnOK, &QPushButton::clicked, this, &TfrmMinMax::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmMinMax::btnCancelClick);
}

void TfrmMinMax::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmMinMax::FormShow()
{
    edtMinValue->setText(GaugeValueText(m_minimum));
    edtMaxValue->setText(GaugeValueText(m_maximum));
    edtAlarmLow->setText(AlarmLimitText(m_alarms.low));
    edtAlarmHigh->setText(AlarmLimitText(m_alarms.high));
}

bool TfrmMinMax::readAlarmLimits(AlarmLimits& limits)
{
    const std::pair<QLineEdit*, std::optional<double>*> fields[] = {{edtAlarmLow, &limits.low},
                                                                    {edtAlarmHigh, &limits.high}};
    for (const auto& [edit, limit] : fields) {
        const QString text = edit->text().trimmed();
        limit->reset();
        if (text.isEmpty())
            continue;
        double value = 0.0;
        // Read as the configuration file reads it back, so what is taken here survives a save.
        if (!SettingsStore::parseReal(text, value)) {
            CurrentPrompter().showMessage(this, BoxIcon::Error, QString(), AlarmNotNumericText);
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        *limit = value;
    }
    if (limits.low && limits.high && *limits.low > *limits.high) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(), AlarmLowAboveHighText);
        edtAlarmLow->setFocus();
        return false;
    }
    return true;
}

void TfrmMinMax::btnOKClick()
{
    const QLocale locale;
    float minimum = 0.0f;
    float maximum = 0.0f;
    if (!ParseFloatText(edtMinValue->text(), locale, minimum) ||
        !ParseFloatText(edtMaxValue->text(), locale, maximum)) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(), NotNumericText);
        return;
    }
    // A dial would refuse the minimum before the maximum is applied; asking again here keeps
    // the operator's pair whole instead of half-applied.
    if (m_check == LimitsCheck::MinimumNotAboveMaximum && minimum > maximum) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(), MinAboveMaxText);
        return;
    }
    AlarmLimits alarms;
    if (m_callerAlarms && !readAlarmLimits(alarms))
        return;
    m_callerMinimum = minimum;
    m_callerMaximum = maximum;
    if (m_callerAlarms)
        *m_callerAlarms = alarms;
    accept();
}

void TfrmMinMax::btnCancelClick()
{
    reject();
}

} // namespace orvela
