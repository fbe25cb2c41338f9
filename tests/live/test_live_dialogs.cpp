// The "Min/Max Settings" and "Sensor Units" dialogs, driven through their widgets.

#include "dialog_press.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/frm_units.h"
#include "recording_prompter.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstring>

using namespace orvela;
using orvela::test::RecordingPrompter;

using orvela::test::Press;

namespace {

void TypeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool SameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class ScopedLocale
{
public:
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

const QString NotNumeric = QStringLiteral("Min or Max value is not numeric");
const QString Inverted = QStringLiteral("Minimum must not be above maximum.");
const std::optional<double> NoLimit;

} // namespace

Q_DECLARE_METATYPE(orvela::LimitsCheck)
Q_DECLARE_METATYPE(orvela::AlarmLimits)

class TestLiveDialogs : public QObject
{
    Q_OBJECT

private slots:
    void minMaxShowsOneDecimal_data();
    void minMaxShowsOneDecimal();
    void minMaxEdited_data();
    void minMaxEdited();
    void minMaxModal();
    void minMaxAlarms_data();
    void minMaxAlarms();
    void units_data();
    void units();
    void unitsModalCancel();
};

void TestLiveDialogs::minMaxShowsOneDecimal_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("minimum");
    QTest::addColumn<float>("maximum");
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("maxText");
    QTest::addColumn<float>("minAfter"); // after OK without editing
    QTest::addColumn<float>("maxAfter");
    const QLocale c = QLocale::c();
    QTest::newRow("thermometer -30 to 60") << c << -30.0f << 60.0f << "-30.0"
                                           << "60.0" << -30.0f << 60.0f;
    QTest::newRow("rounded to one decimal") << c << 12.345f << 0.04f << "12.3"
                                            << "0.0" << 12.3f << 0.0f;
    QTest::newRow("comma decimal")
        << QLocale(QLocale::German, QLocale::Germany) << 0.1f << 21.46f << "0,1"
        << "21,5" << 0.1f << 21.5f;
    QTest::newRow("nine digits scientific") << c << 0.0f << 123456789.0f << "0.0"
                                            << "1.234568e+08" << 0.0f << 123456800.0f;
}

// The boxes show the limits with one decimal, and OK without editing reads back just that.
void TestLiveDialogs::minMaxShowsOneDecimal()
{
    QFETCH(QLocale, locale);
    QFETCH(float, minimum);
    QFETCH(float, maximum);
    QFETCH(QString, minText);
    QFETCH(QString, maxText);
    QFETCH(float, minAfter);
    QFETCH(float, maxAfter);
    const ScopedLocale scoped(locale);
    TfrmMinMax dialog(minimum, maximum, LimitsCheck::AnyPair);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Min/Max Settings"));
    dialog.show();
    QCOMPARE(dialog.edtMinValue->text(), minText);
    QCOMPARE(dialog.edtMaxValue->text(), maxText);
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(SameFloat(minimum, minAfter));
    QVERIFY(SameFloat(maximum, maxAfter));
}

void TestLiveDialogs::minMaxEdited_data()
{
    QTest::addColumn<LimitsCheck>("check");
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("maxText");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("box");   // empty: no box
    QTest::addColumn<float>("minimum"); // the caller's limits after; -1 and -1: unchanged
    QTest::addColumn<float>("maximum");
    const LimitsCheck thermometer = LimitsCheck::AnyPair;
    const LimitsCheck dial = LimitsCheck::MinimumNotAboveMaximum;
    const Press ok = Press::Ok;
    QTest::newRow("0.1 becomes the nearest float")
        << thermometer << "0.1"
        << "5" << ok << "" << static_cast<float>(0.1) << 5.0f;
    QTest::newRow("return presses OK") << dial << "1"
                                       << "7.25" << Press::Return << "" << 1.0f << 7.25f;
    QTest::newRow("cancel keeps the old") << thermometer << "3"
                                          << "4" << Press::Cancel << "" << -1.0f << -1.0f;
    QTest::newRow("minimum not numeric") << thermometer << "abc"
                                         << "5" << ok << NotNumeric << -1.0f << -1.0f;
    QTest::newRow("maximum empty") << thermometer << "1"
                                   << "" << ok << NotNumeric << -1.0f << -1.0f;
    QTest::newRow("group separator") << thermometer << "1,000.5"
                                     << "2" << ok << NotNumeric << -1.0f << -1.0f;
    QTest::newRow("beyond the float range") << dial << "1e39"
                                            << "0" << ok << NotNumeric << -1.0f << -1.0f;
    QTest::newRow("thermometer takes an inverted pair") << thermometer << "60"
                                                        << "50" << ok << "" << 60.0f << 50.0f;
    QTest::newRow("dial refuses an inverted pair") << dial << "60"
                                                   << "50" << ok << Inverted << -1.0f << -1.0f;
    QTest::newRow("dial takes equal limits") << dial << "50"
                                             << "50" << ok << "" << 50.0f << 50.0f;
    QTest::newRow("dial takes a range above the old one") << dial << "150"
                                                          << "200" << ok << "" << 150.0f << 200.0f;
    QTest::newRow("not numeric is checked first") << dial << "60"
                                                  << "x" << ok << NotNumeric << -1.0f << -1.0f;
}

