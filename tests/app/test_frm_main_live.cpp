// The live side of the main window against a real SQLite station database: the choosers,
// the captions, the value labels, the wind needle and the popup commands.

#include "answer_dialog.h"
#include "app/frm_main.h"
#include "db/engine_fixture.h"
#include "db/password_scrambler.h"
#include "live/dial_gauge.h"
#include "live/frm_min_max.h"
#include "live/frm_units.h"
#include "live/live_position.h"
#include "live/thermometer_gauge.h"
#include "live/wind_chart.h"
#include "messages/frm_log.h"
#include "recording_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace orvela;
using namespace orvela::test;

namespace {

const Engine Sqlite = Engine::SQLite;

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

    void reading(const QString& sensor, int minute, double value)
    {
        QVERIFY2(m_fx->InsertReadings(Sqlite, "STN1", sensor, {{2005, 3, 2, 14, minute, 0, value}}),
                 qPrintable(m_fx->LastError()));
    }

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
        QVERIFY(m_window->Connected);
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
        QCOMPARE(m_window->LiveSensorNames.at(2), QStringLiteral("RAIN"));
        QCOMPARE(m_window->LiveSensorNames.at(0), QStringLiteral("AIR TEMP"));
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
        QCOMPARE(m_window->SlotUnits.at(10), QStringLiteral("hPa"));
        QCOMPARE(live(5)->dial()->caption(), QStringLiteral("STN1.PRESSURE (hPa)"));

        // A left button does not move the target; Cancel changes nothing.
        m_window->OnObjectMouseDown(live(1)->display(), Qt::LeftButton);
        AnswerDialog<TfrmUnits>([](TfrmUnits& dialog) {
            dialog.edtUnits->setText("ignored");
            QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        });
        m_window->SensorUnits1Click();
        QCOMPARE(m_window->SlotUnits.at(10), QStringLiteral("hPa"));
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
};

QTEST_MAIN(TestFrmMainLive)
#include "test_frm_main_live.moc"
