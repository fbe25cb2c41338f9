#include "gui/graphs/frm_time_range.h"

#include "core/graphs/graph_text.h"
#include "gui/messages/dialog_buttons.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace orvela {

QStringList TfrmTimeRange::RangeLabels()
{
    QStringList labels;
    for (int index = 0; index < GraphRangeCount; ++index)
        labels.append(GraphRangeLabel(index));
    return labels;
}

TfrmTimeRange::TfrmTimeRange(int& rangeIndex, QWidget* owner)
    : QDialog(owner), m_callerIndex(rangeIndex), m_index(rangeIndex)
{
    setObjectName(QStringLiteral("frmTimeRange"));
    setWindowTitle(QStringLiteral("Graph Time Range"));
    setModal(true);

    lblTimeRange = new QLabel(QStringLiteral("Time Range:"), this);
    lblTimeRange->setObjectName(QStringLiteral("lblTimeRange"));
    lblTimeRange->setContentsMargins(0, 8, 0, 0);
    rgpTimeOfData = new QGroupBox(QStringLiteral("Time of Data"), this);
    rgpTimeOfData->setObjectName(QStringLiteral("rgpTimeOfData"));
    rangeButtons = new QButtonGroup(this);
    auto* items = new QVBoxLayout(rgpTimeOfData);
    const QStringList labels = RangeLabels();
    for (int index = 0; index < labels.size(); ++index) {
        auto* item = new QRadioButton(labels.at(index), rgpTimeOfData);
        item->setObjectName(QStringLiteral("rbnRange%1").arg(index));
        rangeButtons->addButton(item, index);
        items->addWidget(item);
    }

    const OkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.ok;
    btnCancel = buttons.cancel;

    auto* choice = new QHBoxLayout;
    choice->addWidget(lblTimeRange, 0, Qt::AlignTop);
    choice->addWidget(rgpTimeOfData, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmTimeRange::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmTimeRange::btnCancelClick);
}

QRadioButton* TfrmTimeRange::rangeButton(int index) const
{
    return qobject_cast<QRadioButton*>(rangeButtons->button(index));
}

int TfrmTimeRange::selectedIndex() const
{
    return rangeButtons->checkedId();
}

void TfrmTimeRange::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmTimeRange::FormShow()
{
    if (QRadioButton* item = rangeButton(m_index)) {
        item->setChecked(true);
        return;
    }
    // An index that is none of the six selects nothing.
    rangeButtons->setExclusive(false);
    for (QAbstractButton* item : rangeButtons->buttons())
        item->setChecked(false);
    rangeButtons->setExclusive(true);
}

void TfrmTimeRange::btnOKClick()
{
    if (const int chosen = selectedIndex(); chosen >= 0)
        m_callerIndex = chosen;
    accept();
}

void TfrmTimeRange::btnCancelClick()
{
    reject();
}

} // namespace orvela
