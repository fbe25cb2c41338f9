// The Setup dialog with its station list read from real station databases (SQLite and, when
// scripts/test.sh started one, PostgreSQL): what it shows when it opens, what OK, Cancel, Esc
// and the close box do, and its keyboard order.

#include "dialog_press.h"
#include "graph_test_support.h"
#include "gui/app/frm_setup.h"
#include "recording_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <map>

using namespace orvela;
using namespace orvela::test;

namespace {

const QString First = "<first>"_q; // the first entry, whatever order the engine lists them in

QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items.append(box.itemText(i));
    return items;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestFrmSetup : public QObject, protected EngineCases
{
    Q_OBJECT

private:
    StationQueries* connect(Engine engine) { return EngineQueries(engine, "frm_setup"_q); }

private slots:
    void initTestCase() { SetUpEngines(); }
    void cleanupTestCase() { TearDownEngines(); }

    void dialog_data();
    void dialog();
    void focusOrder();
    void modal();
};

void TestFrmSetup::dialog_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QStringList>("stations"); // KT_SITES
    QTest::addColumn<bool>("listFails");
    QTest::addColumn<QString>("station"); // CurrentStation, DisplayTitle, UpdateMinutes
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("minutes");
    // At opening:
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("chosen"); // empty: nothing chosen
    QTest::addColumn<QString>("interval");
    // What the operator does:
    QTest::addColumn<int>("pickStation");      // -1: leave
    QTest::addColumn<QString>("typeTitle");    // null: leave
    QTest::addColumn<QString>("pickInterval"); // empty: leave
    QTest::addColumn<Press>("press");
    // Afterwards:
    QTest::addColumn<bool>("stillOpen");
    QTest::addColumn<QString>("stationAfter");
    QTest::addColumn<QString>("titleAfter");
    QTest::addColumn<int>("minutesAfter");

