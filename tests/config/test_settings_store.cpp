#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <limits>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using orvela::SettingsStore;

namespace {

const QString Ovf = QStringLiteral("Orvela.ovf");

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

unsigned modeOf(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0xFFFF;
    return info.st_mode & 07777u;
}

// Root passes every permission check. Tests that need a refusal run their middle part under
// the unprivileged "nobody" account, which needs the files it works on to be its own.
class Unprivileged
{
public:
    static constexpr uid_t Nobody = 65534;

    Unprivileged()
    {
        if (::geteuid() != 0)
            return;
        m_switched = ::setegid(Nobody) == 0 && ::seteuid(Nobody) == 0;
    }
    ~Unprivileged()
    {
        if (m_switched) {
            [[maybe_unused]] const int user = ::seteuid(0);
            [[maybe_unused]] const int group = ::setegid(0);
        }
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    bool ok() const { return ::geteuid() != 0; }

    // Makes `path` belong to the account the middle part runs as.
    static bool handOver(const QString& path)
    {
        if (::geteuid() != 0)
            return true;
        return ::chown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0;
    }

private:
    bool m_switched = false;
};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void layoutRoundTrip_data();
    void layoutRoundTrip();
    void readString_data();
    void readString();
    void writeString_data();
    void writeString();
    void textOutsideLatin1();
    void decodedText_data();
    void decodedText();
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();
    void integerAndBoolWritten();
    void readReal_data();
    void readReal();
    void writeReal_data();
    void writeReal();

    void missingFileCreatedOwnerOnly();
    void firstSaveKeepsWriteOrder();
    void existingFileKeepsPermissions();
    void unreadableFile_data();
    void unreadableFile();
    void unreadableFileNeverOverwritten();
    void failingSaveKeepsOldFile();
    void saveThroughReadOnlyFolder();
    void unwritableTarget_data();
    void unwritableTarget();
};

void TestSettingsStore::layoutRoundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("duplicate sections and keys kept as loaded")
        << QByteArray("[A]\r\nx=1\r\nX=2\r\n[a]\r\ny=3\r\n")
        << QByteArray("[A]\r\nx=1\r\nX=2\r\n\r\n[a]\r\ny=3\r\n\r\n");
    QTest::newRow("odd spacing stripped")
        << QByteArray("  [ Sec One ]  \r\n\t key  =  two  inner  \t\r\n")
        << QByteArray("[Sec One]\r\nkey=two  inner\r\n\r\n");
    QTest::newRow("line without equals kept") << QByteArray("[S]\r\n  just some text  \r\nk=v\r\n")
                                              << QByteArray("[S]\r\njust some text\r\nk=v\r\n\r\n");
    QTest::newRow("comments and empty lines dropped")
        << QByteArray("; head\r\n[S]\r\n; comment\r\n\r\n   \r\nk=v\r\n  ;indented=1\r\n")
        << QByteArray("[S]\r\nk=v\r\n\r\n");
    QTest::newRow("lines before the first section dropped")
        << QByteArray("orphan=1\r\nloose\r\n[S]\r\nk=v") << QByteArray("[S]\r\nk=v\r\n\r\n");
    QTest::newRow("LF line ends") << QByteArray("[S]\nk=v\nm=w\n")
                                  << QByteArray("[S]\r\nk=v\r\nm=w\r\n\r\n");
    QTest::newRow("CR line ends") << QByteArray("[S]\rk=v\rm=w\r")
                                  << QByteArray("[S]\r\nk=v\r\nm=w\r\n\r\n");
    QTest::newRow("mixed line ends") << QByteArray("[S]\r\nk=v\nm=w\r[T]\n\rn=x")
                                     << QByteArray("[S]\r\nk=v\r\nm=w\r\n\r\n[T]\r\nn=x\r\n\r\n");
    QTest::newRow("code page 1252 file written again as UTF-8")
        << QByteArray("[S]\r\nname=Z\xfcrich \xb0\x43\xff\r\n")
        << QByteArray("[S]\r\nname=Z\xc3\xbcrich \xc2\xb0\x43\xc3\xbf\r\n\r\n");
    QTest::newRow("UTF-8 file unchanged")
        << QByteArray("[S]\r\nname=Z\xc3\xbcrich \xc2\xb0\x43 /home/\xc5\x82ukasz\r\n")
        << QByteArray("[S]\r\nname=Z\xc3\xbcrich \xc2\xb0\x43 /home/\xc5\x82ukasz\r\n\r\n");
    QTest::newRow("byte-order mark dropped") << QByteArray("\xef\xbb\xbf[S]\r\nk=\xc3\xbc\r\n")
                                             << QByteArray("[S]\r\nk=\xc3\xbc\r\n\r\n");
    QTest::newRow("control characters stripped, a NUL byte too")
        << QByteArray("\x01[S]\x00\x1a\r\n\x7f\xc2\x85k=v\x1a\xc2\x9f\r\n", 19)
        << QByteArray("[S]\r\nk=v\r\n\r\n");
    QTest::newRow("value holding equals")
        << QByteArray("[S]\r\nk = a=b \r\n") << QByteArray("[S]\r\nk=a=b\r\n\r\n");
    QTest::newRow("empty key and empty value")
        << QByteArray("[S]\r\n=v\r\nk=\r\n") << QByteArray("[S]\r\n=v\r\nk=\r\n\r\n");
    QTest::newRow("empty sections kept") << QByteArray("[E]\r\n[]\r\n[F]\r\nk=v")
                                         << QByteArray("[E]\r\n\r\n[]\r\n\r\n[F]\r\nk=v\r\n\r\n");
    QTest::newRow("brackets inside a section name")
        << QByteArray("[a]b]\r\nk=v\r\n") << QByteArray("[a]b]\r\nk=v\r\n\r\n");
    QTest::newRow("lone bracket is a line")
        << QByteArray("[S]\r\n[\r\nk]\r\n") << QByteArray("[S]\r\n[\r\nk]\r\n\r\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("comments only") << QByteArray("; a\r\n\r\n;b") << QByteArray();
}

void TestSettingsStore::layoutRoundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, written);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    writeBytes(path, file);
    SettingsStore store(path);
    QVERIFY(store.ok());
    QVERIFY2(store.flush(), qPrintable(store.errorText()));
    QCOMPARE(readBytes(path), written);
    // What was written loads to the same file again.
    QCOMPARE(SettingsStore(path).toBytes(), written);
}

