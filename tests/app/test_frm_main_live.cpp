// The live side of the main window against a real SQLite station database: the choosers,
// the captions, the value labels, the wind needle, the popup commands, and the stale and alarm
// marks with their Messages lines. The local clock stands at 2005-03-02 14:05:00 unless a test
// moves it, so the readings of 14:01 to 14:04 are fresh.

#include "answer_dialog.h"
#include "core/config/settings_store.h"
#include "core/db/password_scrambler.h"
#include "db/engine_fixture.h"
#include "gui/app/frm_main.h"
#include "gui/live/dial_gauge.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/frm_units.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/live/thermometer_gauge.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"
#include "support/station_time.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace orvela;
using namespace orvela::test;

namespace {

const Engine Sqlite = Engine::SQLite;

void SetClock(int hour, int minute, int second = 0)
{
    SetLocalClock([=] { return CivilTime{2005, 3, 2, hour, minute, second}; });
}

// The Messages lines without their time stamps and closing periods, oldest first.
QStringList Said(TfrmLog& log)
{
    QStringList said;
    for (const QString& line : log.lines()) {
        const int text = line.indexOf(QStringLiteral("    "));
        QString plain = line.mid(text + 4);
        plain.chop(1);
        said.prepend(plain);
    }
    return said;
}

QColor TextColour(QLabel* label)
{
    label->ensurePolished();
    return label->palette().color(label->foregroundRole());
}

} // namespace

class TestFrmMainLive : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EngineFixture> m_fx;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;
    std::unique_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
    std::unique_ptr<TfrmLog> m_log;
    std::unique_ptr<TfrmMain> m_window;

    void reading(const QString& sensor, int minute, double value, int hour = 14)
    {
        QVERIFY2(
            m_fx->InsertReadings(Sqlite, "STN1", sensor, {{2005, 3, 2, hour, minute, 0, value}}),
            qPrintable(m_fx->LastError()));
    }

    void lastUpdate(int hour, int minute)
    {
        QVERIFY(m_fx->Exec(Sqlite,
                           "UPDATE KT_SITES SET LAST_UPDATE = " +
                               EngineFixture::TimeLiteral(Sqlite, 2005, 3, 2, hour, minute, 0)));
    }

    // Lines said since the last call.
    QStringList newLines()
    {
        const QStringList all = Said(*m_log);
        const QStringList fresh = all.mid(m_linesSeen);
        m_linesSeen = all.size();
        return fresh;
    }
    int m_linesSeen = 0;

    // A station whose sensors and readings the test has set, and a window started on it.
    void start(const QString& extraConfig = QString())
    {
        QFile file(m_config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[DataBase]\r\nDataSource=" + m_fx->DataSource(Sqlite) +
                    "\r\nUserName=" + m_fx->User(Sqlite) + "\r\nPassword=" +
                    QString::fromStdU16String(
                        EncodeStoredPassword(m_fx->Password(Sqlite).toStdU16String())) +
                    "\r\nStation=STN1\r\n" + extraConfig)
                       .toLatin1());
        file.close();
        m_window = std::make_unique<TfrmMain>(m_config, *m_log);
        m_window->show();
        QVERIFY(m_window->Connected());
    }

    LivePosition* live(int slot) { return m_window->livePosition(slot); }

