// The titles the desktop shows, read from the X server as a window manager reads them: each
// window's title is the program's own text, with nothing appended and nothing dropped. Runs on
// the xcb platform under Xvfb (registered through xvfb-run), partly by running the built
// program, partly with the windows of this process.

#include "gui/app/frm_main.h"
#include "gui/app/frm_setup.h"
#include "gui/db/frm_login.h"
#include "gui/graphs/frm_image_file.h"
#include "gui/graphs/frm_time_range.h"
#include "gui/graphs/graph_preview.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/frm_units.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace orvela;

namespace {

const QString ShutdownCaption = QStringLiteral("*** Shutting Down Orvela ... Please Wait ***");
// Latin-1 text, so that the configuration file reads the same whatever its encoding rules; "[*]"
// is what the toolkit would take for a modified mark.
const QString Title = QStringLiteral("Nord-Mast Z\u00fcrich 5\u00b0C [*] \"q\"");

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return QStringLiteral("<no answer from %1>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The window's title as the desktop reads it from the X server.
QString DesktopTitle(WId window)
{
    QString title = run(QStringLiteral("xdotool"), {"getwindowname", QString::number(window)});
    if (title.endsWith(QLatin1Char('\n')))
        title.chop(1);
    return title;
}

// The titles of the X windows of process `pid`, sorted.
QStringList DesktopTitlesOf(qint64 pid)
{
    QStringList titles;
    const QString ids = run(QStringLiteral("xdotool"), {"search", "--pid", QString::number(pid)});
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        titles.append(DesktopTitle(id.toULongLong()));
    titles.sort();
    return titles;
}

class ScriptedMain : public TfrmMain
{
public:
    using TfrmMain::TfrmMain;
    std::function<void()> onGraphs;
    void RefreshGraphs() override
    {
        if (onGraphs)
            onGraphs();
    }
    void RefreshLiveData() override {}
};

// Shows `window` and reads its title from the X server.
QString ShownTitle(QWidget& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return QStringLiteral("<not exposed>");
    return DesktopTitle(window.winId());
}

} // namespace

class TestWindowTitles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As the program names itself.
        QApplication::setApplicationName(QStringLiteral("Orvela"));
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run under an X server (xvfb-run) with QT_QPA_PLATFORM=xcb");
    }

    // The built program: its caption and its box's title, as the program sets them.
    void programTitles()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("desk.ovf"));
        {
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Application]\r\nTitle=" + Title.toLatin1() + "\r\n");
        }
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ODBCSYSINI"), dir.path());
        environment.insert(QStringLiteral("ODBCINI"), dir.filePath(QStringLiteral("odbc.ini")));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVELA_PATH), {QStringLiteral("--config"), config});
        QVERIFY(program.waitForStarted());
        // The start stops at the box "No database is has been selected.".
        QTRY_COMPARE_WITH_TIMEOUT(DesktopTitlesOf(program.processId()),
                                  (QStringList{Title, QStringLiteral("Orvela")}), 20000);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
    }

    // The three captions of the main window, each read while it stands.
    void mainWindowCaptions()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("Orvela.ovf"));
        {
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Application]\r\nTitle=" + Title.toLatin1() + "\r\n");
        }
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        ScriptedMain window(config, log);
        QCOMPARE(ShownTitle(window), Title);

        QString during;
        window.onGraphs = [&] {
            QCoreApplication::processEvents(); // hands the new title to the X server
            during = DesktopTitle(window.winId());
        };
        window.Timer1Timer();
        QCoreApplication::processEvents();
        QCOMPARE(during, Title + QStringLiteral(" ....Updating data"));
        QCOMPARE(DesktopTitle(window.winId()), Title);

        QVERIFY(window.close());
        QCoreApplication::processEvents();
        QCOMPARE(DesktopTitle(window.winId()), ShutdownCaption);
    }

    // Every other window of the program, and the boxes and the file dialog of the real prompter.
    void otherWindows()
    {
        QStringList wrong;
        const auto check = [&wrong](QWidget& window, const QString& expected) {
            const QString shown = ShownTitle(window);
            if (shown != expected)
                wrong.append(QStringLiteral("'%1' shows '%2'").arg(expected, shown));
            window.hide();
        };
        TfrmLog log;
        check(log, QStringLiteral("Messages"));
        QString station;
        QString title;
        std::int32_t minutes = 5;
        TfrmSetup setup(station, title, minutes, [] { return QString(); });
        check(setup, QStringLiteral("Setup"));
        TMyLoginForm login(nullptr, [] { return QStringList(); });
        check(login, QStringLiteral("Database Login"));
        float minimum = 0;
        float maximum = 1;
        TfrmMinMax limits(minimum, maximum, LimitsCheck::AnyPair);
        check(limits, QStringLiteral("Min/Max Settings"));
        QString units;
        TfrmUnits unitsDialog(units);
        check(unitsDialog, QStringLiteral("Sensor Units"));
        int range = 2;
        TfrmTimeRange timeRange(range);
        check(timeRange, QStringLiteral("Graph Time Range"));
        QString path;
        TfrmImageFile image(path);
        check(image, QStringLiteral("Image File"));
        TGraphPreview preview;
        check(preview, QStringLiteral("Print Preview"));

        // Modal ones, read from inside their own loops.
        QString boxTitle;
        QTimer::singleShot(0, [&boxTitle] {
            QWidget* box = nullptr;
            QTRY_VERIFY((box = QApplication::activeModalWidget()) != nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(box));
            boxTitle = DesktopTitle(box->winId());
            box->close();
        });
        CurrentPrompter().showMessage(nullptr, BoxIcon::Error, QString(), QStringLiteral("x"));
        if (boxTitle != QLatin1String("Orvela"))
            wrong.append(QStringLiteral("the box shows '%1'").arg(boxTitle));

        QString fileTitle;
        QTimer::singleShot(0, [&fileTitle] {
            QWidget* dialog = nullptr;
            QTRY_VERIFY((dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) !=
                        nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            fileTitle = DesktopTitle(dialog->winId());
            dialog->close();
        });
        log.CaptureToFile1()->trigger();
        if (fileTitle != QLatin1String("Select Capture file"))
            wrong.append(QStringLiteral("the capture dialog shows '%1'").arg(fileTitle));

        QCOMPARE(wrong, QStringList());
    }
};

QTEST_MAIN(TestWindowTitles)
#include "test_window_titles.moc"
