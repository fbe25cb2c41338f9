#include "answer_dialog.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using orvela::TfrmLog;
using orvela::test::RecordingPrompter;

namespace {

const QString Gap = QStringLiteral("    ");
const QString ErrorText = QStringLiteral("ERROR: Unable to write status message to log file");

// The message part of a line: what follows the time stamp and the four blanks.
QString messageOf(const QString& line)
{
    const int at = line.indexOf(Gap);
    return at < 0 ? QString() : line.mid(at + Gap.size());
}

QString stampPartOf(const QString& line)
{
    return line.left(line.indexOf(Gap));
}

void fill(TfrmLog& log, int count)
{
    for (int n = 1; n <= count; ++n)
        log.AddStatusLine(QStringLiteral("msg %1").arg(n));
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

} // namespace

class TestFrmLog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void windowLayout();
    void lineFormat_data();
    void lineFormat();
    void cap_data();
    void cap();
    void clearMessages();
    void editedMemoLines();
    void hiddenWindowCollects();
    void firstShowCentres();
    void restoredPositionKept();
    void captureToFile();
    void captureCancelled();
    void captureAsksNothingAboutReplacing();
    void unwritableLogFile_data();
    void unwritableLogFile();
};

void TestFrmLog::windowLayout()
{
    TfrmLog log;
    QCOMPARE(log.windowTitle(), QStringLiteral("Messages"));
    QCOMPARE(log.size(), QSize(408, 295));
    QCOMPARE(log.font().family(), QStringLiteral("Arial"));
    QCOMPARE(log.font().pointSize(), 8);
    QVERIFY(!log.isVisible());

    QPlainTextEdit* memo = log.memLog();
    QCOMPARE(memo->objectName(), QStringLiteral("memLog"));
    QCOMPARE(log.centralWidget(), memo);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo->wordWrapMode(), QTextOption::WordWrap);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(!memo->isReadOnly());
    QCOMPARE(log.lineCount(), 0);

    const QList<QAction*> menus = log.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.at(0)->text(), QStringLiteral("&Options"));
    QCOMPARE(menus.at(0)->menu()->objectName(), QStringLiteral("Options1"));
    QStringList items;
    for (const QAction* action : menus.at(0)->menu()->actions()) {
        if (!action->isSeparator())
            items << action->objectName() + QLatin1Char('=') + action->text();
    }
    QCOMPARE(items, (QStringList{QStringLiteral("ClearMessages1=&Clear Messages"),
                                 QStringLiteral("CaptureToFile1=Capture to &File..."),
                                 QStringLiteral("StopCapture1=&Stop Capture")}));
    QVERIFY(!log.logToFile());
    QVERIFY(log.ClearMessages1()->isEnabled());
    QVERIFY(log.CaptureToFile1()->isEnabled());
    QVERIFY(!log.StopCapture1()->isEnabled());
}

// Literal lines at a fixed clock: the locale's short date, one blank, its long time without
// a time-zone field wherever the locale puts one, four blanks, the text and one period.
void TestFrmLog::lineFormat_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");

    QTest::newRow("connection, C locale") << "C"
                                          << "Connected to Weather"
                                          << "12 Oct 2026 13:12:50    Connected to Weather.";
    QTest::newRow("read failure, German dates") << "de_DE"
                                                << "Failed to read INI file"
                                                << "12.10.26 13:12:50    Failed to read INI file.";
    QTest::newRow("save failure, US dates and hours")
        << "en_US"
        << "Failed to save INI file"
        << "10/12/26 1:12:50 PM    Failed to save INI file.";
    QTest::newRow("zone field first, Chinese")
        << "zh_CN"
        << "x" << QStringLiteral("2026/10/12 \u4e0b\u53481:12:50    x.");
    QTest::newRow("zone field after literal text, Japanese")
        << "ja_JP"
        << "x" << QStringLiteral("2026/10/12 13\u664212\u520650\u79d2    x.");
    QTest::newRow("empty text") << "C"
                                << ""
                                << "12 Oct 2026 13:12:50    .";
    QTest::newRow("line breaks make no second line") << "C"
                                                     << "two\r\nparts"
                                                     << "12 Oct 2026 13:12:50    two  parts.";
}

void TestFrmLog::lineFormat()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, line);

    QLocale::setDefault(QLocale(locale));
    TfrmLog log;
    log.setClock([] { return QDateTime(QDate(2026, 10, 12), QTime(13, 12, 50)); });
    log.AddStatusLine(text);
    QCOMPARE(log.lines(), QStringList{line});
}

void TestFrmLog::cap_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("oldestLeft");

    QTest::newRow("empty") << 0 << 1 << "new";
    QTest::newRow("one line") << 1 << 2 << "msg 1";
    QTest::newRow("99 lines: nothing removed") << 99 << 100 << "msg 1";
    QTest::newRow("100 lines: the oldest goes") << 100 << 100 << "msg 2";
    QTest::newRow("250 messages stay at 100") << 250 << 100 << "msg 152";
}

