#include "gui/db/frm_login.h"

#include "core/db/station_database.h"
#include "gui/messages/prompter.h"

#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace orvela {
namespace {

QStringList DriverManagerAliases()
{
    QStringList names;
    for (const DataSourceInfo& source : StationDatabase::ListDataSources())
        names.append(source.name);
    return names;
}

QLabel* AddLabel(QWidget* parent, const QString& objectName, const QString& text, QWidget* buddy,
                 int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setBuddy(buddy);
    label->setGeometry(8, top, 92, 21);
    return label;
}

} // namespace

TMyLoginForm::TMyLoginForm(QWidget* owner, AliasSource aliases)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      cboDBAlias(new QComboBox(this)), edtDBUserName(new QLineEdit(this)),
      edtDBPassword(new QLineEdit(this)),
      btnCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      btnOK(new QPushButton(QStringLiteral("OK"), this)),
      m_aliases(aliases ? std::move(aliases) : AliasSource(DriverManagerAliases))
{
    setObjectName(QStringLiteral("MyLoginForm"));
    setWindowTitle(QStringLiteral("Database Login"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    setFixedSize(303, 125);
    setSizeGripEnabled(false);

    cboDBAlias->setObjectName(QStringLiteral("cboDBAlias"));
    cboDBAlias->setEditable(false);
    cboDBAlias->setGeometry(104, 8, 190, 21);
    edtDBUserName->setObjectName(QStringLiteral("edtDBUserName"));
    edtDBUserName->setGeometry(104, 36, 190, 21);
    edtDBPassword->setObjectName(QStringLiteral("edtDBPassword"));
    edtDBPassword->setEchoMode(QLineEdit::Password);
    edtDBPassword->setGeometry(104, 64, 190, 21);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnCancel->setGeometry(138, 94, 75, 25);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setGeometry(219, 94, 75, 25);

    AddLabel(this, QStringLiteral("lblDBAlias"), QStringLiteral("&Database Alias:"), cboDBAlias, 8);
    AddLabel(this, QStringLiteral("lblDBUserName"), QStringLiteral("&User Name:"), edtDBUserName,
             36);
    AddLabel(this, QStringLiteral("lblDBPassword"), QStringLiteral("&Password:"), edtDBPassword,
             64);

    setTabOrder(cboDBAlias, edtDBUserName);
    setTabOrder(edtDBUserName, edtDBPassword);
    setTabOrder(edtDBPassword, btnCancel);
    setTabOrder(btnCancel, btnOK);

    connect(btnOK, &QPushButton::clicked, this, &TMyLoginForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TMyLoginForm::btnCancelClick);
}

void TMyLoginForm::FormShow()
{
    cboDBAlias->clear();
    cboDBAlias->addItems(m_aliases());
}

void TMyLoginForm::FormActivate()
{
    if (m_boxesFilled)
        return;
    m_boxesFilled = true;
    int selected = -1;
    for (int i = 0; i < cboDBAlias->count(); ++i) {
        if (cboDBAlias->itemText(i).compare(LoginAlias, Qt::CaseInsensitive) == 0) {
            selected = i;
            break;
        }
    }
    cboDBAlias->setCurrentIndex(selected);
    edtDBUserName->setText(LoginUser);
    edtDBPassword->setText(LoginPassword);
}

void TMyLoginForm::btnOKClick()
{
    if (cboDBAlias->currentIndex() < 0) {
        CurrentPrompter().showMessage(this, BoxIcon::Plain, QString(),
                                      QStringLiteral("Please select ODBC connection string"));
        cboDBAlias->setFocus();
        return;
    }
    LoginAlias = cboDBAlias->currentText();
    LoginUser = edtDBUserName->text();
    LoginPassword = edtDBPassword->text();
    accept();
}

void TMyLoginForm::btnCancelClick()
{
    reject();
}

void TMyLoginForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    FormActivate();
}

void TMyLoginForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        m_boxesFilled = false;
}

bool TMyLoginForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TMyLoginForm::keyPressEvent(QKeyEvent* event)
{
    // Cancel has no keyboard shortcut: Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orvela