    const QStringList two{"STN1"_q, "STN2"_q};
    struct Case
    {
        const char* name;
        QStringList stations;
        bool listFails;
        QString station, title;
        int minutes;
        QStringList shown;
        QString chosen, interval;
        int pickStation;
        QString typeTitle, pickInterval;
        Press press;
        bool stillOpen;
        QString stationAfter, titleAfter;
        int minutesAfter;
    };
    const Case cases[] = {
        {"OK without changes", two, false, "STN2"_q, "Orvela"_q, 5, two, "STN2"_q, "5"_q, -1,
         QString(), QString(), Press::Ok, false, "STN2"_q, "Orvela"_q, 5},
        {"a station not in the list opens on the first", two, false, "XYZ"_q, "Site"_q, 10, two,
         First, "10"_q, -1, QString(), QString(), Press::Ok, false, First, "Site"_q, 10},
        {"an empty station opens on the first", two, false, ""_q, "Site"_q, 10, two, First, "10"_q,
         -1, QString(), QString(), Press::Ok, false, First, "Site"_q, 10},
        {"a case-only difference is found, OK writes the listed spelling", two, false, "stn2"_q,
         "Site"_q, 15, two, "STN2"_q, "15"_q, -1, QString(), QString(), Press::Ok, false, "STN2"_q,
         "Site"_q, 15},
        {"stored in lower case, listed in upper case",
         {"stn3"_q},
         false,
         "STN3"_q,
         "Site"_q,
         15,
         {"STN3"_q},
         "STN3"_q,
         "15"_q,
         -1,
         QString(),
         QString(),
         Press::Ok,
         false,
         "STN3"_q,
         "Site"_q,
         15},
        {"an empty list stores an empty station",
         {},
         false,
         "STN1"_q,
         "Site"_q,
         5,
         {},
         ""_q,
         "5"_q,
         -1,
         QString(),
         QString(),
         Press::Ok,
         false,
         ""_q,
         "Site"_q,
         5},
        {"interval 2 opens with none chosen and OK changes nothing", two, false, "STN1"_q, "Site"_q,
         2, two, "STN1"_q, ""_q, 1, "New title"_q, QString(), Press::Ok, true, "STN1"_q, "Site"_q,
         2},
        {"interval 2, then one chosen", two, false, "STN1"_q, "Site"_q, 2, two, "STN1"_q, ""_q, -1,
         QString(), "35"_q, Press::Ok, false, "STN1"_q, "Site"_q, 35},
        {"OK takes all three", two, false, "STN1"_q, "Site"_q, 5, two, "STN1"_q, "5"_q, 1,
         "  North  field "_q, "1"_q, Press::Ok, false, "<1>"_q, "  North  field "_q, 1},
        {"an empty title is accepted", two, false, "STN1"_q, "Site"_q, 60, two, "STN1"_q, "60"_q,
         -1, ""_q, QString(), Press::Ok, false, "STN1"_q, ""_q, 60},
        {"Cancel changes nothing", two, false, "STN1"_q, "Site"_q, 5, two, "STN1"_q, "5"_q, 1,
         "New title"_q, "60"_q, Press::Cancel, false, "STN1"_q, "Site"_q, 5},
        {"Esc cancels", two, false, "STN1"_q, "Site"_q, 5, two, "STN1"_q, "5"_q, 1, "New title"_q,
         "60"_q, Press::Escape, false, "STN1"_q, "Site"_q, 5},
        {"the close box cancels", two, false, "STN1"_q, "Site"_q, 5, two, "STN1"_q, "5"_q, 1,
         "New title"_q, "60"_q, Press::CloseBox, false, "STN1"_q, "Site"_q, 5},
        {"a failed list keeps the current values",
         two,
         true,
         "STN1"_q,
         "Site"_q,
         30,
         {"STN1"_q},
         "STN1"_q,
         "30"_q,
         -1,
         QString(),
         QString(),
         Press::Ok,
         false,
         "STN1"_q,
         "Site"_q,
         30},
        {"a failed list without a station",
         two,
         true,
         ""_q,
         "Site"_q,
         30,
         {},
         ""_q,
         "30"_q,
         -1,
         QString(),
         "45"_q,
         Press::Ok,
         false,
         ""_q,
         "Site"_q,
         45},
    };
    for (const Engine engine : AllEngines)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(EngineLabel(engine) + ": "_q + QString::fromUtf8(c.name)))
                << engine << c.stations << c.listFails << c.station << c.title << c.minutes
                << c.shown << c.chosen << c.interval << c.pickStation << c.typeTitle
                << c.pickInterval << c.press << c.stillOpen << c.stationAfter << c.titleAfter
                << c.minutesAfter;
}