void TestSettingsStore::readString_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("exact") << "Graph1"
                           << "Name"
                           << "OUT_TEMP";
    QTest::newRow("section and key in another case") << "GRAPH1"
                                                     << "nAmE"
                                                     << "OUT_TEMP";
    QTest::newRow("first of duplicate keys") << "Graph1"
                                             << "Units"
                                             << "C";
    QTest::newRow("key only in a later duplicate section") << "graph1"
                                                           << "TimeRange"
                                                           << "default";
    QTest::newRow("later duplicate section never read") << "Graph1"
                                                        << "Extra"
                                                        << "default";
    QTest::newRow("missing section") << "Graph2"
                                     << "Name"
                                     << "default";
    QTest::newRow("missing key") << "Application"
                                 << "ImageFile"
                                 << "default";
    QTest::newRow("line without equals is no key") << "Application"
                                                   << "loose words"
                                                   << "default";
    QTest::newRow("present but empty") << "Application"
                                       << "Title"
                                       << "";
    QTest::newRow("inner blanks kept") << "DataBase"
                                       << "Station"
                                       << "North  Pier";
    QTest::newRow("Latin-1 text") << "DataBase"
                                  << "UserName" << QString::fromUtf8("Jürgen");
    QTest::newRow("names matched after stripping") << " DataBase "
                                                   << "\tStation "
                                                   << "North  Pier";
}

void TestSettingsStore::readString()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    writeBytes(path, "[Graph1]\r\nName = OUT_TEMP\r\nunits=C\r\nUNITS=F\r\n"
                     "[graph1]\r\nTimeRange=4\r\nExtra=1\r\n"
                     "[Application]\r\nloose words\r\nTitle=\r\n"
                     "[DataBase]\r\nStation=  North  Pier  \r\nUserName=J\xfcrgen\r\n");
    const SettingsStore store(path);
    QCOMPARE(store.readString(section, key, QStringLiteral("default")), expected);
}

