#pragma once

// The "Min/Max Settings" dialog: edits the scale limits of a thermometer or dial gauge. The
// caller hands in its two limits by reference; they change only when the dialog ends with OK.
// Beside them the dialog can edit the position's alarm limits, where an empty field is no limit.

#include "core/live/reading_watch.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela {

// What the dialog checks beyond both limits being numbers.
enum class LimitsCheck
{
    AnyPair,               // thermometers draw any pair
    MinimumNotAboveMaximum // dials refuse a minimum above the maximum
};

class TfrmMinMax : public QDialog
{
    Q_OBJECT
public:
    static const QString NotNumericText;  // "Min or Max value is not numeric"
    static const QString MinAboveMaxText; // "Minimum must not be above maximum."
    static const QString AlarmNotNumericText;
    static const QString AlarmLowAboveHighText;

    TfrmMinMax(float& minimum, float& maximum, LimitsCheck check, QWidget* owner = nullptr);
    // Also edits `alarms`, which changes only when the dialog ends with OK.
    TfrmMinMax(float& minimum, float& maximum, AlarmLimits& alarms, LimitsCheck check,
               QWidget* owner = nullptr);

    QLabel* lblMinValue;
    QLineEdit* edtMinValue;
    QLabel* lblMaxValue;
    QLineEdit* edtMaxValue;
    // Shown only when the dialog edits alarm limits.
    QLabel* lblAlarmLow;
    QLineEdit* edtAlarmLow;
    QLabel* lblAlarmHigh;
    QLineEdit* edtAlarmHigh;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Writes the limits, each with one decimal; the alarm limits as the configuration file
    // holds them, or nothing.
    void FormShow();
    // Reads both limits; with a text that is not a number, or for a dial a minimum above the
    // maximum, shows an error box and stays open. Then the same for the alarm limits: a filled
    // field that is not a number, or a low alarm limit above the high one. Otherwise writes
    // them back and ends with OK.
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool readAlarmLimits(AlarmLimits& limits);

    float& m_callerMinimum;
    float& m_callerMaximum;
    const float m_minimum;
    const float m_maximum;
    const LimitsCheck m_check;
    AlarmLimits* m_callerAlarms = nullptr;
    AlarmLimits m_alarms;
};

} // namespace orvela