void TestFrmSetup::dialog()
{
    QFETCH(Engine, engine);
    QFETCH(QStringList, stations);
    QFETCH(bool, listFails);
    QFETCH(QString, station);
    QFETCH(QString, title);
    QFETCH(int, minutes);
    QFETCH(QStringList, shown);
    QFETCH(QString, chosen);
    QFETCH(QString, interval);
    QFETCH(int, pickStation);
    QFETCH(QString, typeTitle);
    QFETCH(QString, pickInterval);
    QFETCH(Press, press);
    QFETCH(bool, stillOpen);
    QFETCH(QString, stationAfter);
    QFETCH(QString, titleAfter);
    QFETCH(int, minutesAfter);

    if (!m_fx->Available(engine))
        QSKIP(qPrintable(m_fx->SkipReason(engine)));
    QVERIFY(m_fx->ClearTables(engine));
    for (const QString& id : stations)
        QVERIFY(m_fx->Exec(engine, "INSERT INTO KT_SITES VALUES ("_q + EngineFixture::Quote(id) +
                                       ", NULL)"_q));
    StationQueries* queries = connect(engine);
    QVERIFY(queries);
    if (listFails)
        m_connections.at(engine).database->Close();
    const auto stationList = [queries] {
        QString list;
        queries->LoadStationList(list);
        return list;
    };

    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    QString currentStation = station;
    QString displayTitle = title;
    std::int32_t updateMinutes = minutes;
    TfrmSetup dialog(currentStation, displayTitle, updateMinutes, stationList);
    if (listFails) {
        m_connections.at(engine).database->ConnectDatabase(
            m_fx->DataSource(engine), m_fx->User(engine), m_fx->Password(engine));
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes.front().icon, BoxIcon::Error);
        QVERIFY(!prompter.boxes.front().text.isEmpty());
        prompter.boxes.clear();
    }
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), "Setup"_q);
    QCOMPARE(dialog.size(), QSize(TfrmSetup::ClientWidth, TfrmSetup::ClientHeight));
    QCOMPARE(Items(*dialog.cbxGraphUpdate), TfrmSetup::IntervalChoices());

    const QStringList items = Items(*dialog.cbxStations);
    QCOMPARE(Sorted(items), Sorted(shown));
    const QString first = items.value(0);
    QCOMPARE(dialog.cbxStations->currentText(), chosen == First ? first : chosen);
    QCOMPARE(dialog.edtTitle->text(), title);
    QCOMPARE(dialog.cbxGraphUpdate->currentText(), interval);
    QCOMPARE(dialog.cbxGraphUpdate->currentIndex() >= 0, !interval.isEmpty());

    if (pickStation >= 0)
        dialog.cbxStations->setCurrentIndex(pickStation);
    const QString picked = dialog.cbxStations->currentText();
    if (!typeTitle.isNull()) {
        dialog.edtTitle->selectAll();
        QTest::keyClick(dialog.edtTitle, Qt::Key_Delete);
        QTest::keyClicks(dialog.edtTitle, typeTitle);
    }
    if (!pickInterval.isEmpty())
        dialog.cbxGraphUpdate->setCurrentIndex(dialog.cbxGraphUpdate->findText(pickInterval));

    PressOn(dialog, press, dialog.btnOk, dialog.btnCancel);

    QCOMPARE(dialog.isVisible(), stillOpen);
    if (stillOpen) {
        QCOMPARE(prompter.texts(), QStringList{"'' is not a valid integer value"_q});
    } else {
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(dialog.result(), int(press == Press::Ok ? QDialog::Accepted : QDialog::Rejected));
    }
    QCOMPARE(currentStation, stationAfter == First     ? first
                             : stationAfter == "<1>"_q ? picked
                                                       : stationAfter);
    QCOMPARE(displayTitle, titleAfter);
    QCOMPARE(updateMinutes, minutesAfter);

    if (stillOpen) {
        // Cancel after the refused OK leaves everything as it was.
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        QCOMPARE(currentStation, station);
        QCOMPARE(displayTitle, title);
        QCOMPARE(updateMinutes, minutes);
    }
}

// The keyboard starts on OK and walks OK, Cancel, station, title, interval.
void TestFrmSetup::focusOrder()
{
    QString station = "STN1"_q;
    QString title = "Site"_q;
    std::int32_t minutes = 5;
    TfrmSetup dialog(station, title, minutes, [] { return "STN1,STN2"_q; });
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.btnOk));
    const QList<QWidget*> order{dialog.btnCancel, dialog.cbxStations, dialog.edtTitle,
                                dialog.cbxGraphUpdate, dialog.btnOk};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QCOMPARE(dialog.cbxStations->toolTip(), "Station used with observer input"_q);
}

// Shown modally as the Setup command shows it.
void TestFrmSetup::modal()
{
    QString station = "STN1"_q;
    QString title = "Site"_q;
    std::int32_t minutes = 5;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmSetup*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->cbxStations->setCurrentIndex(1);
        dialog->btnOk->click();
    });
    TfrmSetup dialog(station, title, minutes, [] { return "STN1,,STN2,"_q; });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(station, "STN2"_q);
    const QString folder = qEnvironmentVariable("ORVELA_SHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(dialog.grab().save(folder + "/setup-dialog.png"_q));
}

QTEST_MAIN(TestFrmSetup)
#include "test_frm_setup.moc"