void TestSettingsStore::writeString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("existing key replaced in place, its spelling kept")
        << QByteArray("[S]\r\nA=1\r\nKey=old\r\nB=2\r\n") << "s"
        << "KEY"
        << "new" << QByteArray("[S]\r\nA=1\r\nKey=new\r\nB=2\r\n\r\n");
    QTest::newRow("first of duplicate keys written, the later kept")
        << QByteArray("[S]\r\nk=1\r\nK=2\r\n") << "S"
        << "k"
        << "9" << QByteArray("[S]\r\nk=9\r\nK=2\r\n\r\n");
    QTest::newRow("new key at the end of the first of duplicate sections")
        << QByteArray("[S]\r\na=1\r\nloose\r\n[T]\r\nt=1\r\n[s]\r\nb=2\r\n") << "S"
        << "new"
        << "x"
        << QByteArray("[S]\r\na=1\r\nloose\r\nnew=x\r\n\r\n[T]\r\nt=1\r\n\r\n[s]\r\nb=2\r\n\r\n");
    QTest::newRow("key only in the later duplicate section is new in the first")
        << QByteArray("[S]\r\na=1\r\n[S]\r\nb=2\r\n") << "S"
        << "b"
        << "3" << QByteArray("[S]\r\na=1\r\nb=3\r\n\r\n[S]\r\nb=2\r\n\r\n");
    QTest::newRow("new section at the end of the file")
        << QByteArray("[S]\r\na=1\r\n; gone\r\n") << "New"
        << "k"
        << "v" << QByteArray("[S]\r\na=1\r\n\r\n[New]\r\nk=v\r\n\r\n");
    QTest::newRow("line without equals is not replaced")
        << QByteArray("[S]\r\nflag\r\n") << "S"
        << "flag"
        << "1" << QByteArray("[S]\r\nflag\r\nflag=1\r\n\r\n");
    QTest::newRow("line breaks in a value become blanks")
        << QByteArray("[S]\r\n") << "S"
        << "k"
        << "one\r\n[Evil]\nx=1" << QByteArray("[S]\r\nk=one  [Evil] x=1\r\n\r\n");
    QTest::newRow("empty value") << QByteArray("[S]\r\nk=v\r\n") << "S"
                                 << "k"
                                 << "" << QByteArray("[S]\r\nk=\r\n\r\n");
    QTest::newRow("missing file") << QByteArray() << "S"
                                  << "k"
                                  << "v" << QByteArray("[S]\r\nk=v\r\n\r\n");
}

void TestSettingsStore::writeString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, written);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    if (!file.isEmpty())
        writeBytes(path, file);
    SettingsStore store(path);
    store.writeString(section, key, value);
    QVERIFY2(store.flush(), qPrintable(store.errorText()));
    QCOMPARE(readBytes(path), written);
    // Written and read back: what the store answers is what the file gives after a restart.
    const QString expected = SettingsStore(path).readString(section, key, QStringLiteral("?"));
    QCOMPARE(store.readString(section, key, QStringLiteral("?")), expected);
}

void TestSettingsStore::textOutsideLatin1()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    const QString text = QString::fromUtf8("Z\u00fcrich \u20ac \U0001F600 /home/\u0142ukasz");
    SettingsStore store(path);
    store.writeString(QStringLiteral("S"), QStringLiteral("k"), text);
    QVERIFY(store.flush());
    QCOMPARE(readBytes(path), QByteArray("[S]\r\nk=Z\xc3\xbcrich \xe2\x82\xac \xf0\x9f\x98\x80 "
                                         "/home/\xc5\x82ukasz\r\n\r\n"));
    QCOMPARE(SettingsStore(path).readString(QStringLiteral("S"), QStringLiteral("k"), QString()),
             text);
}

