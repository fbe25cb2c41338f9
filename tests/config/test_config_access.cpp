// Whether a configuration can be saved where it is: the probe must be right for root (where
// permission bits stop nothing) and must never change a file it probes.

#include "core/config/config_access.h"
#include "read_only_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace orvela;

class TestConfigAccess : public QObject
{
    Q_OBJECT

private slots:
    void writablePlaces_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QByteArray>("existing"); // empty: no file
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("new file in a writable folder") << "Orvela.ovf" << QByteArray() << false;
        QTest::newRow("existing file") << "Orvela.ovf" << QByteArray("[Application]\r\n") << false;
        // Loading reports a folder already; the probe does not report it twice.
        QTest::newRow("path is a folder") << "Orvela.ovf" << QByteArray() << true;
    }

    void writablePlaces()
    {
        QFETCH(QString, relative);
        QFETCH(QByteArray, existing);
        QFETCH(bool, isFolder);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(relative);
        if (isFolder)
            QVERIFY(QDir().mkpath(path));
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing);
        }
        const QDateTime modified = QFileInfo(path).lastModified();

        QCOMPARE(ConfigWriteProblem(path), QString());

        // The probe leaves nothing behind and changes nothing.
        const QStringList left =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(left, isFolder || !existing.isEmpty() ? QStringList{relative} : QStringList());
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), existing);
            QCOMPARE(QFileInfo(path).lastModified(), modified);
        }
    }

    void namedPipeIsLeftToTheLoad()
    {
        // Opening a pipe to probe it would wait for a writer for good; the load refuses it and
        // says so, so the probe has nothing to add.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Orvela.ovf"));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        ::alarm(20);
        const QString problem = ConfigWriteProblem(path);
        ::alarm(0);
        QCOMPARE(problem, QString());
    }

    void missingFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("gone/deeper"));
        const QString problem = ConfigWriteProblem(folder + QStringLiteral("/Orvela.ovf"));
        QVERIFY2(problem.contains(QStringLiteral("does not exist")), qPrintable(problem));
        QVERIFY2(problem.contains(QDir::toNativeSeparators(folder)), qPrintable(problem));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
    }

    void folderNobodyCreatesFilesIn()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs /proc");
#endif
        // Not even root creates a file in a process's /proc folder.
        const QString problem = ConfigWriteProblem(QStringLiteral("/proc/self/Orvela.ovf"));
        QVERIFY2(problem.contains(QStringLiteral("/proc/self")), qPrintable(problem));
    }

    void readOnlyMount_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("new file") << false << "no file can be created";
        QTest::newRow("existing file") << true << "the file cannot be written";
    }

    void readOnlyMount()
    {
        QFETCH(bool, existing);
        QFETCH(QString, expected);
        test::ReadOnlyFolder folder;
        if (!folder.isValid())
            QSKIP("cannot make a read-only bind mount here (needs root with CAP_SYS_ADMIN)");
        if (existing) {
            QFile file(QDir(folder.sourcePath()).filePath(QStringLiteral("Orvela.ovf")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Application]\r\nTitle=North\r\n");
        }
        const QString problem =
            ConfigWriteProblem(QDir(folder.path()).filePath(QStringLiteral("Orvela.ovf")));
        QVERIFY2(problem.contains(expected), qPrintable(problem));
    }
};

QTEST_MAIN(TestConfigAccess)
#include "test_config_access.moc"
