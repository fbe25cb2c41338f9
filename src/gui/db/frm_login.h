#pragma once

// The "Database Login" dialog: the data source, user name and password of a connection. The
// main window hands its values in through LoginAlias, LoginUser and LoginPassword, shows the
// dialog modally and reads them back when it ends with OK.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela {

class TMyLoginForm : public QDialog
{
    Q_OBJECT

public:
    // The alias names offered, in the order given; by default the data sources that the ODBC
    // driver manager lists.
    using AliasSource = std::function<QStringList()>;

    explicit TMyLoginForm(QWidget* owner = nullptr, AliasSource aliases = {});

    QString LoginAlias;
    QString LoginUser;
    QString LoginPassword;

    QComboBox* cboDBAlias;
    QLineEdit* edtDBUserName;
    QLineEdit* edtDBPassword;
    QPushButton* btnCancel;
    QPushButton* btnOK;

    // Each time the dialog is shown: the alias list is read again.
    void FormShow();
    // Selects LoginAlias (letter case aside) and puts LoginUser and LoginPassword in the boxes,
    // once per showing: the dialog also becomes active again when a message box over it
    // closes, and what the operator typed by then must stay.
    void FormActivate();
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    AliasSource m_aliases;
    bool m_boxesFilled = false;
};

} // namespace orvela