void TestSettingsStore::decodedText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");

    // UTF-8 when the whole file is valid UTF-8.
    QTest::newRow("two-byte form") << QByteArray("Z\xc3\xbcrich") << QString::fromUtf8("Zürich");
    QTest::newRow("three-byte form") << QByteArray("\xe2\x82\xac") << QString::fromUtf8("€");
    QTest::newRow("four-byte form") << QByteArray("\xf0\x9f\x98\x80") << QString::fromUtf8("😀");
    QTest::newRow("highest code point")
        << QByteArray("\xf4\x8f\xbf\xbf") << QString::fromUcs4(U"\U0010FFFF");
    // Code page 1252 otherwise.
    QTest::newRow("degree and umlaut")
        << QByteArray("\xb0\x43 Z\xfcrich") << QString::fromUtf8("°C Zürich");
    QTest::newRow("where 1252 differs from Latin-1")
        << QByteArray("\x80\x85\x8a\x9f\x81x") << QString::fromUtf8("€…ŠŸ\u0081x");
    QTest::newRow("one stray byte makes the whole file 1252")
        << QByteArray("\xc3\xbc \xfc") << QString::fromUtf8("Ã¼ ü");
    QTest::newRow("beyond the highest code point")
        << QByteArray("\xf4\x90\x80\x80") << QString::fromUtf8("ô\u0090€€");
    QTest::newRow("overlong two-byte form") << QByteArray("\xc1\xbf") << QString::fromUtf8("Á¿");
    QTest::newRow("overlong three-byte form")
        << QByteArray("\xe0\x9f\xbf") << QString::fromUtf8("àŸ¿");
    QTest::newRow("overlong four-byte form")
        << QByteArray("\xf0\x8f\xbf\xbf") << QString::fromUtf8("ð\u008f¿¿");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0€");
    QTest::newRow("sequence cut by the line end")
        << QByteArray("ab\xe2\x82") << QString::fromUtf8("abâ‚");
    QTest::newRow("lead byte without its follower")
        << QByteArray("\xc3x") << QString::fromUtf8("Ãx");
}

void TestSettingsStore::decodedText()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);

    const SettingsStore store = SettingsStore::fromBytes("[S]\r\nk=" + value + "\r\n");
    QCOMPARE(store.readString(QStringLiteral("S"), QStringLiteral("k"), QString()), expected);
}

void TestSettingsStore::readInteger_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");

    const int fallback = 77;
    QTest::newRow("decimal") << QByteArray("10") << 10;
    QTest::newRow("negative") << QByteArray("-10") << -10;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << std::numeric_limits<int>::min();
    QTest::newRow("above 32 bits") << QByteArray("2147483648") << fallback;
    QTest::newRow("below 32 bits") << QByteArray("-2147483649") << fallback;
    QTest::newRow("far too long") << QByteArray("99999999999999999999999") << fallback;
    QTest::newRow("hex 0x") << QByteArray("0x0A") << 10;
    QTest::newRow("hex 0X mixed case") << QByteArray("0X1f") << 31;
    QTest::newRow("hex dollar") << QByteArray("$1F") << 31;
    QTest::newRow("hex all ones is -1") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("hex sign bit") << QByteArray("$80000000") << std::numeric_limits<int>::min();
    QTest::newRow("hex largest") << QByteArray("0x7FFFFFFF") << 2147483647;
    QTest::newRow("hex leading zeros") << QByteArray("0x000000001") << 1;
    QTest::newRow("hex above 32 bits") << QByteArray("0x100000000") << fallback;
    QTest::newRow("0x alone") << QByteArray("0x") << fallback;
    QTest::newRow("dollar alone") << QByteArray("$") << fallback;
    QTest::newRow("bad hex digit") << QByteArray("0x1G") << fallback;
    QTest::newRow("hex without prefix") << QByteArray("1F") << fallback;
    QTest::newRow("words") << QByteArray("abc") << fallback;
    QTest::newRow("empty") << QByteArray("") << fallback;
    QTest::newRow("sign alone") << QByteArray("-") << fallback;
    QTest::newRow("blank inside") << QByteArray("1 2") << fallback;
    QTest::newRow("blank after sign") << QByteArray("- 5") << fallback;
    QTest::newRow("fraction") << QByteArray("1.5") << fallback;
    QTest::newRow("superscript digit") << QByteArray("\xb2") << fallback;
}

