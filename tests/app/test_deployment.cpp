// Running Orvela on control-room desks: several windows with their own configuration files,
// the word about a configuration that cannot be saved, and a close by signal that saves like
// "Exit" does. Partly in this process, partly by running the built program.

#include "core/app/restore_channel.h"
#include "gui/app/config_check.h"
#include "gui/app/frm_main.h"
#include "gui/app/termination_signals.h"
#include "gui/messages/frm_log.h"
#include "read_only_folder.h"
#include "recording_prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <thread>

using namespace orvela;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QStringList logLines(TfrmLog& log)
{
    return log.memLog()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList linesContaining(const QStringList& lines, const QString& text)
{
    QStringList found;
    for (const QString& line : lines) {
        if (line.contains(text))
            found.append(line);
    }
    return found;
}

// The program's first showing asks no question that would block: no station, no data source.
QProcessEnvironment programEnvironment(const QString& odbcFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ODBCSYSINI"), odbcFolder);
    environment.insert(QStringLiteral("ODBCINI"), odbcFolder + QStringLiteral("/odbc.ini"));
    // As on a desk started without a login session: nothing may be said about it.
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    return environment;
}

// Starts `executable` with `arguments` and ends it with SIGTERM, as the end of a session would,
// once it answers on the restore channel of `config`: it must then close normally with exit 0.
// Its console output stays in `program`.
void RunUntilTerminated(QProcess& program, const QString& executable, const QStringList& arguments,
                        const QString& odbcFolder, const QString& config)
{
    program.setProcessEnvironment(programEnvironment(odbcFolder));
    program.start(executable, arguments);
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(RequestRestore(config, 500), 20000);
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

} // namespace

class TestDeployment : public QObject
{
    Q_OBJECT

private slots:
    void twoWindowsKeepTheirOwnFiles()
    {
        QTemporaryDir dir;
        const QString north = dir.filePath(QStringLiteral("north.ovf"));
        const QString south = dir.filePath(QStringLiteral("south.ovf"));
        writeFile(north, "[Application]\r\nTitle=North mast\r\n[DataBase]\r\nStation=NORTH\r\n"
                         "[Desk]\r\nOwner=Room 1\r\n");
        writeFile(south, "[Application]\r\nTitle=South mast\r\nGraphUpdate=2\r\n");
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        {
            TfrmMain first(north, log);
            TfrmMain second(south, log);
            QCOMPARE(first.windowTitle(), QStringLiteral("North mast"));
            QCOMPARE(second.windowTitle(), QStringLiteral("South mast"));
            QCOMPARE(second.UpdateMinutes(), 2);
            first.show();
            second.show();

            // Each window answers to its own file only.
            first.showMinimized();
            second.showMinimized();
            QTRY_VERIFY(first.isMinimized() && second.isMinimized());
            bool taken = false;
            std::thread client([&] { taken = RequestRestore(south); });
            QTRY_VERIFY(!second.isMinimized());
            client.join();
            QVERIFY(taken);
            QVERIFY(first.isMinimized());

            first.SetUpdateMinutes(7);
            second.SetDisplayTitle(QStringLiteral("South mast, desk 2"));
            QVERIFY(first.close());
            QVERIFY(second.close());
        }
        const QByteArray northSaved = readFile(north);
        const QByteArray southSaved = readFile(south);
        QVERIFY(northSaved.contains("Title=North mast\r\n"));
        QVERIFY(northSaved.contains("GraphUpdate=7\r\n"));
        QVERIFY(northSaved.contains("Station=NORTH\r\n"));
        QVERIFY(northSaved.contains("[Desk]\r\nOwner=Room 1\r\n"));
        QVERIFY(southSaved.contains("Title=South mast, desk 2\r\n"));
        QVERIFY(southSaved.contains("GraphUpdate=2\r\n"));
        QVERIFY(!southSaved.contains("NORTH"));
        QVERIFY(!southSaved.contains("[Desk]"));
        QVERIFY(linesContaining(logLines(log), QStringLiteral("cannot be saved")).isEmpty());
    }

    void unsavableConfiguration_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("chosenByOption");
        QTest::newRow("read-only folder beside the program") << "mount" << false;
        QTest::newRow("folder under /proc beside the program") << "proc" << false;
        QTest::newRow("--config in a read-only folder") << "mount" << true;
    }

    // The one message, with the path and (for the file beside the program) the way out; the
    // window goes on, and the close reports the failed save as ever.
    void unsavableConfiguration()
    {
        QFETCH(QString, place);
        QFETCH(bool, chosenByOption);
        test::ReadOnlyFolder readOnly;
        QString folder = QStringLiteral("/proc/self");
        if (place == QLatin1String("mount")) {
            if (!readOnly.isValid())
                QSKIP("cannot make a read-only bind mount here (needs root with CAP_SYS_ADMIN)");
            folder = readOnly.path();
        }
        const QString path = QDir(folder).filePath(QStringLiteral("Orvela.ovf"));
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(path, log);
        const QString line = ReportUnsavableConfig(log, path, chosenByOption);
        const QStringList shown = linesContaining(logLines(log), QStringLiteral("cannot be saved"));
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().endsWith(line + QLatin1Char('.')));
        QVERIFY2(line.contains(QDir::toNativeSeparators(path)), qPrintable(line));
        QCOMPARE(line.contains(QStringLiteral("--config FILE")), !chosenByOption);

        window.show();
        QVERIFY(window.close());
        QCOMPARE(linesContaining(logLines(log), QStringLiteral("cannot be saved")).size(), 1);
        QVERIFY(
            !linesContaining(logLines(log), QStringLiteral("Failed to save INI file")).isEmpty());
    }

    void savableConfigurationSaysNothing()
    {
        QTemporaryDir dir;
        TfrmLog log;
        const QString path = dir.filePath(QStringLiteral("Orvela.ovf"));
        QCOMPARE(ReportUnsavableConfig(log, path, false), QString());
        writeFile(path, "[Application]\r\nTitle=x\r\n");
        QCOMPARE(ReportUnsavableConfig(log, path, false), QString());
        QCOMPARE(log.lineCount(), 0);
    }

    // The built program, copied into a folder it cannot write: it says so once on start (on
    // the console as well as in the Messages window), runs, and ends cleanly on SIGTERM.
    void programInReadOnlyFolder()
    {
        test::ReadOnlyFolder folder;
        if (!folder.isValid())
            QSKIP("cannot make a read-only bind mount here (needs root with CAP_SYS_ADMIN)");
        const QString copy = QDir(folder.sourcePath()).filePath(QStringLiteral("orvela"));
        QVERIFY(QFile::copy(QStringLiteral(ORVELA_PATH), copy));
        QTemporaryDir odbc;
        const QString config = QDir(folder.path()).filePath(QStringLiteral("Orvela.ovf"));

        QProcess program;
        RunUntilTerminated(program, QDir(folder.path()).filePath(QStringLiteral("orvela")), {},
                           odbc.path(), config);
        if (QTest::currentTestFailed())
            return;

        const QStringList errors =
            QString::fromLocal8Bit(program.readAllStandardError()).split(QLatin1Char('\n'));
        const QStringList said = linesContaining(errors, QStringLiteral("cannot be saved"));
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(config), qPrintable(said.first()));
        QVERIFY2(said.first().contains(QStringLiteral("--config")), qPrintable(said.first()));
        QVERIFY(
            !QFileInfo::exists(QDir(folder.sourcePath()).filePath(QStringLiteral("Orvela.ovf"))));
    }

    // The same program with --config saves its file when SIGTERM ends it, also while the start
    // shows its boxes (no data source, no station).
    void programSavesOnTermination()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("desk.ovf"));
        writeFile(config, "[Application]\r\nTitle=Desk 3\r\n");
        QProcess program;
        RunUntilTerminated(program, QStringLiteral(ORVELA_PATH),
                           {QStringLiteral("--config"), config}, dir.path(), config);
        if (QTest::currentTestFailed())
            return;
        const QByteArray saved = readFile(config);
        QVERIFY(saved.contains("Title=Desk 3\r\n"));
        QVERIFY2(saved.contains("[Windows]"), saved.constData());
        const QByteArray errors = program.readAllStandardError();
        QVERIFY(!errors.contains("cannot be saved"));
        QVERIFY(!errors.contains("were not saved"));
        QVERIFY2(!errors.contains("XDG_RUNTIME_DIR"), errors.constData());
    }

    // The connection box names only the data source: the console says where the reason is.
    void connectionFailureSaysWhereTheReasonIs()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("desk.ovf"));
        writeFile(config, "[DataBase]\r\nDataSource=NoSuchSource\r\nUserName=u\r\n");
        QProcess program;
        RunUntilTerminated(program, QStringLiteral(ORVELA_PATH),
                           {QStringLiteral("--config"), config}, dir.path(), config);
        if (QTest::currentTestFailed())
            return;
        const QStringList said =
            linesContaining(QString::fromLocal8Bit(program.readAllStandardError()).split('\n'),
                            QStringLiteral("Error connection to"));
        QCOMPARE(said, QStringList{QStringLiteral("orvela: Error connection to NoSuchSource; the "
                                                  "reason is in the Messages window (Options, "
                                                  "Messages).")});
    }

    // Answered without a display: on standard output, exit 0, no window system touched.
    void helpAndVersionWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shown");
        const QString help = QStringLiteral("--config <FILE>");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << help;
        QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << help;
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")}
                                   << QStringLiteral("Orvela " ORVELA_VERSION "\n");
        QTest::newRow("after another option")
            << QStringList{QStringLiteral("--config"), QStringLiteral("x.ovf"),
                           QStringLiteral("--version")}
            << QStringLiteral("Orvela " ORVELA_VERSION "\n");
    }

    void helpAndVersionWithoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shown);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVELA_PATH), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        QVERIFY2(out.contains(shown), qPrintable(out));
        QCOMPARE(program.readAllStandardError(), QByteArray());
    }

    // A --config that cannot serve: said on the console, the program starts on defaults and
    // ends cleanly, and nothing is written where it could not read.
    void badConfigOption_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("a folder") << QStringLiteral("folder")
                                  << QStringLiteral("starting on defaults");
        QTest::newRow("a file without read permission")
            << QStringLiteral("unreadable") << QStringLiteral("starting on defaults");
        QTest::newRow("a path in a folder that does not exist")
            << QStringLiteral("missing") << QStringLiteral("cannot be saved");
    }

    void badConfigOption()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QString config = dir.filePath(QStringLiteral("desk.ovf"));
        const QByteArray content("[Application]\r\nTitle=Kept\r\n");
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(config));
        } else if (kind == QLatin1String("unreadable")) {
            writeFile(config, content);
            QVERIFY(QFile::setPermissions(config, QFileDevice::WriteOwner));
            QFile probe(config);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("this user reads files without read permission (root)");
        } else {
            config = dir.filePath(QStringLiteral("gone/desk.ovf"));
        }
        QProcess program;
        RunUntilTerminated(program, QStringLiteral(ORVELA_PATH),
                           {QStringLiteral("--config"), config}, dir.path(), config);
        if (QTest::currentTestFailed())
            return;
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.contains(said) && errors.contains(config), qPrintable(errors));
        // The save at the close fails too, and the Messages window goes with the program.
        QVERIFY2(errors.contains(QStringLiteral("the settings of this run were not saved")),
                 qPrintable(errors));
        if (kind == QLatin1String("folder"))
            QVERIFY(QFileInfo(config).isDir());
        if (kind == QLatin1String("unreadable")) {
            QVERIFY(
                QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(readFile(config), content);
        }
        if (kind == QLatin1String("missing"))
            QVERIFY(!QFileInfo::exists(config));
    }

    // In this process: a real modal box is open when the signal comes; the box goes, then the
    // window closes and saves.
    void terminationClosesOpenBoxThenWindow()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("Orvela.ovf"));
        test::RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(config, log);
        TerminationSignals termination;
        if (!termination.isActive())
            QSKIP("the termination signals are not caught on this platform");
        connect(&termination, &TerminationSignals::terminationRequested, &window,
                [&window] { CloseForTermination(&window); });
        window.show();

        QMessageBox box(QMessageBox::Information, QStringLiteral("Orvela"),
                        QStringLiteral("a question"), QMessageBox::Ok, &window);
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        box.exec();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(readFile(config).contains("[Windows]"));
    }

    void iconIsAScalablePicture()
    {
        QSvgRenderer icon(QStringLiteral(ORVELA_ICON));
        QVERIFY(icon.isValid());
        QCOMPARE(icon.viewBox(), QRect(0, 0, 64, 64));
    }
};

QTEST_MAIN(TestDeployment)
#include "test_deployment.moc"