// A refused entry shows one error box and keeps the dialog open with the boxes as typed, and
// nothing reaches the caller.
void TestLiveDialogs::minMaxEdited()
{
    QFETCH(LimitsCheck, check);
    QFETCH(QString, minText);
    QFETCH(QString, maxText);
    QFETCH(Press, press);
    QFETCH(QString, box);
    QFETCH(float, minimum);
    QFETCH(float, maximum);
    float callerMin = -1.0f;
    float callerMax = -1.0f;
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    const ScopedLocale locale(QLocale::c());
    TfrmMinMax dialog(callerMin, callerMax, check);
    dialog.show();
    TypeInto(dialog.edtMinValue, minText);
    TypeInto(dialog.edtMaxValue, maxText);
    PressOn(dialog, press, dialog.btnOK, dialog.btnCancel, dialog.edtMaxValue);

    if (box.isEmpty()) {
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(),
                 int(press == Press::Cancel ? QDialog::Rejected : QDialog::Accepted));
    } else {
        QCOMPARE(prompter.texts(), QStringList{box});
        QCOMPARE(prompter.boxes.front().icon, BoxIcon::Error);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.edtMinValue->text(), minText);
        QCOMPARE(dialog.edtMaxValue->text(), maxText);
    }
    QVERIFY(SameFloat(callerMin, minimum));
    QVERIFY(SameFloat(callerMax, maximum));
}