void TestSettingsStore::readInteger()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    writeBytes(path, "[Application]\r\nGraphUpdate=" + value + "\r\n");
    const SettingsStore store(path);
    QCOMPARE(store.readInteger(QStringLiteral("application"), QStringLiteral("graphupdate"), 77),
             expected);
}

void TestSettingsStore::readBool_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("Showing=1") << false << true;
    QTest::newRow("0") << QByteArray("Showing=0") << true << false;
    QTest::newRow("any non-zero") << QByteArray("Showing=2") << false << true;
    QTest::newRow("negative") << QByteArray("Showing=-1") << false << true;
    QTest::newRow("hex zero") << QByteArray("Showing=0x0") << true << false;
    QTest::newRow("words, default true") << QByteArray("Showing=yes") << true << true;
    QTest::newRow("words, default false") << QByteArray("Showing=true") << false << false;
    QTest::newRow("empty") << QByteArray("Showing=") << true << true;
    QTest::newRow("missing, default false") << QByteArray("Other=1") << false << false;
    QTest::newRow("missing, default true") << QByteArray("Other=0") << true << true;
}

void TestSettingsStore::readBool()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    writeBytes(path, "[LogForm]\r\n" + line + "\r\n");
    QCOMPARE(SettingsStore(path).readBool(QStringLiteral("LogForm"), QStringLiteral("Showing"),
                                          defaultValue),
             expected);
}

void TestSettingsStore::integerAndBoolWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    SettingsStore store(path);
    store.writeInteger(QStringLiteral("S"), QStringLiteral("a"), -2147483647 - 1);
    store.writeInteger(QStringLiteral("S"), QStringLiteral("b"), 2147483647);
    store.writeBool(QStringLiteral("S"), QStringLiteral("c"), true);
    store.writeBool(QStringLiteral("S"), QStringLiteral("d"), false);
    QVERIFY(store.flush());
    QCOMPARE(readBytes(path),
             QByteArray("[S]\r\na=-2147483648\r\nb=2147483647\r\nc=1\r\nd=0\r\n\r\n"));
    const SettingsStore again(path);
    QCOMPARE(again.readInteger(QStringLiteral("S"), QStringLiteral("a"), 0),
             std::numeric_limits<int>::min());
    QCOMPARE(again.readBool(QStringLiteral("S"), QStringLiteral("c"), false), true);
    QCOMPARE(again.readBool(QStringLiteral("S"), QStringLiteral("d"), true), false);
}

void TestSettingsStore::readReal_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<double>("expected");

    const double fallback = -99;
    QTest::newRow("point locale, point") << "C" << QByteArray("12.5") << 12.5;
    QTest::newRow("point locale, comma") << "C" << QByteArray("12,5") << fallback;
    QTest::newRow("en_US, comma") << "en_US" << QByteArray("12,5") << fallback;
    QTest::newRow("comma locale, comma") << "de_DE" << QByteArray("12,5") << 12.5;
    QTest::newRow("comma locale, point") << "de_DE" << QByteArray("12.5") << fallback;
    QTest::newRow("integer") << "C" << QByteArray("-30") << -30.0;
    QTest::newRow("exponent") << "C" << QByteArray("1e+20") << 1e20;
    QTest::newRow("capital exponent") << "de_DE" << QByteArray("2,5E-5") << 2.5e-5;
    QTest::newRow("empty") << "C" << QByteArray("") << fallback;
    QTest::newRow("words") << "C" << QByteArray("abc") << fallback;
    QTest::newRow("trailing text") << "C" << QByteArray("12.5kg") << fallback;
    QTest::newRow("group separator") << "en_US" << QByteArray("1,000.5") << fallback;
    QTest::newRow("group separator, comma locale") << "de_DE" << QByteArray("1.000,5") << fallback;
    QTest::newRow("not a number") << "C" << QByteArray("NAN") << fallback;
    QTest::newRow("infinity") << "C" << QByteArray("INF") << fallback;
    QTest::newRow("out of range") << "C" << QByteArray("1e999") << fallback;
    QTest::newRow("ASCII minus under a locale with its own minus")
        << "sv_SE" << QByteArray("-3,5") << -3.5;
    QTest::newRow("separator outside Latin-1 falls back to point")
        << "ar_EG" << QByteArray("12.5") << 12.5;
}

