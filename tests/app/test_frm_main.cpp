// The main window driven for real on the offscreen platform: start, settings load and save,
// the refresh cycle and its re-entrancy rules, the close, and the restore channel.

#include "core/app/restore_channel.h"
#include "gui/app/frm_main.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <stdexcept>
#include <thread>

using namespace orvela;

namespace {

const QString NoStationText = QStringLiteral(
    "No station has been selected.  \nSelect station in the Setup Parameters window.");
const QString ShutdownCaption = QStringLiteral("*** Shutting Down Orvela ... Please Wait ***");

// A window whose refresh steps run what the test asks for.
class ScriptedMain : public TfrmMain
{
public:
    using TfrmMain::TfrmMain;
    std::function<void()> onGraphs;
    int graphRefreshes = 0;
    int liveRefreshes = 0;

    void RefreshGraphs() override
    {
        ++graphRefreshes;
        if (onGraphs)
            onGraphs();
    }
    void RefreshLiveData() override { ++liveRefreshes; }
};

QStringList repeated(int count, const QString& text)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(text);
    return list;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QStringList sectionsOf(const QByteArray& content)
{
    QStringList sections;
    for (const QByteArray& line : content.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            sections.append(QString::fromLatin1(trimmed));
    }
    return sections;
}

// The lines of one section, in file order, without the header.
QStringList sectionLines(const QByteArray& content, const QString& section)
{
    QStringList lines;
    bool inside = false;
    for (const QByteArray& raw : content.split('\n')) {
        const QString line = QString::fromLatin1(raw.trimmed());
        if (line.startsWith(QLatin1Char('['))) {
            inside = line.compare(QLatin1Char('[') + section + QLatin1Char(']'),
                                  Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inside && !line.isEmpty())
            lines.append(line);
    }
    return lines;
}

QStringList logLines(TfrmLog& log)
{
    return log.memLog()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool logContains(TfrmLog& log, const QString& text)
{
    for (const QString& line : logLines(log)) {
        if (line.endsWith(QStringLiteral("    ") + text + QLatin1Char('.')))
            return true;
    }
    return false;
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_config = m_dir->filePath(QStringLiteral("Orvela.ovf"));
    }

    void startWithoutConfiguration()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        {
            ScriptedMain window(m_config, log);
            QCOMPARE(window.windowTitle(), QStringLiteral("Orvela"));
            QVERIFY(!window.Timer1()->isActive());
            QCOMPARE(window.Timer1()->interval(), 5 * 60000);
            QCOMPARE(window.GraphTimeRanges(), repeated(6, QStringLiteral("2")));
            QCOMPARE(window.SlotUnits().size(), 13);
            QCOMPARE(window.SlotUnits().last(), QStringLiteral("deg"));
            QCOMPARE(window.LiveSensorNames(), repeated(7, QString()));
            QCOMPARE(window.livePosition(1)->minimum(), -30.0);
            QCOMPARE(window.livePosition(4)->maximum(), 15.0);
            for (QAction* action : {window.FileExit1(), window.FileConnect1(),
                                    window.FileDisconnect1(), window.OptionsSetup1()})
                QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));

            window.show();
            QCOMPARE(prompter.texts(),
                     QStringList({"No database is has been selected.", NoStationText}));
            QCOMPARE(prompter.boxes.at(0).icon, BoxIcon::Error);
            QCOMPARE(prompter.boxes.at(1).icon, BoxIcon::Information);
            QCOMPARE(window.graphRefreshes, 0);
            QVERIFY(!window.Timer1()->isActive());
            QVERIFY(!QFile::exists(m_config));
            window.close();
        }
        const QByteArray saved = readFile(m_config);
        QCOMPARE(sectionsOf(saved),
                 QStringList({"[Windows]", "[Application]", "[DataBase]", "[LogForm]", "[Graph1]",
                              "[Graph2]", "[Graph3]", "[Graph4]", "[Graph5]", "[Graph6]",
                              "[LiveData1]", "[LiveData2]", "[LiveData3]", "[LiveData4]",
                              "[LiveData5]", "[LiveData6]", "[LiveData7]"}));
        QVERIFY(saved.contains("\r\n"));
        QVERIFY(!saved.contains("\n\n"));
        QCOMPARE(sectionLines(saved, QStringLiteral("LiveData1")),
                 QStringList({"Name=", "Min=-30", "Max=60", "Units=", "AlarmLow=", "AlarmHigh="}));
        QCOMPARE(sectionLines(saved, QStringLiteral("LiveData7")),
                 QStringList({"Name=", "Units=deg"}));
        QCOMPARE(sectionLines(saved, QStringLiteral("Application")),
                 QStringList({"ImageFile=", "Title=Orvela", "GraphUpdate=5", "StaleMinutes=0"}));
        QCOMPARE(sectionLines(saved, QStringLiteral("LogForm")), QStringList({"Showing=0"}));
        QCOMPARE(sectionLines(saved, QStringLiteral("Graph3")),
                 QStringList({"Name=", "Units=", "TimeRange=2", "BreakAtGaps=1", "GapMinutes=0"}));
        // The file holds the stored password: only its owner may read it.
        QCOMPARE(QFile::permissions(m_config) & (QFile::ReadGroup | QFile::ReadOther),
                 QFileDevice::Permissions());
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QStringList>("timeRanges");

