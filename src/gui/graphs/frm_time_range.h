#pragma once

// The "Graph Time Range" dialog of the "Edit Time Range" command: picks how far back a graph
// reaches. The caller hands in its time-range index (0 to 5) by reference; it changes only when
// the dialog ends with OK.

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace orvela {

class TfrmTimeRange : public QDialog
{
    Q_OBJECT
public:
    // The labels of the six ranges, by index.
    static QStringList RangeLabels();

    explicit TfrmTimeRange(int& rangeIndex, QWidget* owner = nullptr);

    QLabel* lblTimeRange;
    QGroupBox* rgpTimeOfData;
    QButtonGroup* rangeButtons; // button id = range index
    QPushButton* btnOK;
    QPushButton* btnCancel;

    QRadioButton* rangeButton(int index) const;
    // The index of the selected item, -1 when none is.
    int selectedIndex() const;

    void FormShow();
    // Takes the selected index; with none selected (an index that was none of the six) the
    // caller's index stays as it was.
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int& m_callerIndex;
    const int m_index;
};

} // namespace orvela