void TestSettingsStore::readReal()
{
    QFETCH(QString, locale);
    QFETCH(QByteArray, value);
    QFETCH(double, expected);

    QLocale::setDefault(QLocale(locale));
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    writeBytes(path, "[LiveData1]\r\nMin=" + value + "\r\n");
    QCOMPARE(SettingsStore(path).readReal(QStringLiteral("LiveData1"), QStringLiteral("Min"), -99),
             expected);
}

void TestSettingsStore::writeReal_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("integer") << "C" << -30.0 << QByteArray("-30");
    QTest::newRow("fraction") << "C" << 12.5 << QByteArray("12.5");
    QTest::newRow("comma locale") << "de_DE" << 12.5 << QByteArray("12,5");
    QTest::newRow("15 digits hide binary noise") << "C" << 0.1 + 0.2 << QByteArray("0.3");
    QTest::newRow("at most 15 digits") << "C" << 1.0 / 3 << QByteArray("0.333333333333333");
    QTest::newRow("15-digit integer") << "C" << 123456789012345.0 << QByteArray("123456789012345");
    QTest::newRow("16-digit integer goes scientific")
        << "C" << 1234567890123456.0 << QByteArray("1.23456789012346e+15");
    QTest::newRow("small but plain") << "C" << 0.0001 << QByteArray("0.0001");
    QTest::newRow("very small") << "de_DE" << 2.5e-5 << QByteArray("2,5e-05");
    QTest::newRow("very large") << "C" << 1e20 << QByteArray("1e+20");
    QTest::newRow("negative zero") << "C" << -0.0 << QByteArray("0");
    QTest::newRow("ASCII minus") << "sv_SE" << -2.5 << QByteArray("-2,5");
    QTest::newRow("separator outside Latin-1") << "ar_EG" << 12.5 << QByteArray("12.5");
    QTest::newRow("not a number") << "C" << nan << QByteArray("NAN");
    QTest::newRow("infinity") << "C" << inf << QByteArray("INF");
    QTest::newRow("minus infinity") << "C" << -inf << QByteArray("-INF");
}

void TestSettingsStore::writeReal()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QByteArray, text);

    QLocale::setDefault(QLocale(locale));
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    SettingsStore store(path);
    store.writeReal(QStringLiteral("LiveData1"), QStringLiteral("Max"), value);
    QVERIFY(store.flush());
    QCOMPARE(readBytes(path), "[LiveData1]\r\nMax=" + text + "\r\n\r\n");

    // Read back under the same locale: the value within 15 digits, or the default for what
    // is not a finite number.
    const double back =
        SettingsStore(path).readReal(QStringLiteral("LiveData1"), QStringLiteral("Max"), 4242);
    if (!std::isfinite(value))
        QCOMPARE(back, 4242.0);
    else
        QVERIFY2(std::fabs(back - value) <= std::fabs(value) * 1e-14,
                 qPrintable(QString::number(back)));
}

void TestSettingsStore::missingFileCreatedOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    SettingsStore store(path);
    QVERIFY(store.ok());
    QVERIFY(store.errorText().isEmpty());
    QCOMPARE(store.readString(QStringLiteral("Application"), QStringLiteral("Title"),
                              QStringLiteral("Orvela")),
             QStringLiteral("Orvela"));
    QCOMPARE(store.readInteger(QStringLiteral("Application"), QStringLiteral("GraphUpdate"), 5), 5);

    const mode_t previous = ::umask(0);
    store.writeString(QStringLiteral("DataBase"), QStringLiteral("Password"), QStringLiteral("x"));
    const bool flushed = store.flush();
    ::umask(previous);
    QVERIFY2(flushed, qPrintable(store.errorText()));
    QCOMPARE(modeOf(path), 0600u);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{Ovf});
}

