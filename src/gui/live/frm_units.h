#pragma once

// The "Sensor Units" dialog: edits the units text of a gauge, graph or the wind chart. The
// caller hands in its text by reference; it changes only when the dialog ends with OK.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela {

class TfrmUnits : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUnits(QString& units, QWidget* owner = nullptr);

    QLabel* lblUnits;
    QLineEdit* edtUnits;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void FormShow();
    // Takes the text as typed: no trimming, and empty units are allowed.
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString& m_callerUnits;
    const QString m_units;
};

} // namespace orvela
