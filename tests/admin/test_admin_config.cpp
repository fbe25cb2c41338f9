// orvela-admin's config commands, run as the program, on files written by hand.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run admin(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(ORVELA_ADMIN_PATH), args);
    if (!process.waitForFinished(20000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAdminConfig : public QObject
{
    Q_OBJECT

private slots:
    void setKeepsWhatItDoesNotKnow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Orvela.ovf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("; comment\r\n[Custom]\r\nOwner=Desk 4\r\n[application]\r\ntitle=Old\r\n"
                   "Colour=red\r\n");
        file.close();

        const Run set = admin({"config", "set", path, "Application", "Title", "North Mast"});
        QCOMPARE(set.exitCode, 0);
        QCOMPARE(read(path), QByteArray("[Custom]\r\nOwner=Desk 4\r\n\r\n[application]\r\n"
                                        "title=North Mast\r\nColour=red\r\n\r\n"));
        const Run get = admin({"config", "get", path, "APPLICATION", "Title"});
        QCOMPARE(get.exitCode, 0);
        QCOMPARE(get.out, QStringLiteral("North Mast\n"));

        const Run added = admin({"config", "set", path, "DataBase", "Station", "STN1"});
        QCOMPARE(added.exitCode, 0);
        QVERIFY(read(path).endsWith("[DataBase]\r\nStation=STN1\r\n\r\n"));
    }

    void missingKeyPrintsNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Orvela.ovf");
        QCOMPARE(admin({"config", "set", path, "Application", "Title", ""}).exitCode, 0);
        const Run empty = admin({"config", "get", path, "Application", "Title"});
        QCOMPARE(empty.exitCode, 0);
        QCOMPARE(empty.out, QStringLiteral("\n"));
        const Run missing = admin({"config", "get", path, "Application", "ImageFile"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.out.isEmpty());
        // A new file holds the stored password: its owner's only.
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther),
                 QFileDevice::Permissions());
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("= in key") << "Application"
                                  << "Ti=tle";
        QTest::newRow("[ in section") << "App[lication"
                                      << "Title";
        QTest::newRow("] in section") << "Application]"
                                      << "Title";
        QTest::newRow("line break in key") << "Application"
                                           << "Ti\ntle";
        QTest::newRow("carriage return in section") << "Appli\rcation"
                                                    << "Title";
        QTest::newRow("empty key") << "Application"
                                   << "";
        // Written, but read back as a comment or without the character.
        QTest::newRow("key beginning with ;") << "Application"
                                              << ";Title";
        QTest::newRow("control character at the end of a key") << "Application"
                                                               << "Title\x0e";
    }

    void refusedNames()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        const QString path = dir.filePath("Orvela.ovf");
        QCOMPARE(admin({"config", "set", path, section, key, "x"}).exitCode, 2);
        QVERIFY(!QFile::exists(path));
    }

    void unreadableFileIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("Orvela.ovf");
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(admin({"config", "set", folder, "Application", "Title", "x"}).exitCode, 1);
        QCOMPARE(admin({"config", "get", folder, "Application", "Title"}).exitCode, 1);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void onlyRegularFiles_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("path"); // empty: a named pipe the test makes
        // Each of these waited or read for good.
        QTest::newRow("get from an endless device") << "get"
                                                    << "/dev/zero";
        QTest::newRow("set on a full device") << "set"
                                              << "/dev/full";
        QTest::newRow("get from a named pipe") << "get" << QString();
        QTest::newRow("set on a named pipe") << "set" << QString();
    }

    void onlyRegularFiles()
    {
        QFETCH(QString, verb);
        QFETCH(QString, path);
        QTemporaryDir dir;
        if (path.isEmpty()) {
            path = dir.filePath("Orvela.ovf");
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
        QStringList args{"config", verb, path, "Application", "Title"};
        if (verb == "set")
            args << "x";
        const Run run = admin(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(path + ": it is not a regular file"), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no words") << QStringList{"config"};
        QTest::newRow("get without key") << QStringList{"config", "get", "f", "s"};
        QTest::newRow("set without value") << QStringList{"config", "set", "f", "s", "k"};
        QTest::newRow("unknown verb") << QStringList{"config", "put", "f", "s", "k"};
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QCOMPARE(admin(args).exitCode, 2);
    }
};

QTEST_APPLESS_MAIN(TestAdminConfig)
#include "test_admin_config.moc"