        const QStringList defaults = repeated(6, QStringLiteral("2"));
        QTest::newRow("empty title is kept empty")
            << QByteArray("[Application]\r\nTitle=\r\n") << QString() << 5 << defaults;
        QTest::newRow("title with blanks around it")
            << QByteArray("[application]\r\n  TITLE =  North Mast  \r\n") << "North Mast" << 5
            << defaults;
        QTest::newRow("hexadecimal interval")
            << QByteArray("[Application]\nGraphUpdate=0x0A\n") << "Orvela" << 10 << defaults;
        QTest::newRow("dollar hexadecimal interval")
            << QByteArray("[Application]\nGraphUpdate=$1F\n") << "Orvela" << 31 << defaults;
        QTest::newRow("interval that is no number")
            << QByteArray("[Application]\nGraphUpdate=abc\n") << "Orvela" << 5 << defaults;
        QTest::newRow("time ranges out of range, bad and empty")
            << QByteArray("[Graph1]\nTimeRange=9\n[Graph2]\nTimeRange=-1\n[Graph3]\n"
                          "TimeRange=abc\n[Graph4]\nTimeRange=\n[Graph5]\nTimeRange=5\n"
                          "[Graph6]\nTimeRange=0\n")
            << "Orvela" << 5 << QStringList({"2", "2", "2", "2", "5", "0"});
        QTest::newRow("first of duplicate keys wins")
            << QByteArray("[Application]\nTitle=First\nTitle=Second\n[APPLICATION]\nTitle=Third\n")
            << "First" << 5 << defaults;
    }

    void handEditedValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, title);
        QFETCH(int, minutes);
        QFETCH(QStringList, timeRanges);
        writeFile(m_config, file);
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(window.DisplayTitle(), title);
        QCOMPARE(window.UpdateMinutes(), minutes);
        QCOMPARE(window.GraphTimeRanges(), timeRanges);
        QCOMPARE(window.GraphSensorNames().size(), 6);
        QCOMPARE(window.LiveSensorNames().size(), 7);
        QCOMPARE(window.SlotUnits().size(), 13);
        QVERIFY(logLines(log).isEmpty());
    }

    void unknownKeysSurviveAndCommentsDoNot()
    {
        writeFile(m_config, "; a comment\r\n[Custom]\r\nOwner=Control room 2\r\nloose line\r\n"
                            "[Application]\r\n; another comment\r\nTitle=Mast\r\nColour=red\r\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        {
            ScriptedMain window(m_config, log);
            window.close();
        }
        const QByteArray saved = readFile(m_config);
        QVERIFY(!saved.contains("comment"));
        QCOMPARE(sectionsOf(saved).mid(0, 2), QStringList({"[Custom]", "[Application]"}));
        QCOMPARE(sectionLines(saved, QStringLiteral("Custom")),
                 QStringList({"Owner=Control room 2", "loose line"}));
        QCOMPARE(sectionLines(saved, QStringLiteral("Application")),
                 QStringList({"Title=Mast", "Colour=red", "ImageFile=", "GraphUpdate=5",
                              "StaleMinutes=0"}));
    }

    void messagesWindowBounds()
    {
        writeFile(m_config, "[LogForm]\nShowing=1\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QVERIFY(!log.isVisible());
        QCOMPARE(log.height(), 295);
        QCOMPARE(log.width(), 408);
    }

    void windowPlacesSurviveARestart()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        QByteArray firstSave;
        {
            TfrmLog log;
            ScriptedMain window(m_config, log);
            window.resize(700, 500);
            window.show();
            log.move(90, 70);
            log.resize(310, 220);
            log.ShowMessages();
            window.close();
            firstSave = readFile(m_config);
        }
        QCOMPARE(sectionLines(firstSave, QStringLiteral("LogForm")),
                 QStringList({"Showing=1", "Top=70", "Left=90", "Height=220", "Width=310"}));

        TfrmLog log;
        ScriptedMain window(m_config, log);
        // Placed, not shown: the Messages window appears there when asked for.
        QVERIFY(!log.isVisible());
        QCOMPARE(log.frameGeometry().topLeft(), QPoint(90, 70));
        QCOMPARE(log.size(), QSize(310, 220));
        QCOMPARE(window.size(), QSize(700, 500));
        window.show();
        log.ShowMessages();
        QCOMPARE(log.frameGeometry().topLeft(), QPoint(90, 70));
        window.close();
        const QByteArray secondSave = readFile(m_config);
        for (const QString& section : {QStringLiteral("Windows"), QStringLiteral("LogForm")})
            QCOMPARE(sectionLines(secondSave, section), sectionLines(firstSave, section));
    }

    void hugeBoundsAreFitted()
    {
        writeFile(m_config, "[Windows]\nTop=2147483647\nLeft=-2147483648\nHeight=2147483647\n"
                            "Width=2147483647\n[LogForm]\nShowing=1\nTop=-2147483648\n"
                            "Left=2147483647\nHeight=2147483647\nWidth=2147483647\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (QWidget* shown : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&log)}) {
            QVERIFY(shown->width() <= screen.width());
            QVERIFY(shown->height() <= screen.height());
            QVERIFY(screen.intersects(shown->frameGeometry()));
        }
        log.ShowMessages();
        window.close();
        // What is saved back is what fits.
        const QByteArray saved = readFile(m_config);
        QVERIFY(!saved.contains("2147483647"));
        QVERIFY(!saved.contains("-2147483648"));
    }

    void textOutsideLatin1SurvivesRestarts_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<QString>("units");

        QTest::newRow("UTF-8 file")
            << QByteArray("[Windows]\r\nTop=50\r\nLeft=50\r\nHeight=500\r\nWidth=700\r\n"
                          "[Application]\r\nTitle=\xc5\x81\xc3\xb3"
                          "d\xc5\xba \xe2\x80\x94 "
                          "\xce\x9b\r\nImageFile=/home/\xc5\x82ukasz/maszt.png\r\n"
                          "[DataBase]\r\nStation=\xd0\x9c\xd0\x98\xd0\xa0\r\n[Graph1]\r\n"
                          "Name=\xe6\xb8\xa9\xe5\xba\xa6\r\nUnits=\xe2\x84\x83\r\n")
            << QString::fromUtf8("Łódź — Λ") << QString::fromUtf8("МИР")
            << QString::fromUtf8("/home/łukasz/maszt.png") << QString::fromUtf8("温度")
            << QString::fromUtf8("℃");
        QTest::newRow("code page 1252 file of an older desk")
            << QByteArray("[Windows]\r\nTop=50\r\nLeft=50\r\nHeight=500\r\nWidth=700\r\n"
                          "[Application]\r\nTitle=Z\xfcrich \x96 See\r\nImageFile=C:\\Bilder\\"
                          "Z\xfcrich.jpg\r\n[DataBase]\r\nStation=Z\xdcRICH\r\n[Graph1]\r\n"
                          "Name=Temp\xe9rature\r\nUnits=\xb0\x43\r\n")
            << QString::fromUtf8("Zürich – See") << QString::fromUtf8("ZÜRICH")
            << QString::fromUtf8("C:\\Bilder\\Zürich.jpg") << QString::fromUtf8("Température")
            << QString::fromUtf8("°C");
    }

    void textOutsideLatin1SurvivesRestarts()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, title);
        QFETCH(QString, station);
        QFETCH(QString, image);
        QFETCH(QString, sensor);
        QFETCH(QString, units);
        writeFile(m_config, file);
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        QByteArray saves[2];
        for (QByteArray& saved : saves) {
            TfrmLog log;
            ScriptedMain window(m_config, log);
            QCOMPARE(window.windowTitle(), title);
            QCOMPARE(window.CurrentStation(), station);
            QCOMPARE(window.ImageFileName(), image);
            QCOMPARE(window.GraphSensorNames().value(0), sensor);
            QCOMPARE(window.SlotUnits().value(0), units);
            window.close();
            saved = readFile(m_config);
        }
        QCOMPARE(saves[1], saves[0]);
        QVERIFY(saves[0].contains("Title=" + title.toUtf8() + "\r\n"));
        QVERIFY(saves[0].contains("Units=" + units.toUtf8() + "\r\n"));
    }

    void dialLimitsRestoredAsSaved()
    {
        // A dial range wholly above its design maximum comes back as saved.
        writeFile(m_config, "[LiveData5]\nMin=150\nMax=200\n[LiveData2]\nMin=12.5\nMax=80\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QCOMPARE(window.livePosition(5)->minimum(), 150.0);
        QCOMPARE(window.livePosition(5)->maximum(), 200.0);
        QCOMPARE(window.livePosition(2)->minimum(), 12.5);
        QVERIFY(logLines(log).isEmpty());
    }

    void refusedDialRangeStopsTheLoad()
    {
        writeFile(m_config, "[LiveData5]\nMin=60\nMax=50\n[LiveData6]\nMin=5\nMax=10\n"
                            "[LiveData7]\nName=WIND DIR\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QVERIFY(logContains(log, QStringLiteral("Failed to read INI file")));
        QCOMPARE(window.livePosition(5)->minimum(), 0.0);
        QCOMPARE(window.livePosition(5)->maximum(), 100.0);
        QCOMPARE(window.livePosition(6)->minimum(), 0.0);
        // The lists are whole all the same.
        QCOMPARE(window.LiveSensorNames().size(), 7);
        QCOMPARE(window.LiveSensorNames().last(), QStringLiteral("WIND DIR"));
        QCOMPARE(window.SlotUnits().size(), 13);
    }

    void sensorNamesSurviveAStartWithoutDatabase()
    {
        writeFile(m_config, "[Graph1]\nName=AIR TEMP\n[LiveData3]\nName=humidity\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        {
            ScriptedMain window(m_config, log);
            window.show();
            window.close();
        }
        const QByteArray saved = readFile(m_config);
        QVERIFY(sectionLines(saved, QStringLiteral("Graph1")).contains("Name=AIR TEMP"));
        QVERIFY(sectionLines(saved, QStringLiteral("LiveData3")).contains("Name=humidity"));
    }

    void unreadableConfigurationIsNeverOverwritten()
    {
        // A folder where the file should be cannot be read as a configuration.
        QVERIFY(QDir().mkpath(m_config));
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        {
            ScriptedMain window(m_config, log);
            QCOMPARE(window.windowTitle(), QStringLiteral("Orvela"));
            QVERIFY(logContains(log, QStringLiteral("Failed to read INI file")));
            window.close();
        }
        QVERIFY(logContains(log, QStringLiteral("Failed to save INI file")));
        QVERIFY(QFileInfo(m_config).isDir());
    }

    void saveFailureIsLoggedAndCloseGoesOn()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        const QString missingFolder = m_dir->filePath(QStringLiteral("gone/Orvela.ovf"));
        ScriptedMain window(missingFolder, log);
        window.show();
        QVERIFY(window.close());
        QVERIFY(logContains(log, QStringLiteral("Failed to save INI file")));
    }

    void timerPeriod_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("period");
        QTest::newRow("zero never fires") << 0 << 0;
        QTest::newRow("negative never fires") << -5 << 0;
        QTest::newRow("one minute") << 1 << 60000;
        QTest::newRow("default") << 5 << 300000;
        QTest::newRow("an hour") << 60 << 3600000;
        QTest::newRow("largest that fits") << 35791 << 35791 * 60000;
        QTest::newRow("would overflow 32 bits") << 35792 << std::numeric_limits<int>::max();
        QTest::newRow("hexadecimal maximum")
            << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
    }

    void timerPeriod()
    {
        QFETCH(int, minutes);
        QFETCH(int, period);
        QCOMPARE(TfrmMain::TimerPeriod(minutes), period);
    }

    // An interval of 0 or below turns the timed refresh off, and the Messages window says so
    // once, also when Setup applies the interval again.
    void intervalThatTurnsTheRefreshOff_data()
    {
        QTest::addColumn<QByteArray>("interval");
        QTest::addColumn<QString>("said");
        QTest::newRow("zero") << QByteArray("0")
                              << "GraphUpdate is 0: the timed refresh is off; the display is "
                                 "refreshed only at start and after Setup";
        QTest::newRow("negative") << QByteArray("-3")
                                  << "GraphUpdate is -3: the timed refresh is off; the display "
                                     "is refreshed only at start and after Setup";
        QTest::newRow("one minute says nothing") << QByteArray("1") << QString();
    }

    void intervalThatTurnsTheRefreshOff()
    {
        QFETCH(QByteArray, interval);
        QFETCH(QString, said);
        writeFile(m_config, "[Application]\nGraphUpdate=" + interval + "\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.StartTimer();
        QCOMPARE(window.Timer1()->isActive(), said.isEmpty());
        window.ApplyTimerPeriod();
        QStringList expected;
        if (!said.isEmpty())
            expected.append(said + QLatin1Char('.'));
        QStringList messages;
        for (const QString& line : logLines(log))
            messages.append(line.section(QStringLiteral("    "), 1));
        QCOMPARE(messages, expected);
    }

    void refreshMarksAndRestoresTheCaption()
    {
        writeFile(m_config, "[Application]\nTitle=North Mast\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QString during;
        window.onGraphs = [&] { during = window.windowTitle(); };
        window.Timer1Timer();
        QCOMPARE(during, QStringLiteral("North Mast ....Updating data"));
        QCOMPARE(window.windowTitle(), QStringLiteral("North Mast"));
        QCOMPARE(window.liveRefreshes, 1);
    }

    void failingRefreshKeepsCaptionAndReports()
    {
        writeFile(m_config, "[Application]\nTitle=\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        QString during;
        bool down = true;
        QString captionAtBox;
        bool refreshingAtBox = true;
        prompter.whileOpen = [&] {
            captionAtBox = window.windowTitle();
            refreshingAtBox = window.isRefreshing();
        };
        window.onGraphs = [&] {
            during = window.windowTitle();
            if (down)
                throw std::runtime_error("server has gone away");
        };
        for (int i = 0; i < 3; ++i) {
            window.Timer1Timer();
            // The box comes once the refresh has ended.
            QCOMPARE(prompter.boxes.size(), i);
            QCoreApplication::processEvents();
        }
        QCOMPARE(during, QStringLiteral(" ....Updating data"));
        QCOMPARE(window.windowTitle(), QString());
        QCOMPARE(window.liveRefreshes, 0);
        QCOMPARE(prompter.boxes.size(), 3);
        QCOMPARE(prompter.boxes.first().icon, BoxIcon::Error);
        QCOMPARE(prompter.boxes.first().text, QStringLiteral("server has gone away"));
        QCOMPARE(captionAtBox, QString());
        QVERIFY(!refreshingAtBox);
        QCOMPARE(logLines(log).size(), 3);

        // Back: the first good refresh says so, once; later ones say nothing.
        down = false;
        window.Timer1Timer();
        window.Timer1Timer();
        QCoreApplication::processEvents();
        QCOMPARE(prompter.boxes.size(), 3);
        QCOMPARE(logLines(log).size(), 4);
        QVERIFY(logContains(log, QStringLiteral("Data flowing again: the refresh works after 3 "
                                                "failed refreshes")));
        down = true;
        window.Timer1Timer();
        down = false;
        window.Timer1Timer();
        QVERIFY(logContains(log, QStringLiteral("Data flowing again: the refresh works after 1 "
                                                "failed refresh")));
    }

    // The real box, the real timer: while the box waits for OK, ticks go on, each failing one
    // writes its line and opens no second box, and the display recovers by itself.
    void refreshGoesOnWhileTheBoxIsOpen()
    {
        writeFile(m_config, "[Application]\nTitle=North Mast\n");
        TfrmLog log;
        ScriptedMain window(m_config, log);
        bool down = true;
        window.onGraphs = [&] {
            if (down)
                throw std::runtime_error("server has gone away");
        };
        {
            // The start's own boxes (no database, no station) are not this test's.
            test::RecordingPrompter startBoxes;
            ScopedPrompter scope(startBoxes);
            window.show();
        }
        // The box opens from the event loop, whenever the first tick has failed: a watcher
        // answers it from inside its modal loop, and closes it whatever it found.
        QString captionAtBox;
        int boxesOpen = 0;
        bool answered = false;
        bool ticksWentOn = false;
        bool recovered = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, &watcher, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || answered)
                return;
            answered = true;
            captionAtBox = window.windowTitle();
            const int before = window.graphRefreshes;
            ticksWentOn = QTest::qWaitFor([&] { return window.graphRefreshes >= before + 3; });
            for (QWidget* widget : QApplication::topLevelWidgets())
                boxesOpen += qobject_cast<QMessageBox*>(widget) && widget->isVisible() ? 1 : 0;
            const int failures = window.graphRefreshes;
            down = false;
            recovered = QTest::qWaitFor([&] {
                return logContains(log, QStringLiteral("Data flowing again: the refresh works "
                                                       "after %1 failed refreshes")
                                            .arg(failures));
            });
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        watcher.start(20);
        window.Timer1()->start(10);
        QTRY_VERIFY(answered && !QApplication::activeModalWidget());
        window.Timer1()->stop();
        QVERIFY(ticksWentOn);
        QVERIFY(recovered);
        QCOMPARE(captionAtBox, QStringLiteral("North Mast"));
        QCOMPARE(boxesOpen, 1);
        int failedLines = 0;
        for (const QString& line : logLines(log))
            failedLines += line.endsWith(QStringLiteral("Refresh failed: server has gone away."));
        QCOMPARE(failedLines, window.graphRefreshes - window.liveRefreshes);
        // The first failure of the run opened the Messages window, where the reasons are.
        QVERIFY(log.isVisible());
    }

    void oneErrorBoxAtATime()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        int nested = 0;
        bool nestedShown = true;
        prompter.whileOpen = [&] {
            // Another failure arrives while the first box is still open.
            if (nested++ == 0)
                nestedShown = ReportError(nullptr, QStringLiteral("second"));
        };
        QVERIFY(ReportError(nullptr, QStringLiteral("first")));
        QVERIFY(!nestedShown);
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("first")});
        // Once the box is closed the next failure shows again.
        QVERIFY(ReportError(nullptr, QStringLiteral("third")));
    }

    void tickDuringRefreshIsSkipped()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.onGraphs = [&] { window.Timer1Timer(); };
        window.Timer1Timer();
        QCOMPARE(window.graphRefreshes, 1);
        QCOMPARE(window.liveRefreshes, 1);
        QVERIFY(!window.isRefreshing());
    }

    void closeDuringRefreshWaitsForIt()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.show();
        bool closedInside = true;
        QString captionInside;
        window.onGraphs = [&] {
            closedInside = window.close();
            captionInside = window.windowTitle();
        };
        window.Timer1Timer();
        QVERIFY(!closedInside);
        QCOMPARE(captionInside, ShutdownCaption);
        QVERIFY(!QFile::exists(m_config));
        // The live positions are not refreshed once a close waits.
        QCOMPARE(window.liveRefreshes, 0);
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(QFile::exists(m_config));
        QCOMPARE(window.windowTitle(), ShutdownCaption);
        // Nothing refreshes after the close.
        window.Timer1Timer();
        QCOMPARE(window.graphRefreshes, 1);
    }

    void shutdownCaption()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.show();
        QSignalSpy titles(&window, &QWidget::windowTitleChanged);
        window.FileExit1()->trigger();
        QVERIFY(!window.isVisible());
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles.first().first().toString(), ShutdownCaption);
    }

    void cursorsHiddenAtStart()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.show();
        for (int slot = 1; slot <= TfrmMain::GraphCount; ++slot)
            QVERIFY(!window.graphPosition(slot)->readOutBar()->isVisible());
    }

    void builtInPictureIsDrawn()
    {
        const QImage picture = StationPanel::BuiltInPicture().toImage();
        QCOMPARE(picture.size(), QSize(229, 240));
        // Sky at the top, grass at the bottom: the drawing really was rendered.
        const QColor top = picture.pixelColor(5, 5);
        const QColor bottom = picture.pixelColor(5, 235);
        QVERIFY2(top.blue() > top.red() && top.blue() > 150, qPrintable(top.name()));
        QVERIFY2(bottom.green() > bottom.red() && bottom.green() > bottom.blue(),
                 qPrintable(bottom.name()));
    }

    void restoreRequestBringsTheWindowBack()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.show();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        bool taken = false;
        std::thread client([&] { taken = RequestRestore(m_config); });
        QTRY_VERIFY(!window.isMinimized());
        client.join();
        QVERIFY(taken);

        // A configuration that no program has open gets no answer.
        QVERIFY(!RequestRestore(m_dir->filePath(QStringLiteral("Other.ovf")), 500));
    }

    void adminRestoreCommand()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(m_config, log);
        window.show();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        QProcess admin;
        admin.start(QStringLiteral(ORVELA_ADMIN_PATH), {"restore", m_config});
        QTRY_COMPARE(admin.state(), QProcess::NotRunning);
        QCOMPARE(admin.exitCode(), 0);
        QTRY_VERIFY(!window.isMinimized());

        admin.start(QStringLiteral(ORVELA_ADMIN_PATH),
                    {"restore", m_dir->filePath(QStringLiteral("Nobody.ovf"))});
        QVERIFY(admin.waitForFinished(10000));
        QCOMPARE(admin.exitCode(), 1);

        admin.start(QStringLiteral(ORVELA_ADMIN_PATH), {"restore", "a", "b"});
        QVERIFY(admin.waitForFinished(10000));
        QCOMPARE(admin.exitCode(), 2);
    }

    void restoreChannelNameFollowsTheFile()
    {
        QCOMPARE(RestoreChannelName(m_config),
                 RestoreChannelName(m_dir->path() + QStringLiteral("/./Orvela.ovf")));
        QVERIFY(RestoreChannelName(m_config) !=
                RestoreChannelName(m_dir->filePath(QStringLiteral("Other.ovf"))));
    }

    // At the design size the panels fill both tab pages; resizing never moves them, and a
    // window first shown at another size places them as at the design size.
    void panelsKeepTheirDesignPlaces()
    {
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        const auto places = [](ScriptedMain& window) {
            QList<QRect> rects;
            for (int slot = 1; slot <= TfrmMain::LiveCount; ++slot)
                rects.append(window.livePosition(slot)->geometry());
            rects.append(window.findChild<QWidget*>(QStringLiteral("pnlLastUpdate"))->geometry());
            for (int slot = 1; slot <= TfrmMain::GraphCount; ++slot)
                rects.append(window.graphPosition(slot)->geometry());
            return rects;
        };
        QList<QRect> design;
        {
            ScriptedMain window(m_config, log);
            window.resize(TfrmMain::DesignWidth, TfrmMain::DesignHeight);
            window.show();
            window.Tabs()->setCurrentIndex(1);
            window.Tabs()->setCurrentIndex(0);
            design = places(window);
            for (const int tab : {0, 1}) {
                const QSize page = window.Tabs()->widget(tab)->size();
                QRect used;
                for (const QWidget* panel : window.Tabs()->widget(tab)->findChildren<QWidget*>(
                         QString(), Qt::FindDirectChildrenOnly))
                    used |= panel->geometry();
                QCOMPARE(used.right() + 1, page.width());
                QCOMPARE(used.bottom() + 1, page.height());
                QVERIFY(used.left() <= 1 && used.top() == 0);
            }
            window.resize(800, 500);
            QCOMPARE(places(window), design);
            window.resize(1600, 1000);
            QCOMPARE(places(window), design);
            QCOMPARE(window.Tabs()->currentIndex(), 0);
            QCOMPARE(window.Tabs()->tabText(0), QStringLiteral("Live Data"));
            QCOMPARE(window.Tabs()->tabText(1), QStringLiteral("Graph Data"));
        }
        for (const QSize start : {QSize(1000, 600), QSize(1500, 800)}) {
            ScriptedMain window(m_config, log);
            window.resize(start);
            window.show();
            QCOMPARE(places(window), design);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;
};

QTEST_MAIN(TestFrmMain)
#include "test_frm_main.moc"
