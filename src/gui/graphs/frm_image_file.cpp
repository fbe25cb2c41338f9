#include "gui/graphs/frm_image_file.h"

#include "gui/messages/dialog_buttons.h"
#include "gui/messages/prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace orvela {

QString TfrmImageFile::OpenDialogFilter()
{
    // "All files" takes every name, with or without an extension.
    return QStringLiteral("Image Files (*.BMP *.PIC *.IMG *.GIF *.JPG *.TIFF);;All files (*)");
}

QString TfrmImageFile::OpenDialogTitle()
{
    return QStringLiteral("Open");
}

TfrmImageFile::TfrmImageFile(QString& path, QWidget* owner)
    : QDialog(owner), m_callerPath(path), m_path(path)
{
    setObjectName(QStringLiteral("frmImageFile"));
    setWindowTitle(QStringLiteral("Image File"));
    setModal(true);

    lblImageFile = new QLabel(QStringLiteral("Image File: "), this);
    lblImageFile->setObjectName(QStringLiteral("lblImageFile"));
    edtImage = new QLineEdit(this);
    edtImage->setObjectName(QStringLiteral("edtImage"));
    edtImage->setMinimumWidth(320);
    lblImageFile->setBuddy(edtImage);
    btnBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    const OkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.ok;
    btnCancel = buttons.cancel;

    auto* field = new QHBoxLayout;
    field->addWidget(lblImageFile);
    field->addWidget(edtImage, 1);
    field->addWidget(btnBrowse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnBrowse, &QPushButton::clicked, this, &TfrmImageFile::btnBrowseClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmImageFile::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmImageFile::btnCancelClick);
}

void TfrmImageFile::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmImageFile::FormShow()
{
    edtImage->setText(m_path);
}

void TfrmImageFile::btnBrowseClick()
{
    // The dialog opens without a file name, in the folder of the path shown when there is one.
    const QFileInfo shown(edtImage->text());
    const QString folder =
        !edtImage->text().isEmpty() && shown.dir().exists() ? shown.absolutePath() : QString();
    const QString picked =
        CurrentPrompter().openFileName(this, OpenDialogTitle(), folder, OpenDialogFilter());
    if (!picked.isEmpty())
        edtImage->setText(QFileInfo(picked).absoluteFilePath());
}

void TfrmImageFile::btnOKClick()
{
    const QString path = edtImage->text();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(),
                                      QStringLiteral("Image File does not exist."));
        return;
    }
    m_callerPath = path;
    accept();
}

void TfrmImageFile::btnCancelClick()
{
    reject();
}

} // namespace orvela
