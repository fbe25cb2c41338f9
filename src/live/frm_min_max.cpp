#include "live/frm_min_max.h"

#include "live/value_text.h"
#include "messages/dialog_buttons.h"
#include "messages/prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace orvela {

const QString TfrmMinMax::NotNumericText = QStringLiteral("Min or Max value is not numeric");
const QString TfrmMinMax::MinAboveMaxText = QStringLiteral("Minimum must not be above maximum.");

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
    const OkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.ok;
    btnCancel = buttons.cancel;

    auto* fields = new QGridLayout;
    fields->addWidget(lblMinValue, 0, 0);
    fields->addWidget(edtMinValue, 0, 1);
    fields->addWidget(lblMaxValue, 1, 0);
    fields->addWidget(edtMaxValue, 1, 1);
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
    m_callerMinimum = minimum;
    m_callerMaximum = maximum;
    accept();
}

void TfrmMinMax::btnCancelClick()
{
    reject();
}

} // namespace orvela