void TestFrmLog::cap()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, oldestLeft);

    TfrmLog log;
    fill(log, before);
    QCOMPARE(log.lineCount(), std::min(before, 100));
    log.AddStatusLine(QStringLiteral("new"));
    const QStringList lines = log.lines();
    QCOMPARE(lines.size(), after);
    QCOMPARE(log.lineCount(), after);
    QCOMPARE(messageOf(lines.constFirst()), QStringLiteral("new."));
    QCOMPARE(messageOf(lines.constLast()), oldestLeft + QLatin1Char('.'));
    // Newest first all the way down.
    if (before >= 2)
        QCOMPARE(messageOf(lines.at(1)), QStringLiteral("msg %1.").arg(before));
}

void TestFrmLog::clearMessages()
{
    TfrmLog log;
    log.ClearMessages1()->trigger();
    QCOMPARE(log.lineCount(), 0);
    QCOMPARE(log.memLog()->toPlainText(), QString());
    log.AddStatusLine(QStringLiteral("after clearing"));
    QCOMPARE(log.lineCount(), 1);

    fill(log, 100);
    log.ClearMessages1()->trigger();
    QCOMPARE(log.lineCount(), 0);
    log.AddStatusLine(QStringLiteral("again"));
    QCOMPARE(log.lines().size(), 1);
    QCOMPARE(messageOf(log.lines().constFirst()), QStringLiteral("again."));
}

void TestFrmLog::editedMemoLines()
{
    // The operator may type into the list: a final line break is no extra line, and the cap
    // counts what is there.
    TfrmLog log;
    log.memLog()->setPlainText(QStringLiteral("typed a\ntyped b\n"));
    QCOMPARE(log.lineCount(), 2);
    log.AddStatusLine(QStringLiteral("new"));
    QCOMPARE(log.lineCount(), 3);
    QCOMPARE(log.lines().at(2), QStringLiteral("typed b"));

    QStringList many;
    for (int n = 1; n <= 100; ++n)
        many << QStringLiteral("typed %1").arg(n);
    log.memLog()->setPlainText(many.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(log.lineCount(), 100);
    log.AddStatusLine(QStringLiteral("new"));
    QCOMPARE(log.lineCount(), 100);
    QCOMPARE(log.lines().constLast(), QStringLiteral("typed 99"));
}

void TestFrmLog::hiddenWindowCollects()
{
    TfrmLog log;
    QPointer<TfrmLog> alive(&log);
    log.ShowMessages();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    log.AddStatusLine(QStringLiteral("while shown"));

    QVERIFY(log.close());
    QVERIFY(alive);
    QVERIFY(!log.isVisible());
    log.AddStatusLine(QStringLiteral("hidden one"));
    log.AddStatusLine(QStringLiteral("hidden two"));

    log.ShowMessages();
    QVERIFY(log.isVisible());
    const QStringList lines = log.lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(messageOf(lines.at(0)), QStringLiteral("hidden two."));
    QCOMPARE(messageOf(lines.at(1)), QStringLiteral("hidden one."));
    QCOMPARE(messageOf(lines.at(2)), QStringLiteral("while shown."));
}

void TestFrmLog::firstShowCentres()
{
    QWidget main;
    main.setGeometry(200, 150, 900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    TfrmLog log;
    log.setMainWindow(&main);
    log.ShowMessages();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    const QPoint offset = log.geometry().center() - main.geometry().center();
    QVERIFY2(offset.manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));

    // Later showings leave it where the operator put it.
    log.move(20, 30);
    log.close();
    log.ShowMessages();
    QCOMPARE(log.pos(), QPoint(20, 30));
}

void TestFrmLog::restoredPositionKept()
{
    QWidget main;
    main.setGeometry(200, 150, 900, 600);
    main.show();

    TfrmLog log;
    log.setMainWindow(&main);
    log.move(15, 25);
    log.resize(500, 300);
    log.ShowMessages();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QCOMPARE(log.pos(), QPoint(15, 25));
    QCOMPARE(log.size(), QSize(500, 300));
}

void TestFrmLog::captureToFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.txt"));
    {
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("earlier\r\n");
    }
    RecordingPrompter prompter;
    orvela::ScopedPrompter scoped(prompter);
    prompter.fileAnswers << path;

    TfrmLog log;
    log.AddStatusLine(QStringLiteral("before capture"));
    log.CaptureToFile1()->trigger();
    QCOMPARE(prompter.fileDialogTitles, QStringList{QStringLiteral("Select Capture file")});
    QCOMPARE(prompter.fileDialogFilters,
             QStringList{QStringLiteral("Text Files (*.txt);;All Files (*)")});
    QCOMPARE(prompter.fileDialogSuffixes, QStringList{QStringLiteral("Txt")});
    QVERIFY(log.logToFile());
    QCOMPARE(log.logFileName(), path);
    QVERIFY(!log.CaptureToFile1()->isEnabled());
    QVERIFY(log.StopCapture1()->isEnabled());

    log.AddStatusLine(QStringLiteral("Connected to Z\u00fcrich"));
    log.AddStatusLine(QStringLiteral("Failed to save INI file"));
    QStringList lines = log.lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(readBytes(path),
             "earlier\r\n" + lines.at(1).toLatin1() + "\r\n" + lines.at(0).toLatin1() + "\r\n");
    QVERIFY(readBytes(path).contains("Z\xfcrich."));

    log.StopCapture1()->trigger();
    QVERIFY(!log.logToFile());
    QVERIFY(log.CaptureToFile1()->isEnabled());
    QVERIFY(!log.StopCapture1()->isEnabled());
    const QByteArray captured = readBytes(path);
    log.AddStatusLine(QStringLiteral("not captured"));
    QCOMPARE(readBytes(path), captured);
    QCOMPARE(log.lineCount(), 4);
}

