#pragma once

// Ends a modal dialog the ways an operator can: a click on OK or Cancel, the Escape key, the
// Return key in one of its fields, or the window's close box.

#include <QAbstractButton>
#include <QDialog>
#include <QTest>

namespace orvela::test {

enum class Press
{
    Ok,
    Cancel,
    Escape,
    Return,
    CloseBox
};

// `returnTarget` takes the Return key; the dialog itself when null.
inline void PressOn(QDialog& dialog, Press press, QAbstractButton* ok, QAbstractButton* cancel,
                    QWidget* returnTarget = nullptr)
{
    switch (press) {
    case Press::Ok:
        QTest::mouseClick(ok, Qt::LeftButton);
        break;
    case Press::Cancel:
        QTest::mouseClick(cancel, Qt::LeftButton);
        break;
    case Press::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    case Press::Return:
        QTest::keyClick(returnTarget ? returnTarget : &dialog, Qt::Key_Return);
        break;
    case Press::CloseBox:
        dialog.close();
        break;
    }
}

} // namespace orvela::test

Q_DECLARE_METATYPE(orvela::test::Press)