void TestSettingsStore::firstSaveKeepsWriteOrder()
{
    namespace s = orvela::settings;
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(Ovf));
    store.writeInteger(s::Windows, s::Top, s::MainWindowBounds.top);
    store.writeString(s::Application, s::Title, s::DefaultTitle);
    store.writeString(s::DataBase, s::Station, QString());
    store.writeBool(s::LogForm, s::Showing, false);
    store.writeString(s::GraphSection(1), s::TimeRange, s::DefaultTimeRange);
    store.writeString(s::LiveSection(1), s::Name, QString());
    store.writeReal(s::LiveSection(1), s::Min, s::LivePositions[0].limits.minimum);
    store.writeReal(s::LiveSection(1), s::Max, s::LivePositions[0].limits.maximum);
    store.writeString(s::LiveSection(7), s::Units, s::LivePositions[6].units);
    // Writing an earlier section again moves nothing.
    store.writeInteger(s::Windows, s::Left, s::MainWindowBounds.left);
    QCOMPARE(
        store.toBytes(),
        QByteArray("[Windows]\r\nTop=31\r\nLeft=36\r\n\r\n[Application]\r\nTitle=Orvela\r\n\r\n"
                   "[DataBase]\r\nStation=\r\n\r\n[LogForm]\r\nShowing=0\r\n\r\n"
                   "[Graph1]\r\nTimeRange=2\r\n\r\n[LiveData1]\r\nName=\r\nMin=-30\r\n"
                   "Max=60\r\n\r\n[LiveData7]\r\nUnits=deg\r\n\r\n"));
}

void TestSettingsStore::existingFileKeepsPermissions()
{
    for (const unsigned mode : {0644u, 0640u, 0600u}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(Ovf);
        writeBytes(path, "[S]\r\nk=v\r\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        SettingsStore store(path);
        store.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"));
        QVERIFY2(store.flush(), qPrintable(store.errorText()));
        QCOMPARE(modeOf(path), mode);
        QCOMPARE(readBytes(path), QByteArray("[S]\r\nk=w\r\n\r\n"));
    }
}

void TestSettingsStore::unreadableFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("made"); // what the test makes at the path, if anything

    QTest::newRow("path is a folder") << QString() << "folder";
    // A file that exists and opens, but whose reading fails.
    QTest::newRow("read error") << QStringLiteral("/proc/self/mem") << QString();
    // Opening a pipe for reading waits for a writer; a device may never end.
    QTest::newRow("named pipe") << QString() << "pipe";
    QTest::newRow("endless device") << QStringLiteral("/dev/zero") << QString();
    QTest::newRow("larger than any configuration") << QString() << "huge";
}

void TestSettingsStore::unreadableFile()
{
    QFETCH(QString, path);
    QFETCH(QString, made);

    QTemporaryDir dir;
    if (!made.isEmpty())
        path = dir.filePath(Ovf);
    if (made == QStringLiteral("folder"))
        QVERIFY(QDir().mkdir(path));
    if (made == QStringLiteral("pipe"))
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    if (made == QStringLiteral("huge")) {
        writeBytes(path, "[S]\r\nk=v\r\n");
        QVERIFY(::truncate(QFile::encodeName(path).constData(), 65LL * 1024 * 1024) == 0);
    }
    const QByteArray before = made == QStringLiteral("huge") ? readBytes(path) : QByteArray();
    // A load that waits or reads for good ends the test instead of hanging it.
    ::alarm(20);
    SettingsStore store(path);
    QVERIFY(!store.ok());
    QVERIFY(store.errorText().contains(path));
    QCOMPARE(store.readInteger(QStringLiteral("S"), QStringLiteral("k"), 3), 3);
    store.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    QVERIFY(!store.flush());
    ::alarm(0);
    QVERIFY(!store.errorText().isEmpty());
    if (made == QStringLiteral("folder"))
        QVERIFY(QFileInfo(path).isDir());
    if (made == QStringLiteral("huge"))
        QCOMPARE(readBytes(path), before);
}

void TestSettingsStore::unreadableFileNeverOverwritten()
{
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    const QString path = dir.filePath(Ovf);
    const QByteArray original("[DataBase]\r\nPassword=secret\r\n");
    writeBytes(path, original);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0200) == 0);
    QVERIFY(Unprivileged::handOver(path));
    QVERIFY(Unprivileged::handOver(dir.path()));
    {
        Unprivileged as;
        if (!as.ok())
            QSKIP("cannot drop root privileges to make a file unreadable");
        SettingsStore store(path);
        QVERIFY(!store.ok());
        store.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
        QVERIFY(!store.flush());
        QVERIFY(!store.errorText().isEmpty());
    }
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0600) == 0);
    QCOMPARE(readBytes(path), original);
}

