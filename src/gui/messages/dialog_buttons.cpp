#include "gui/messages/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace orvela {

OkCancelRow MakeOkCancelRow(QDialog* dialog)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return {ok, cancel, row};
}

} // namespace orvela
