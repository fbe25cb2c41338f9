#include "core/db/password_scrambler.h"
#include "support/format_scan.h"
#include "support/latin1.h"
#include "support/station_time.h"

#include <QtTest>

#include <algorithm>
#include <climits>
#include <vector>

using namespace orvela;

namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

std::u16string T(const QString& s)
{
    return s.toStdU16String();
}

QString Q(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}

QByteArray Bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

QByteArray Scramble(const TEncrypt& scrambler, const QByteArray& clear)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(clear.size()));
    scrambler.ScrambleBuffer(reinterpret_cast<const std::uint8_t*>(clear.constData()), out.data(),
                             clear.size());
    return Bytes(out.data(), out.size());
}

QByteArray Unscramble(const TEncrypt& scrambler, const QByteArray& scrambled)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(scrambled.size()));
    scrambler.UnscrambleBuffer(reinterpret_cast<const std::uint8_t*>(scrambled.constData()),
                               out.data(), scrambled.size());
    return Bytes(out.data(), out.size());
}

QByteArray ClearBlock(const PasswordBlock& block)
{
    PasswordBlock clear{};
    TEncrypt().UnscrambleBuffer(block.data(), clear.data(), static_cast<int>(clear.size()));
    return Bytes(clear.data(), clear.size());
}

QByteArray AllByteValues()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    return all;
}

// 2005-03-01 12:00:00, whose "%j" text is "03/01/2005 12:00:00".
constexpr StationTime March1st2005Noon = 636379200;
const QByteArray March1st2005NoonStamp = "03/01/2005 12:00:00";

