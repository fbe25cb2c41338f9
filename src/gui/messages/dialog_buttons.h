#pragma once

// The OK and Cancel buttons that close the program's small dialogs, right-aligned in a row of
// their own.

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace orvela {

struct OkCancelRow
{
    QPushButton* ok;     // "OK", named btnOK: the default button, so Enter presses it
    QPushButton* cancel; // "Cancel", named btnCancel: never takes Enter
    QHBoxLayout* row;    // for the caller to add to the dialog's layout
};

// Creates the buttons in `dialog` now, so they follow the widgets created before them in the
// keyboard order. The caller connects them.
OkCancelRow MakeOkCancelRow(QDialog* dialog);

} // namespace orvela