void TestFrmLog::captureCancelled()
{
    RecordingPrompter prompter;
    orvela::ScopedPrompter scoped(prompter);
    TfrmLog log;
    log.CaptureToFile1()->trigger();
    QCOMPARE(prompter.fileDialogTitles.size(), 1);
    QVERIFY(!log.logToFile());
    QVERIFY(log.logFileName().isEmpty());
    QVERIFY(log.CaptureToFile1()->isEnabled());
    QVERIFY(!log.StopCapture1()->isEnabled());
    log.AddStatusLine(QStringLiteral("plain"));
    QCOMPARE(log.lineCount(), 1);
}

// The capture appends: the real file dialog, on a file that exists, must not ask whether to
// replace it.
void TestFrmLog::captureAsksNothingAboutReplacing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.txt"));
    {
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("earlier\r\n");
    }
    TfrmLog log;
    QString question;
    orvela::test::AnswerDialog<QFileDialog>([&question, path](QFileDialog& dialog) {
        // A question would open over the dialog while it accepts: answer No and keep its text.
        QTimer::singleShot(0, [&question] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->text();
                box->reject();
            }
        });
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    });
    log.CaptureToFile1()->trigger();
    QVERIFY2(question.isEmpty(), qPrintable(question));
    QCOMPARE(log.logFileName(), path);
    log.AddStatusLine(QStringLiteral("appended"));
    QVERIFY(readBytes(path).startsWith("earlier\r\n"));
    QVERIFY(readBytes(path).endsWith("appended.\r\n"));
}

void TestFrmLog::unwritableLogFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("a folder, empty list") << "folder" << 0 << 2;
    QTest::newRow("a folder, 99 lines") << "folder" << 99 << 101;
    QTest::newRow("a folder, 100 lines") << "folder" << 100 << 101;
    QTest::newRow("under a file, 100 lines") << "under file" << 100 << 101;
    QTest::newRow("a missing folder") << "missing folder" << 5 << 7;
}

void TestFrmLog::unwritableLogFile()
{
    QFETCH(QString, kind);
    QFETCH(int, before);
    QFETCH(int, after);

    QTemporaryDir dir;
    QString path = dir.path();
    if (kind == QStringLiteral("under file")) {
        QFile plain(dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        path = plain.fileName() + QStringLiteral("/capture.txt");
    } else if (kind == QStringLiteral("missing folder")) {
        path = dir.filePath(QStringLiteral("nowhere/capture.txt"));
    }

    RecordingPrompter prompter;
    orvela::ScopedPrompter scoped(prompter);
    prompter.fileAnswers << path;
    TfrmLog log;
    fill(log, before);
    log.CaptureToFile1()->trigger();
    QVERIFY(log.logToFile());

    log.AddStatusLine(QStringLiteral("Connected to Weather"));
    QStringList lines = log.lines();
    QCOMPARE(lines.size(), after);
    QCOMPARE(messageOf(lines.at(0)), ErrorText + QLatin1Char('.'));
    QCOMPARE(messageOf(lines.at(1)), QStringLiteral("Connected to Weather."));
    QCOMPARE(stampPartOf(lines.at(0)), stampPartOf(lines.at(1)));
    QVERIFY(prompter.boxes.isEmpty());

    // A failure that goes on never lets the list grow past 100 lines and the failure line.
    for (int n = 0; n < 150; ++n)
        log.AddStatusLine(QStringLiteral("more"));
    QCOMPARE(log.lineCount(), 101);
    QCOMPARE(messageOf(log.lines().at(0)), ErrorText + QLatin1Char('.'));
    QVERIFY(!QFileInfo(path).isFile());
}

QTEST_MAIN(TestFrmLog)
#include "test_frm_log.moc"