// Shown modally the way the popup command shows it: the first OK is refused, the second taken.
void TestLiveDialogs::minMaxModal()
{
    float minimum = 0.0f;
    float maximum = 100.0f;
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    const ScopedLocale locale(QLocale::c());
    TfrmMinMax dialog(minimum, maximum, LimitsCheck::MinimumNotAboveMaximum);
    QTimer::singleShot(0, &dialog, [&dialog] {
        TypeInto(dialog.edtMinValue, QStringLiteral("60"));
        TypeInto(dialog.edtMaxValue, QStringLiteral("50"));
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        TypeInto(dialog.edtMaxValue, QStringLiteral("70"));
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(prompter.texts(), QStringList{Inverted});
    QCOMPARE(minimum, 60.0f);
    QCOMPARE(maximum, 70.0f);
}

void TestLiveDialogs::minMaxAlarms_data()
{
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("lowText");
    QTest::addColumn<QString>("highText");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("box");        // empty: no box
    QTest::addColumn<AlarmLimits>("alarms"); // the caller's after
    const Press ok = Press::Ok;
    const AlarmLimits kept{1.5, NoLimit};
    const QString notNumeric = TfrmMinMax::AlarmNotNumericText;
    QTest::newRow("emptied: no limits") << "0"
                                        << ""
                                        << "" << ok << "" << AlarmLimits{};
    QTest::newRow("both, blanks around")
        << "0"
        << " -5 "
        << "30.25" << Press::Return << "" << AlarmLimits{-5.0, 30.25};
    QTest::newRow("equal limits") << "0"
                                  << "5"
                                  << "5" << ok << "" << AlarmLimits{5.0, 5.0};
    QTest::newRow("low not numeric") << "0"
                                     << "abc"
                                     << "" << ok << notNumeric << kept;
    QTest::newRow("high with a group separator") << "0"
                                                 << ""
                                                 << "1,000" << ok << notNumeric << kept;
    QTest::newRow("infinite") << "0"
                              << ""
                              << "inf" << ok << notNumeric << kept;
    QTest::newRow("low above high") << "0"
                                    << "10"
                                    << "5" << ok << TfrmMinMax::AlarmLowAboveHighText << kept;
    QTest::newRow("gauge limits are checked first") << "x"
                                                    << "y"
                                                    << "" << ok << NotNumeric << kept;
    QTest::newRow("cancel keeps the old") << "0"
                                          << "2"
                                          << "3" << Press::Cancel << "" << kept;
}

// The alarm limits beside the gauge limits: shown as kept, empty for none, refused with their
// own messages and the dialog left open.
void TestLiveDialogs::minMaxAlarms()
{
    QFETCH(QString, minText);
    QFETCH(QString, lowText);
    QFETCH(QString, highText);
    QFETCH(Press, press);
    QFETCH(QString, box);
    QFETCH(AlarmLimits, alarms);
    float minimum = 0.0f;
    float maximum = 100.0f;
    AlarmLimits caller{1.5, NoLimit};
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    const ScopedLocale locale(QLocale::c());
    TfrmMinMax dialog(minimum, maximum, caller, LimitsCheck::AnyPair);
    dialog.show();
    QCOMPARE(dialog.edtAlarmLow->text(), QStringLiteral("1.5"));
    QCOMPARE(dialog.edtAlarmHigh->text(), QString());
    TypeInto(dialog.edtMinValue, minText);
    TypeInto(dialog.edtAlarmLow, lowText);
    TypeInto(dialog.edtAlarmHigh, highText);
    PressOn(dialog, press, dialog.btnOK, dialog.btnCancel, dialog.edtAlarmHigh);
    QCOMPARE(prompter.texts(), box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(dialog.isVisible(), !box.isEmpty());
    QVERIFY(caller == alarms);
    QCOMPARE(minimum, box.isEmpty() && press != Press::Cancel ? minText.toFloat() : 0.0f);

    // Without alarm limits to edit the dialog is the plain one.
    TfrmMinMax plain(minimum, maximum, LimitsCheck::AnyPair);
    plain.show();
    QVERIFY(!plain.edtAlarmLow->isVisible() && !plain.edtAlarmHigh->isVisible());
}

void TestLiveDialogs::units_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("units");
    QTest::newRow("new units") << "m/s" << Press::Ok << "m/s";
    QTest::newRow("emptied") << "" << Press::Ok << "";
    QTest::newRow("blanks kept") << "  km/h " << Press::Return << "  km/h ";
    QTest::newRow("cancel keeps the old") << "m/s" << Press::Cancel << "deg";
}

void TestLiveDialogs::units()
{
    QFETCH(QString, typed);
    QFETCH(Press, press);
    QFETCH(QString, units);
    QString caller = QStringLiteral("deg");
    TfrmUnits dialog(caller);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Sensor Units"));
    dialog.show();
    QCOMPARE(dialog.edtUnits->text(), QStringLiteral("deg"));
    TypeInto(dialog.edtUnits, typed);
    PressOn(dialog, press, dialog.btnOK, dialog.btnCancel, dialog.edtUnits);
    QCOMPARE(dialog.result(), int(press == Press::Cancel ? QDialog::Rejected : QDialog::Accepted));
    QCOMPARE(caller, units);
}

void TestLiveDialogs::unitsModalCancel()
{
    QString caller = QStringLiteral("hPa");
    TfrmUnits dialog(caller);
    QTimer::singleShot(0, &dialog, [&dialog] {
        TypeInto(dialog.edtUnits, QStringLiteral("mbar"));
        QTest::keyClick(dialog.edtUnits, Qt::Key_Escape);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(caller, QStringLiteral("hPa"));
}

QTEST_MAIN(TestLiveDialogs)
#include "test_live_dialogs.moc"
