#include "gui/live/frm_units.h"

#include "gui/messages/dialog_buttons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace orvela {

TfrmUnits::TfrmUnits(QString& units, QWidget* owner)
    : QDialog(owner), m_callerUnits(units), m_units(units)
{
    setObjectName(QStringLiteral("frmUnits"));
    setWindowTitle(QStringLiteral("Sensor Units"));
    setModal(true);

    lblUnits = new QLabel(QStringLiteral("Sensor Units:"), this);
    edtUnits = new QLineEdit(this);
    edtUnits->setObjectName(QStringLiteral("edtUnits"));
    lblUnits->setBuddy(edtUnits);
    const OkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.ok;
    btnCancel = buttons.cancel;

    auto* field = new QHBoxLayout;
    field->addWidget(lblUnits);
    field->addWidget(edtUnits);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(buttons.row);

    connect(btnOK, &QPushButton::clicked, this, &TfrmUnits::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmUnits::btnCancelClick);
}

void TfrmUnits::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmUnits::FormShow()
{
    edtUnits->setText(m_units);
}

void TfrmUnits::btnOKClick()
{
    m_callerUnits = edtUnits->text();
    accept();
}

void TfrmUnits::btnCancelClick()
{
    reject();
}

} // namespace orvela
