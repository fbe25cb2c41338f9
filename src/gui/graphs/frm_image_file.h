#pragma once

// The "Image File" dialog of the "Select Image File" command: the operator types or browses to
// the station picture's file. The caller hands in its path by reference; it changes only when
// the dialog ends with OK, which it does only for a file that exists.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela {

class TfrmImageFile : public QDialog
{
    Q_OBJECT
public:
    // The file-open dialog's filter: image files, then all files.
    static QString OpenDialogFilter();
    static QString OpenDialogTitle();

    explicit TfrmImageFile(QString& path, QWidget* owner = nullptr);

    QLabel* lblImageFile;
    QLineEdit* edtImage;
    QPushButton* btnBrowse;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void FormShow();
    // The file-open dialog (through the prompter); a picked file's full path goes into the
    // edit box, a cancelled dialog leaves it as it was.
    void btnBrowseClick();
    // Takes the path when a file of that name exists; otherwise shows "Image File does not
    // exist." and keeps the dialog open.
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString& m_callerPath;
    const QString m_path;
};

} // namespace orvela