void TestSettingsStore::failingSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Ovf);
    const QByteArray original("[S]\r\nk=v\r\nkeep=1\r\n");
    writeBytes(path, original);
    SettingsStore store(path);
    store.writeString(QStringLiteral("S"), QStringLiteral("k"), QString(8192, QLatin1Char('x')));

    // A file size limit makes the writing of the new text fail part way, root or not.
    rlimit previous = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &previous) == 0);
    rlimit limited = previous;
    limited.rlim_cur = 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const bool flushed = store.flush();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!flushed);
    QVERIFY(store.errorText().contains(path));
    QCOMPARE(readBytes(path), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{Ovf});

    // The values stay in memory and a later save succeeds.
    QVERIFY(store.flush());
    QCOMPARE(SettingsStore(path).readString(QStringLiteral("S"), QStringLiteral("k"), QString()),
             QString(8192, QLatin1Char('x')));
}

void TestSettingsStore::saveThroughReadOnlyFolder()
{
    QTemporaryDir base;
    QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
    const QString folder = base.filePath(QStringLiteral("cfg"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = QDir(folder).filePath(Ovf);
    writeBytes(path, "[S]\r\nk=old\r\n[Other]\r\nx=1\r\n");
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    QVERIFY(Unprivileged::handOver(path));
    QVERIFY(Unprivileged::handOver(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);

    bool flushed = false;
    QString error;
    {
        Unprivileged as;
        if (!as.ok())
            QSKIP("cannot drop root privileges to make a folder read-only");
        SettingsStore store(path);
        QVERIFY(store.ok());
        store.writeString(QStringLiteral("s"), QStringLiteral("K"), QStringLiteral("new"));
        flushed = store.flush();
        error = store.errorText();
    }
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QVERIFY2(flushed, qPrintable(error));
    QCOMPARE(readBytes(path), QByteArray("[S]\r\nk=new\r\n\r\n[Other]\r\nx=1\r\n\r\n"));
    QCOMPARE(modeOf(path), 0640u);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{Ovf});
}

void TestSettingsStore::unwritableTarget_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("folder under a file") << QStringLiteral("under file");
    QTest::newRow("missing folder") << QStringLiteral("missing folder");
    QTest::newRow("read-only file in a read-only folder") << QStringLiteral("read-only");
}

void TestSettingsStore::unwritableTarget()
{
    QFETCH(QString, kind);

    QTemporaryDir base;
    QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
    QString path;
    QByteArray original;
    if (kind == QStringLiteral("under file")) {
        writeBytes(base.filePath(QStringLiteral("plain")), "x");
        path = base.filePath(QStringLiteral("plain/Orvela.ovf"));
    } else if (kind == QStringLiteral("missing folder")) {
        path = base.filePath(QStringLiteral("nowhere/Orvela.ovf"));
    } else {
        const QString folder = base.filePath(QStringLiteral("cfg"));
        QVERIFY(QDir().mkdir(folder));
        path = QDir(folder).filePath(Ovf);
        original = "[S]\r\nk=old\r\n";
        writeBytes(path, original);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0440) == 0);
        QVERIFY(Unprivileged::handOver(path));
        QVERIFY(Unprivileged::handOver(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    }

    bool flushed = true;
    bool loaded = false;
    QString error;
    {
        Unprivileged as;
        if (!original.isEmpty() && !as.ok())
            QSKIP("cannot drop root privileges to make a file read-only");
        SettingsStore store(path);
        loaded = store.ok();
        store.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new"));
        flushed = store.flush();
        error = store.errorText();
    }
    if (!original.isEmpty())
        QVERIFY(::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0755) == 0);
    QVERIFY(loaded);
    QVERIFY(!flushed);
    QVERIFY(error.contains(path));
    if (!original.isEmpty())
        QCOMPARE(readBytes(path), original);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