QByteArray Zeros(int count)
{
    return QByteArray(count, '\0');
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        InitDateTimeTemplates({u'/', u':'});
        SetLocalClock({});
    }
    void cleanupTestCase()
    {
        InitDateTimeTemplates({u'/', u':'});
        SetLocalClock({});
    }

    void toLatin1_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << U("Pass word 1") << QByteArray("Pass word 1");
        QTest::newRow("nul and control characters")
            << QString(QChar(0)) + U("\t\x7f") << QByteArray("\0\t\x7f", 3);
        QTest::newRow("e acute is E9") << U("\xc3\xa9") << QByteArray("\xE9");
        QTest::newRow("y diaeresis is FF") << U("\xc3\xbf") << QByteArray("\xFF");
        QTest::newRow("euro sign becomes ?") << U("a\xe2\x82\xac") << QByteArray("a?");
        QTest::newRow("first character past Latin-1") << QString(QChar(0x100)) << QByteArray("?");
        QTest::newRow("surrogate pair is one ?") << U("x\xf0\x9f\x98\x80y") << QByteArray("x?y");
        QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + U("z") << QByteArray("?z");
        QTest::newRow("lone high surrogate at the end")
            << U("z") + QChar(0xD83D) << QByteArray("z?");
        QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) << QByteArray("?");
        QTest::newRow("two high surrogates then a low one")
            << QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00) << QByteArray("??");
    }
    void toLatin1()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(ToLatin1(T(text))), bytes);
    }

    void fromLatin1EveryByte()
    {
        const QByteArray all = AllByteValues();
        const std::u16string text = FromLatin1(std::string(all.constData(), 256));
        QCOMPARE(text.size(), std::size_t{256});
        for (std::size_t i = 0; i < text.size(); ++i)
            QCOMPARE(static_cast<int>(text[i]), static_cast<int>(i));
        QCOMPARE(QByteArray::fromStdString(ToLatin1(text)), all);
    }

    // Worked from the algorithm: the state starts at 40517 = 0x9E45, so the first byte is
    // masked with 0x9E ("A" 0x41 gives 0xDF), and the state then becomes
    // ((40517 + 0xDF) * 61847 + 27391) mod 65536.
    void scrambleKnownVectors_data()
    {
        QTest::addColumn<QByteArray>("clear");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("const1");
        QTest::addColumn<int>("const2");
        QTest::addColumn<QByteArray>("scrambled");
        QTest::newRow("A") << QByteArray("A") << 40517 << 61847 << 27391
                           << QByteArray::fromHex("df");
        QTest::newRow("AB") << QByteArray("AB") << 40517 << 61847 << 27391
                            << QByteArray::fromHex("df6f");
        QTest::newRow("zero bytes")
            << Zeros(4) << 40517 << 61847 << 27391 << QByteArray::fromHex("9ed53b35");
        QTest::newRow("Orvela") << QByteArray("Orvela") << 40517 << 61847 << 27391
                                << QByteArray::fromHex("d184648ac49f");
        QTest::newRow("key with a zero high byte")
            << QByteArray("A") << 1 << 61847 << 27391 << QByteArray("A");
        QTest::newRow("identity multiplier")
            << QByteArray("AB") << 40517 << 1 << 0 << QByteArray::fromHex("dfdd");
    }
    void scrambleKnownVectors()
    {
        QFETCH(QByteArray, clear);
        QFETCH(int, key);
        QFETCH(int, const1);
        QFETCH(int, const2);
        QFETCH(QByteArray, scrambled);
        TEncrypt scrambler;
        scrambler.key = key;
        scrambler.const1 = const1;
        scrambler.const2 = const2;
        QCOMPARE(Scramble(scrambler, clear), scrambled);
        QCOMPARE(Unscramble(scrambler, scrambled), clear);
    }

    void scrambleRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("every byte value") << AllByteValues();
        QByteArray descending = AllByteValues();
        std::reverse(descending.begin(), descending.end());
        QTest::newRow("every byte value descending") << descending;
        QTest::newRow("zero bytes") << Zeros(300);
        QTest::newRow("FF bytes") << QByteArray(300, '\xFF');
        QTest::newRow("colons") << QByteArray(64, ':');
    }
    void scrambleRoundTrip()
    {
        QFETCH(QByteArray, content);
        const TEncrypt scrambler;
        for (int count = 0; count <= content.size(); ++count) {
            const QByteArray clear = content.left(count);
            const QByteArray scrambled = Scramble(scrambler, clear);
            QCOMPARE(Unscramble(scrambler, scrambled), clear);
            // Every prefix scrambles the same way: a byte depends only on the bytes before it.
            QCOMPARE(scrambled, Scramble(scrambler, content).left(count));
        }
    }

    void scrambleKeepsNoState()
    {
        const TEncrypt scrambler;
        const QByteArray clear("same bytes twice");
        const QByteArray first = Scramble(scrambler, clear);
        QCOMPARE(Scramble(scrambler, clear), first);
        QCOMPARE(Unscramble(scrambler, first), clear);
        QCOMPARE(Unscramble(scrambler, first), clear);

        const TXEncrypt packer;
        const PasswordBlock block = packer.PackPassword(u"pw", March1st2005Noon);
        QCOMPARE(Bytes(packer.PackPassword(u"pw", March1st2005Noon).data(), 30),
                 Bytes(block.data(), 30));
    }

    void unscrambleInPlace()
    {
        const TEncrypt scrambler;
        const QByteArray clear = AllByteValues();
        QByteArray buffer = Scramble(scrambler, clear);
        auto* data = reinterpret_cast<std::uint8_t*>(buffer.data());
        scrambler.UnscrambleBuffer(data, data, buffer.size());
        QCOMPARE(buffer, clear);
    }

    // The settings are 32-bit properties of a 16-bit scrambler: only their low 16 bits count.
    void settingsTakenModulo65536_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("const1");
        QTest::addColumn<int>("const2");
        QTest::newRow("key plus 65536") << 40517 + 65536 << 61847 << 27391;
        QTest::newRow("negative const1") << 40517 << 61847 - 65536 << 27391;
        QTest::newRow("const2 plus a multiple of 65536") << 40517 << 61847 << 27391 + 7 * 65536;
        QTest::newRow("all three negative") << 40517 - 65536 << 61847 - 2 * 65536 << 27391 - 65536;
    }
    void settingsTakenModulo65536()
    {
        QFETCH(int, key);
        QFETCH(int, const1);
        QFETCH(int, const2);
        TEncrypt scrambler;
        scrambler.key = key;
        scrambler.const1 = const1;
        scrambler.const2 = const2;
        const QByteArray clear = AllByteValues();
        QCOMPARE(Scramble(scrambler, clear), Scramble(TEncrypt(), clear));
    }

    void extremeSettings()
    {
        TEncrypt scrambler;
        scrambler.key = INT_MIN;
        scrambler.const1 = INT_MAX;
        scrambler.const2 = -1;
        const QByteArray clear = AllByteValues();
        QCOMPARE(Unscramble(scrambler, Scramble(scrambler, clear)), clear);
    }

    void nonPositiveCountLeavesDestination_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("zero") << 0;
        QTest::newRow("minus one") << -1;
        QTest::newRow("most negative") << INT_MIN;
    }
    void nonPositiveCountLeavesDestination()
    {
        QFETCH(int, count);
        const std::uint8_t source[4] = {1, 2, 3, 4};
        std::uint8_t destination[4] = {9, 9, 9, 9};
        TEncrypt().ScrambleBuffer(source, destination, count);
        QCOMPARE(Bytes(destination, 4), QByteArray("\x09\x09\x09\x09"));
        TEncrypt().UnscrambleBuffer(source, destination, count);
        QCOMPARE(Bytes(destination, 4), QByteArray("\x09\x09\x09\x09"));
    }

    // The clear block and what unpacking gives back, for a stamp of 03/01/2005 12:00:00.
    void packAndUnpack_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("clear");
        QTest::addColumn<QString>("unpackedPassword");
        QTest::addColumn<QString>("unpackedStamp");
        const QByteArray stamp = March1st2005NoonStamp;
        const QString stampText = QString::fromLatin1(stamp);
        QTest::newRow("empty password starts with the colon")
            << QString() << ":" + stamp + Zeros(10) << QString() << stampText;
        QTest::newRow("short password")
            << U("secret") << "secret:" + stamp + Zeros(4) << U("secret") << stampText;
        QTest::newRow("10 characters fill the block exactly")
            << U("0123456789") << "0123456789:" + stamp << U("0123456789") << stampText;
        QTest::newRow("11 characters cut the stamp")
            << U("0123456789a") << "0123456789a:" + stamp.left(18) << U("0123456789a")
            << stampText.left(18);
        QTest::newRow("28 characters keep one stamp character")
            << QString(28, QLatin1Char('p')) << QByteArray(28, 'p') + ":0"
            << QString(28, QLatin1Char('p')) << U("0");
        QTest::newRow("29 characters leave the colon last")
            << QString(29, QLatin1Char('p')) << QByteArray(29, 'p') + ":"
            << QString(29, QLatin1Char('p')) << QString();
        QTest::newRow("30 characters leave no colon")
            << U("abcdefghijklmnopqrstuvwxyz0123") << QByteArray("abcdefghijklmnopqrstuvwxyz0123")
            << QString() << U("abcdefghijklmnopqrs");
        QTest::newRow("45 characters keep their first 30")
            << U("abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHI")
            << QByteArray("abcdefghijklmnopqrstuvwxyz0123") << QString()
            << U("abcdefghijklmnopqrs");
        QTest::newRow("long password with a colon after byte 30")
            << QString(30, QLatin1Char('q')) + U(":x") << QByteArray(30, 'q') << QString()
            << QString(19, QLatin1Char('q'));
        QTest::newRow("colon inside the password") << U("ab:cd") << "ab:cd:" + stamp + Zeros(5)
                                                   << U("ab") << U("cd:") + stampText.left(16);
        QTest::newRow("colon first")
            << U(":x") << ":x:" + stamp + Zeros(8) << QString() << U("x:") + stampText.left(17);
        QTest::newRow("Latin-1 letters are one byte each")
            << U("\xc3\xa9t\xc3\xa9") << "\xE9t\xE9:" + stamp + Zeros(7) << U("\xc3\xa9t\xc3\xa9")
            << stampText;
        QTest::newRow("characters outside Latin-1 read back as ?")
            << U("\xe2\x82\xac\xf0\x9f\x98\x80") << "??:" + stamp + Zeros(8) << U("??")
            << stampText;
        QTest::newRow("nul bytes in the password")
            << QString(2, QChar(0)) << QByteArray(2, '\0') + ":" + stamp + Zeros(8)
            << QString(2, QChar(0)) << stampText;
    }
    void packAndUnpack()
    {
        QFETCH(QString, password);
        QFETCH(QByteArray, clear);
        QFETCH(QString, unpackedPassword);
        QFETCH(QString, unpackedStamp);
        QCOMPARE(clear.size(), 30);

        const TXEncrypt packer;
        const PasswordBlock block = packer.PackPassword(T(password), March1st2005Noon);
        QCOMPARE(ClearBlock(block), clear);
        const UnpackedPassword unpacked = packer.UnpackPassword(block);
        QCOMPARE(Q(unpacked.password), unpackedPassword);
        QCOMPARE(Q(unpacked.stamp), unpackedStamp);

        const std::u16string stored = EncodeStoredPassword(T(password), March1st2005Noon);
        QCOMPARE(Q(DecodeStoredPassword(stored)), unpackedPassword);
    }

    void unpackWithoutColon()
    {
        QByteArray clear("abcdefghijklmnopqrstuvwxyz0123");
        PasswordBlock block{};
        TEncrypt().ScrambleBuffer(reinterpret_cast<const std::uint8_t*>(clear.constData()),
                                  block.data(), 30);
        const UnpackedPassword unpacked = TXEncrypt().UnpackPassword(block);
        QCOMPARE(Q(unpacked.password), QString());
        QCOMPARE(Q(unpacked.stamp), U("abcdefghijklmnopqrs"));
    }

    void stampUsesTheLocaleSeparators()
    {
        InitDateTimeTemplates({u'.', u'-'});
        const UnpackedPassword unpacked =
            TXEncrypt().UnpackPassword(TXEncrypt().PackPassword(u"pw", March1st2005Noon));
        QCOMPARE(Q(unpacked.stamp), U("03.01.2005 12-00-00"));
    }

    void stampOfNowComesFromTheLocalClock()
    {
        SetLocalClock([] { return CivilTime{2005, 3, 1, 12, 0, 0}; });
        const UnpackedPassword unpacked =
            TXEncrypt().UnpackPassword(TXEncrypt().PackPassword(u"pw"));
        QCOMPARE(Q(unpacked.password), U("pw"));
        QCOMPARE(Q(unpacked.stamp), QString::fromLatin1(March1st2005NoonStamp));
        QCOMPARE(Q(EncodeStoredPassword(u"pw")), Q(EncodeStoredPassword(u"pw", March1st2005Noon)));
    }

    void storedFormKnownVectors_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("stamp");
        QTest::addColumn<QString>("stored");
        QTest::newRow("secret") << U("secret") << March1st2005Noon
                                << U("7QYT56mZ3Yqk/N/hCEVT8/tLMDWtjnUBCsLER5aZ");
        QTest::newRow("empty at the epoch")
            << QString() << 0 << U("pE6M+6dQEIIeazj9V3ftqTduE/54PLBiohWcp1qN");
        QTest::newRow("Latin-1 password") << U("\xc3\xa9t\xc3\xa9") << March1st2005Noon
                                          << U("d3OiJcAIIXbtQKEhCvEJ/cHSLV0Rl48AFu/lxxUc");
    }
    void storedFormKnownVectors()
    {
        QFETCH(QString, password);
        QFETCH(int, stamp);
        QFETCH(QString, stored);
        QCOMPARE(Q(EncodeStoredPassword(T(password), stamp)), stored);
        QCOMPARE(Q(DecodeStoredPassword(T(stored))), password);
    }

    void storedFormIs40Base64Characters_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("empty") << QString();
        QTest::newRow("short") << U("x");
        QTest::newRow("29 characters") << QString(29, QLatin1Char('z'));
        QTest::newRow("100 characters") << QString(100, QLatin1Char('z'));
        QTest::newRow("every Latin-1 character") << Q(FromLatin1(AllByteValues().toStdString()));
    }
    void storedFormIs40Base64Characters()
    {
        QFETCH(QString, password);
        for (const StationTime stamp : {0, 1, March1st2005Noon, INT_MAX}) {
            const QString stored = Q(EncodeStoredPassword(T(password), stamp));
            QCOMPARE(stored.size(), 40);
            for (const QChar c : stored)
                QVERIFY2((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('+') ||
                             c == QLatin1Char('/'),
                         qPrintable(stored));
        }
    }

    void storedFormChangesWithTheSecond()
    {
        for (const QString& password : {QString(), U("pw"), U("0123456789")}) {
            const std::u16string first = EncodeStoredPassword(T(password), March1st2005Noon);
            const std::u16string second = EncodeStoredPassword(T(password), March1st2005Noon + 1);
            QVERIFY(first != second);
            QCOMPARE(Q(DecodeStoredPassword(first)), password);
            QCOMPARE(Q(DecodeStoredPassword(second)), password);
        }
    }

    void base64Vectors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
        QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
        QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
        QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
        QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
        QTest::newRow("last two alphabet characters")
            << QByteArray::fromHex("fbff") << QByteArray("+/8=");
        QTest::newRow("every byte value") << AllByteValues() << AllByteValues().toBase64();
    }
    void base64Vectors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, text);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        QCOMPARE(
            QByteArray::fromStdString(Base64Encode(data, static_cast<std::size_t>(bytes.size()))),
            text);
        std::string decoded = "stale";
        QVERIFY(Base64Decode(text.toStdString(), decoded));
        QCOMPARE(QByteArray::fromStdString(decoded), bytes);
    }

    void base64RefusesMalformedText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("length not a multiple of 4") << QByteArray("Zm9");
        QTest::newRow("padding without its group") << QByteArray("Zg=");
        QTest::newRow("three padding characters") << QByteArray("Z===");
        QTest::newRow("four padding characters") << QByteArray("====");
        QTest::newRow("padding before the end") << QByteArray("Zg==Zg==");
        QTest::newRow("padding inside a group") << QByteArray("Z=g=");
        QTest::newRow("unused bits set under one =") << QByteArray("Zm9=");
        QTest::newRow("unused bits set under two =") << QByteArray("Zh==");
        QTest::newRow("URL-safe alphabet") << QByteArray("-_8=");
        QTest::newRow("line break") << QByteArray("Zm9v\nZm9v");
        QTest::newRow("trailing space") << QByteArray("Zm9v ");
        QTest::newRow("nul character") << QByteArray("Zm9\0", 4);
        QTest::newRow("8-bit character") << QByteArray("Zm9\xE9");
    }
    void base64RefusesMalformedText()
    {
        QFETCH(QByteArray, text);
        std::string decoded = "stale";
        QVERIFY(!Base64Decode(std::string(text.constData(), static_cast<std::size_t>(text.size())),
                              decoded));
        QVERIFY(decoded.empty());
    }

    // A value that is not the stored form of a 30-byte block reads back as no password.
    void decodeStoredPasswordOfBadValues_data()
    {
        QTest::addColumn<QString>("stored");
        const QString good = Q(EncodeStoredPassword(u"pw", March1st2005Noon));
        QTest::newRow("empty") << QString();
        QTest::newRow("not base64") << U("not a stored password!");
        QTest::newRow("clear password") << U("pw");
        QTest::newRow("29 bytes") << QString::fromLatin1(QByteArray(29, 'x').toBase64());
        QTest::newRow("31 bytes") << QString::fromLatin1(QByteArray(31, 'x').toBase64());
        QTest::newRow("one character short") << good.left(39);
        QTest::newRow("one character more") << good + U("A");
        QTest::newRow("trailing line break") << good + U("\n");
        QTest::newRow("leading space") << U(" ") + good;
        QTest::newRow("non-ASCII character") << good.left(39) + U("\xc3\xa9");
        QTest::newRow("character that narrows to a base64 letter") << good.left(39) + QChar(0x141);
    }
    void decodeStoredPasswordOfBadValues()
    {
        QFETCH(QString, stored);
        QCOMPARE(Q(DecodeStoredPassword(T(stored))), QString());
    }
};

QTEST_APPLESS_MAIN(TestPassword)
#include "test_password.moc"