private slots:
    void initTestCase() { m_fx = std::make_unique<EngineFixture>(); }
    void cleanupTestCase() { m_fx.reset(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_config = m_dir->filePath("Orvela.ovf");
        m_prompter = std::make_unique<RecordingPrompter>();
        m_scope = std::make_unique<ScopedPrompter>(*m_prompter);
        m_log = std::make_unique<TfrmLog>();
        m_linesSeen = 0;
        SetClock(14, 5);
        QVERIFY2(m_fx->CreateTables(Sqlite), qPrintable(m_fx->LastError()));
        QVERIFY(m_fx->ExecAll(Sqlite,
                              {"INSERT INTO KT_SITES (STATION_ID, LAST_UPDATE) VALUES ('STN1', " +
                                   EngineFixture::TimeLiteral(Sqlite, 2005, 3, 2, 14, 30, 0) + ")",
                               "INSERT INTO KT_SITESENSORS VALUES ('STN1', 'AIR TEMP')",
                               "INSERT INTO KT_SITESENSORS VALUES ('STN1', 'PRESSURE')",
                               "INSERT INTO KT_SITESENSORS VALUES ('STN1', 'WIND DIR')",
                               "INSERT INTO KT_SITESENSORS VALUES ('STN1', 'RAIN')"}));
    }

    void cleanup()
    {
        m_window.reset();
        m_log.reset();
        m_scope.reset();
        m_prompter.reset();
        SetLocalClock({});
    }

    void valuesAndLabels()
    {
        reading("AIR TEMP", 1, 10.0);
        reading("AIR TEMP", 2, 21.46);
        reading("PRESSURE", 2, 123456789.0);
        start("[LiveData1]\r\nName=air temp\r\nUnits=degC\r\n"
              "[LiveData2]\r\nName=RAIN\r\n"
              "[LiveData3]\r\nName=PRESSURE\r\nUnits=hPa\r\n"
              "[LiveData4]\r\nName=AIR TEMP\r\nUnits=degC\r\n");
        // The lower-case configured name picked the upper-case item.
        QCOMPARE(live(1)->chooser()->currentText(), QStringLiteral("AIR TEMP"));
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("21.5 degC"));
        QCOMPARE(live(1)->thermometer()->value(), double(21.46f));
        // Two positions with the same sensor show the same value.
        QCOMPARE(live(4)->valueLabel()->text(), QStringLiteral("21.5 degC"));
        // No reading: 0, and the label ends in the blank of empty units.
        QCOMPARE(live(2)->valueLabel()->text(), QStringLiteral("0.0 "));
        QCOMPARE(live(3)->valueLabel()->text(), QStringLiteral("1.234568e+08 hPa"));
        // Captions: the station as configured, the chooser's text, the units.
        QCOMPARE(live(1)->captionText(), QStringLiteral("STN1.AIR TEMP (degC)"));
        QCOMPARE(live(2)->captionText(), QStringLiteral("STN1.RAIN ()"));
        QCOMPARE(live(5)->captionText(), QStringLiteral("STN1. ()"));
        QCOMPARE(live(5)->dial()->caption(), QStringLiteral("STN1. ()"));
    }

    void stationWithoutLastUpdateKeepsEverything()
    {
        reading("AIR TEMP", 2, 21.46);
        start("[LiveData1]\r\nName=AIR TEMP\r\n");
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("21.5 "));
        QVERIFY(m_fx->Exec(Sqlite, "UPDATE KT_SITES SET LAST_UPDATE = NULL"));
        reading("AIR TEMP", 3, 30.0);
        m_window->Timer1Timer();
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("21.5 "));
    }

    void choosingASensorRefreshesEveryLivePosition()
    {
        reading("AIR TEMP", 2, 5.0);
        reading("RAIN", 2, 2.5);
        start("[LiveData1]\r\nName=AIR TEMP\r\n");
        QCOMPARE(live(2)->valueLabel()->text(), QStringLiteral("0.0 "));
        reading("AIR TEMP", 3, 6.0);
        QComboBox* box = live(3)->chooser(); // chooser 9
        box->setCurrentIndex(box->findText("RAIN"));
        emit box->activated(box->currentIndex());
        QCOMPARE(m_window->LiveSensorNames().at(2), QStringLiteral("RAIN"));
        QCOMPARE(m_window->LiveSensorNames().at(0), QStringLiteral("AIR TEMP"));
        QCOMPARE(live(3)->valueLabel()->text(), QStringLiteral("2.5 "));
        // Every live position refreshed, not only the one chosen.
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("6.0 "));
        QCOMPARE(live(3)->captionText(), QStringLiteral("STN1.RAIN ()"));
    }

    void windNeedle_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("label");
        QTest::addColumn<double>("angle");
        QTest::newRow("245.6") << 245.6 << "246 deg" << 246.0;
        QTest::newRow("22.5 half to even") << 22.5 << "23 deg" << 22.0;
        QTest::newRow("23.5 half to even") << 23.5 << "24 deg" << 24.0;
        QTest::newRow("370 beyond a turn") << 370.0 << "370 deg" << 370.0;
        QTest::newRow("-90") << -90.0 << "-90 deg" << -90.0;
    }

    void windNeedle()
    {
        QFETCH(double, value);
        QFETCH(QString, label);
        QFETCH(double, angle);
        reading("WIND DIR", 2, value);
        start("[LiveData7]\r\nName=WIND DIR\r\n");
        QCOMPARE(live(7)->valueLabel()->text(), label);
        QCOMPARE(live(7)->caption()->text(), QStringLiteral("STN1.WIND DIR"));
        const auto& points = live(7)->windChart()->series().points();
        QCOMPARE(int(points.size()), 2);
        QCOMPARE(points.at(0).radius, 0.0);
        QCOMPARE(points.at(1).angle, angle);
        QCOMPARE(points.at(1).radius, 97.0);
        QCOMPARE(CompassAngle(points.at(1).angle), CompassAngle(angle));
    }

    void unitsIndexOfEachTarget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("graph 1") << "teeGraph1" << 0;
        QTest::newRow("graph 6") << "teeGraph6" << 5;
        QTest::newRow("thermometer 1") << "vrThermoMeter1" << 6;
        QTest::newRow("thermometer 4") << "vrThermoMeter4" << 9;
        QTest::newRow("dial 1") << "vrAngularMeter1" << 10;
        QTest::newRow("dial 2") << "vrAngularMeter2" << 11;
        QTest::newRow("wind") << "chrtWind" << 12;
        QTest::newRow("picture") << "imgStation" << -1;
    }

    void unitsIndexOfEachTarget()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QObject object;
        object.setObjectName(name);
        QCOMPARE(TfrmMain::UnitsIndexOf(&object), index);
    }

    void unitsCommandRewritesTheCaptions()
    {
        start("[LiveData5]\r\nName=PRESSURE\r\n");
        m_window->OnObjectMouseDown(live(5)->display(), Qt::RightButton);
        AnswerDialog<TfrmUnits>([](TfrmUnits& dialog) {
            dialog.edtUnits->setText("hPa");
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->SensorUnits1Click();
        QCOMPARE(m_window->SlotUnits().at(10), QStringLiteral("hPa"));
        QCOMPARE(live(5)->dial()->caption(), QStringLiteral("STN1.PRESSURE (hPa)"));

        // A left button does not move the target; Cancel changes nothing.
        m_window->OnObjectMouseDown(live(1)->display(), Qt::LeftButton);
        AnswerDialog<TfrmUnits>([](TfrmUnits& dialog) {
            dialog.edtUnits->setText("ignored");
            QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        });
        m_window->SensorUnits1Click();
        QCOMPARE(m_window->SlotUnits().at(10), QStringLiteral("hPa"));
    }

    void dialLimitsBothOrNeither()
    {
        start();
        m_window->OnObjectMouseDown(live(6)->display(), Qt::RightButton);
        AnswerDialog<TfrmMinMax>([](TfrmMinMax& dialog) {
            QCOMPARE(dialog.edtMinValue->text(), QStringLiteral("0.0"));
            dialog.edtMinValue->setText("150");
            dialog.edtMaxValue->setText("200");
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->MinMaxSettings1Click();
        QCOMPARE(live(6)->minimum(), 150.0);
        QCOMPARE(live(6)->maximum(), 200.0);
        QVERIFY(m_prompter->boxes.isEmpty());

        // A thermometer takes any pair; the wind chart has no limits to set.
        m_window->OnObjectMouseDown(live(1)->display(), Qt::RightButton);
        AnswerDialog<TfrmMinMax>([](TfrmMinMax& dialog) {
            QCOMPARE(dialog.edtMinValue->text(), QStringLiteral("-30.0"));
            dialog.edtMinValue->setText("12.345");
            dialog.edtMaxValue->setText("5");
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->MinMaxSettings1Click();
        QCOMPARE(live(1)->minimum(), double(12.345f));
        QCOMPARE(live(1)->maximum(), 5.0);
        m_window->OnObjectMouseDown(live(7)->display(), Qt::RightButton);
        m_window->MinMaxSettings1Click(); // nothing to open: returns at once
    }

    // The limit as the configuration sets it: three refresh intervals and at least 10 minutes
    // when not set, "StaleMinutes" minutes, or no marks at all below 0.
    void staleLimitFromTheConfiguration_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("clock"); // minutes after 14:00; the reading is of 14:02
        QTest::addColumn<QString>("label");
        QTest::newRow("default 15 min: 16 min old is stale") << "" << 18 << "21.5 degC\n16 min old";
        QTest::newRow("StaleMinutes 3") << "[Application]\r\nStaleMinutes=3\r\n"
                                        << 6 << "21.5 degC\n4 min old";
        QTest::newRow("StaleMinutes -1: no marks") << "[Application]\r\nStaleMinutes=-1\r\n"
                                                   << 300 << "21.5 degC";
    }

    void staleLimitFromTheConfiguration()
    {
        QFETCH(QString, config);
        QFETCH(int, clock);
        QFETCH(QString, label);
        reading("AIR TEMP", 2, 21.46);
        start("[LiveData1]\r\nName=AIR TEMP\r\nUnits=degC\r\n" + config);
        SetClock(14 + clock / 60, clock % 60);
        m_window->RefreshAges();
        QCOMPARE(live(1)->valueLabel()->text(), label);
        QCOMPARE(live(1)->isDimmed(), label.contains("old"));
    }

    // Stale readings dim their display and show their age, the panel turns amber and then red,
    // and each change is said once: for a sensor on two positions, and for the station.
    void staleMarksAndTheirLines()
    {
        reading("AIR TEMP", 2, 21.46);
        reading("RAIN", 4, 1.0);
        lastUpdate(14, 4);
        start("[LiveData1]\r\nName=AIR TEMP\r\nUnits=degC\r\n[LiveData2]\r\nName=RAIN\r\n"
              "[LiveData5]\r\nName=AIR TEMP\r\n");
        newLines();
        StationPanel* panel = m_window->stationPanel();
        const QImage fresh = live(1)->display()->grab().toImage();

        SetClock(14, 18, 30);
        m_window->RefreshAges();
        QCOMPARE(newLines(), QStringList({"Stale data: sensor STN1.AIR TEMP has sent nothing for "
                                          "16 min (last at 2005-03-02 14:02:00)"}));
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("21.5 degC\n16 min old"));
        QCOMPARE(live(5)->valueLabel()->text(), QStringLiteral("21.5  (16 min old)"));
        QVERIFY(live(1)->isDimmed() && live(5)->isDimmed() && !live(2)->isDimmed());
        QVERIFY(live(1)->display()->grab().toImage() != fresh);
        QVERIFY(panel->ageLabel()->isHidden());

        SetClock(14, 20);
        m_window->RefreshAges();
        QCOMPARE(newLines(), QStringList({"Stale data: station STN1 has sent nothing for 16 min "
                                          "(last at 2005-03-02 14:04:00)",
                                          "Stale data: sensor STN1.RAIN has sent nothing for 16 "
                                          "min (last at 2005-03-02 14:04:00)"}));
        QCOMPARE(panel->ageLevel(), AgeLevel::Stale);
        QVERIFY(!panel->ageLabel()->isHidden());
        QCOMPARE(panel->ageLabel()->text(), QStringLiteral("16 min old"));
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("21.5 degC\n18 min old"));

        // Past ten times the limit: red, and nothing more said.
        SetClock(16, 35);
        m_window->RefreshAges();
        QCOMPARE(newLines(), QStringList());
        QCOMPARE(panel->ageLevel(), AgeLevel::LongStale);
        QCOMPARE(panel->ageLabel()->text(), QStringLiteral("2 h old"));

        // Data again from the station and the temperature; the rain stays stale.
        reading("AIR TEMP", 34, 22.0, 16);
        lastUpdate(16, 34);
        m_window->Timer1Timer();
        QCOMPARE(newLines(), QStringList({"Data again: station STN1 (last at 2005-03-02 16:34:00)",
                                          "Data again: sensor STN1.AIR TEMP (last at 2005-03-02 "
                                          "16:34:00)"}));
        QCOMPARE(live(1)->valueLabel()->text(), QStringLiteral("22.0 degC"));
        QVERIFY(!live(1)->isDimmed() && live(2)->isDimmed());
        QCOMPARE(panel->ageLevel(), AgeLevel::Fresh);
        QVERIFY(panel->ageLabel()->isHidden());
    }

    // Values outside the alarm limits turn their label red; crossing a limit either way is said
    // once; the limits are set in the Min/Max dialog and kept in the configuration.
    void alarmLimits()
    {
        reading("AIR TEMP", 1, 25.0);
        start("[LiveData1]\r\nName=AIR TEMP\r\nUnits=degC\r\nAlarmLow=0\r\nAlarmHigh=30\r\n"
              "[LiveData5]\r\nName=AIR TEMP\r\nAlarmHigh=abc\r\n[LiveData6]\r\nName=AIR TEMP\r\n"
              "AlarmHigh=24.5\r\n");
        const QColor normal = TextColour(live(2)->valueLabel());
        QCOMPARE(TextColour(live(1)->valueLabel()), normal);
        QCOMPARE(TextColour(live(6)->valueLabel()), QColor(0xd0, 0, 0));
        // A limit that is no number is none. (The start also said it connected.)
        QCOMPARE(newLines().filter("Alarm"),
                 QStringList({"Alarm: sensor STN1.AIR TEMP at 25.0, above its high "
                              "limit 24.5 (live position 6)"}));
        m_window->Timer1Timer();
        QCOMPARE(newLines(), QStringList());

        reading("AIR TEMP", 2, 31.0);
        m_window->Timer1Timer();
        QCOMPARE(newLines(), QStringList({"Alarm: sensor STN1.AIR TEMP at 31.0 degC, above its "
                                          "high limit 30 (live position 1)"}));
        QCOMPARE(TextColour(live(1)->valueLabel()), QColor(0xd0, 0, 0));
        reading("AIR TEMP", 3, -0.5);
        m_window->Timer1Timer();
        QCOMPARE(newLines(), QStringList({"Alarm: sensor STN1.AIR TEMP at -0.5 degC, below its "
                                          "low limit 0 (live position 1)",
                                          "Alarm over: sensor STN1.AIR TEMP at -0.5, back within "
                                          "its limits (live position 6)"}));

        // The dialog shows the limits as kept and takes new ones; empty is no limit.
        m_window->OnObjectMouseDown(live(1)->display(), Qt::RightButton);
        AnswerDialog<TfrmMinMax>([](TfrmMinMax& dialog) {
            QCOMPARE(dialog.edtAlarmLow->text(), QStringLiteral("0"));
            QCOMPARE(dialog.edtAlarmHigh->text(), QStringLiteral("30"));
            QVERIFY(dialog.edtAlarmLow->isVisibleTo(&dialog));
            dialog.edtAlarmLow->clear();
            dialog.edtAlarmHigh->setText("-1.25");
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->MinMaxSettings1Click();
        QCOMPARE(newLines(), QStringList({"Alarm: sensor STN1.AIR TEMP at -0.5 degC, above its "
                                          "high limit -1.25 (live position 1)"}));
        m_window->OnObjectMouseDown(live(6)->display(), Qt::RightButton);
        AnswerDialog<TfrmMinMax>([](TfrmMinMax& dialog) {
            dialog.edtAlarmHigh->clear();
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->MinMaxSettings1Click();
        QCOMPARE(newLines(), QStringList());

        m_window->close();
        m_window.reset();
        const SettingsStore saved(m_config);
        QCOMPARE(saved.readString("LiveData1", "AlarmLow", "missing"), QString());
        QCOMPARE(saved.readString("LiveData1", "AlarmHigh", "missing"), QStringLiteral("-1.25"));
        QCOMPARE(saved.readString("LiveData6", "AlarmHigh", "missing"), QString());
        // What could not be read is saved as no limit.
        QCOMPARE(saved.readString("LiveData5", "AlarmHigh", "missing"), QString());
        for (const char* key : {"AlarmLow", "AlarmHigh"})
            QCOMPARE(saved.readString("LiveData2", key, "missing"), QString());
        QCOMPARE(saved.readString("Application", "StaleMinutes", "missing"), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestFrmMainLive)
#include "test_frm_main_live.moc"
