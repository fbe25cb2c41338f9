// Saves of the configuration file meeting faults for real: a process killed at random moments
// while it saves a 5 MB and a 1 KB file, and a full disk (a tiny tmpfs), each where the folder
// takes new files and where only the file itself may be written. The number of kills per case
// comes from ORVELA_SAVE_KILLS (a few by default, to keep the run short).

#include "core/config/settings_file.h"
#include "core/config/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using orvela::SettingsStore;

namespace {

constexpr uid_t Nobody = 65534;
const QString Ovf = QStringLiteral("Orvela.ovf");
const QString Section = QStringLiteral("Application");
const QString Key = QStringLiteral("Title");

// The two titles a save loop writes in turn; of different lengths, so the text after them
// shifts and a save in place rewrites nearly all of a file.
QString titleOf(unsigned round)
{
    return round % 2 == 0 ? QStringLiteral("North mast") : QStringLiteral("South mast, pier 4");
}

// A file of `size` bytes whose first key is the one the loop changes.
QByteArray fileOfSize(int size)
{
    QByteArray bytes = "[Application]\r\nTitle=" + titleOf(1).toUtf8() + "\r\n\r\n[Data]\r\n";
    for (int n = 0; bytes.size() < size; ++n)
        bytes += "Key" + QByteArray::number(n) + "=" + QByteArray(40, char('a' + n % 26)) + "\r\n";
    return bytes;
}

// The bytes a save of round `round` leaves.
QByteArray savedBytes(const QByteArray& file, unsigned round)
{
    SettingsStore store = SettingsStore::fromBytes(file);
    store.writeString(Section, Key, titleOf(round));
    return store.toBytes();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool chownTo(const QString& path, uid_t user)
{
    return ::chown(QFile::encodeName(path).constData(), user, user) == 0;
}

// The child's part: saves the file again and again, one byte on standard output after each.
int saveLoop(const char* path)
{
    SettingsStore store(QString::fromLocal8Bit(path));
    if (!store.ok())
        return 3;
    for (unsigned round = 0;; ++round) {
        store.writeString(Section, Key, titleOf(round));
        if (!store.flush()) {
            const QByteArray error = store.errorText().toLocal8Bit() + '\n';
            [[maybe_unused]] const auto said =
                ::write(2, error.constData(), static_cast<std::size_t>(error.size()));
            return 4;
        }
        if (::write(1, "s", 1) != 1)
            return 5;
    }
}

// A tmpfs of a few pages, where a save runs out of space. Needs root with CAP_SYS_ADMIN.
class TinyDisk
{
public:
    explicit TinyDisk(int kilobytes)
    {
        m_mounted =
            m_base.isValid() &&
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=%1k,mode=0755").arg(kilobytes),
                               QStringLiteral("tmpfs"), m_base.path()}) == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_base.path()});
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool isValid() const { return m_mounted; }
    QString path() const { return m_base.path(); }

private:
    QTemporaryDir m_base;
    bool m_mounted = false;
};

// Runs `part` as the unprivileged account, in a child process, where a folder's permissions
// refuse new files even to a test that runs as root. The exit code of `part`, or -1.
template <typename Part> int asNobody(Part part)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
            ::_exit(99);
        ::_exit(part());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The user's data folder, where a save in place keeps its journal: one of the test's own,
// writable by the account the saves run as, for as long as this lives.
class DataHome
{
public:
    DataHome()
    {
        m_ready = m_dir.isValid() &&
                  ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0 &&
                  chownTo(m_dir.path(), Nobody);
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
    }
    ~DataHome() { qunsetenv("XDG_DATA_HOME"); }
    DataHome(const DataHome&) = delete;
    DataHome& operator=(const DataHome&) = delete;

    bool isValid() const { return m_ready; }
    QStringList journals() const
    {
        return QDir(m_dir.filePath(QStringLiteral("orvela/unfinished-saves")))
            .entryList(QDir::Files | QDir::Hidden);
    }

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
};

// What a kill left: the old or the new file, or a damaged one.
struct KillCounts
{
    int intact = 0;
    int loadsIntact = 0; // other bytes, but loads as the old or the new file does
    int empty = 0;
    int cutShort = 0; // a beginning of either file, or shorter than both
    int mixed = 0;    // neither, at full length
    int strayFiles = 0;
    int notSaving = 0;      // the loop had failed before the kill
    int finishedByRead = 0; // a save in place that the next read finished from its journal
};

bool waitForByte(int fd, int milliseconds)
{
    pollfd wait = {fd, POLLIN, 0};
    if (::poll(&wait, 1, milliseconds) != 1)
        return false;
    char byte = 0;
    return ::read(fd, &byte, 1) == 1;
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    void killDuringSave_data();
    void killDuringSave();
    void rewriteCutOff_data();
    void rewriteCutOff();
    void fullDisk_data();
    void fullDisk();

private:
    QString m_self;
};

void TestSaveFaults::killDuringSave_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("folderWritable");

    QTest::newRow("5 MB, writable folder") << 5 * 1024 * 1024 << true;
    // A write in place that spans pages of the file can be divided by a kill: the next read
    // finishes it.
    QTest::newRow("5 MB, read-only folder") << 5 * 1024 * 1024 << false;
    QTest::newRow("1 KB, writable folder") << 1024 << true;
    QTest::newRow("1 KB, read-only folder") << 1024 << false;
}

void TestSaveFaults::killDuringSave()
{
    QFETCH(int, size);
    QFETCH(bool, folderWritable);
    if (::geteuid() != 0)
        QSKIP("needs root to run the saving loop as another account");
    const int kills = qEnvironmentVariableIntValue("ORVELA_SAVE_KILLS") > 0
                          ? qEnvironmentVariableIntValue("ORVELA_SAVE_KILLS")
                          : 6;

    QTemporaryDir base;
    QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
    const QString folder = base.filePath(QStringLiteral("cfg"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = QDir(folder).filePath(Ovf);
    // The loop runs as nobody: a folder of its own takes new files, root's refuses them.
    if (folderWritable)
        QVERIFY(chownTo(folder, Nobody));
    const DataHome data;
    QVERIFY(data.isValid());

    const QByteArray start = fileOfSize(size);
    const QByteArray even = savedBytes(start, 0);
    const QByteArray odd = savedBytes(start, 1);
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray target = QFile::encodeName(path);

    KillCounts counts;
    qint64 cycle = 0; // nanoseconds of one save, measured by the first run
    for (int run = 0; run < kills; ++run) {
        QVERIFY(writeFile(path, start));
        QVERIFY(chownTo(path, Nobody));
        int pipeEnds[2];
        QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(pipeEnds[1], 1);
            if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(99);
            ::execl(self.constData(), self.constData(), "--save-loop", target.constData(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        QVERIFY(pid > 0);
        bool saving = waitForByte(pipeEnds[0], 20000);
        if (saving && cycle == 0) {
            QElapsedTimer timer;
            timer.start();
            saving = waitForByte(pipeEnds[0], 20000);
            cycle = std::max<qint64>(timer.nsecsElapsed(), 1000);
        }
        if (saving) {
            const auto delay = static_cast<qint64>(
                QRandomGenerator::global()->bounded(static_cast<double>(cycle)));
            std::this_thread::sleep_for(std::chrono::nanoseconds(delay));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(pipeEnds[0]);
        if (!saving) {
            ++counts.notSaving;
            continue;
        }

        const QByteArray raw = readFile(path);
        // As the next start reads it.
        QByteArray left;
        QString problem;
        QCOMPARE(orvela::ReadSettingsFile(path, left, problem), orvela::SettingsFileRead::Read);
        QCOMPARE(readFile(path), left);
        QCOMPARE(data.journals(), QStringList());
        if (raw != left)
            ++counts.finishedByRead;
        const QByteArray loaded = SettingsStore::fromBytes(left).toBytes();
        if (left == even || left == odd)
            ++counts.intact;
        else if (loaded == even || loaded == odd)
            ++counts.loadsIntact;
        else if (left.isEmpty())
            ++counts.empty;
        else if (left.size() < std::min(even.size(), odd.size()) || even.startsWith(left) ||
                 odd.startsWith(left))
            ++counts.cutShort;
        else
            ++counts.mixed;
    }
    const auto strays = [&folder] {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(Ovf);
        return names;
    };
    counts.strayFiles = static_cast<int>(strays().size());
    qInfo("%d kills at random moments of a %.1f ms save: %d intact, %d loading as intact, "
          "%d empty, %d cut short, %d mixed, %d stray files, %d not saving; %d finished by "
          "the next read",
          kills, static_cast<double>(cycle) / 1e6, counts.intact, counts.loadsIntact, counts.empty,
          counts.cutShort, counts.mixed, counts.strayFiles, counts.notSaving,
          counts.finishedByRead);
    QCOMPARE(counts.notSaving, 0);
    QCOMPARE(counts.empty, 0);
    QCOMPARE(counts.cutShort, 0);
    // A kill in the instant between naming the new file and renaming it leaves that file; the
    // next save removes any such file once it is clearly no save in progress.
    if (counts.strayFiles > 0) {
        const timeval longAgo[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
        for (const QString& stray : strays())
            QVERIFY(::utimes(QFile::encodeName(QDir(folder).filePath(stray)).constData(),
                             longAgo) == 0);
        QCOMPARE(asNobody([&] {
                     SettingsStore store(path);
                     store.writeString(Section, Key, QStringLiteral("Harbour"));
                     return store.flush() ? 0 : 1;
                 }),
                 0);
        QCOMPARE(strays(), QStringList());
    }
    if (folderWritable)
        QCOMPARE(counts.loadsIntact, 0); // the rename is one step
    QCOMPARE(counts.mixed, 0);
}

void TestSaveFaults::rewriteCutOff_data()
{
    QTest::addColumn<bool>("editedSince");

    QTest::newRow("the next read finishes the save") << false;
    QTest::newRow("an edit since wins over the journal") << true;
}

// A save in place killed at a chosen moment: after the new text is written, before the file is
// cut to its length (so it still ends in the empty lines that stood in for the old text's room).
void TestSaveFaults::rewriteCutOff()
{
    QFETCH(bool, editedSince);
    if (::geteuid() != 0)
        QSKIP("needs root to run the save as another account");
    QTemporaryDir base;
    QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
    const QString folder = base.filePath(QStringLiteral("cfg"));
    QVERIFY(QDir().mkdir(folder));
    const DataHome data;
    QVERIFY(data.isValid());
    const QString path = QDir(folder).filePath(Ovf);
    const QByteArray start = fileOfSize(64 * 1024);
    const QByteArray saved = savedBytes(start, 0); // shorter: the loop's first title
    QVERIFY(writeFile(path, start) && chownTo(path, Nobody));

    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray target = QFile::encodeName(path);
    const int traced = asNobody([&] {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // A bounded run: where the injection does not take, the loop would save for ever.
        ::execlp("timeout", "timeout", "-s", "KILL", "30", "strace", "-f", "-o", "/dev/null", "-e",
                 "trace=ftruncate", "-e", "inject=ftruncate:signal=KILL:when=1", self.constData(),
                 "--save-loop", target.constData(), static_cast<char*>(nullptr));
        return 127;
    });
    const QByteArray raw = readFile(path);
    if (traced == 127 || raw == start)
        QSKIP("strace cannot stop a process here");
    QVERIFY(raw != saved);
    QVERIFY(raw.startsWith(saved));
    QCOMPARE(data.journals().size(), 1);

    QByteArray expected = saved;
    if (editedSince) {
        expected = "[Application]\r\nTitle=Edited by hand\r\n";
        QVERIFY(writeFile(path, expected));
    }
    QByteArray read;
    QString problem;
    QString notice;
    QCOMPARE(orvela::ReadSettingsFile(path, read, problem, &notice),
             orvela::SettingsFileRead::Read);
    QCOMPARE(read, expected);
    QVERIFY2(notice.contains(path) && notice.contains(editedSince ? "changed since" : "finished"),
             qPrintable(notice));
    QCOMPARE(readFile(path), expected);
    QCOMPARE(data.journals(), QStringList());
}

void TestSaveFaults::fullDisk_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("sparse");
    QTest::addColumn<QString>("said");

    // The new text needs more room than the disk has left.
    QTest::newRow("writable folder") << true << false << "the file was left as it was";
    QTest::newRow("read-only folder, the file grows")
        << false << false << "the file was left as it was";
    // A file with a hole needs new room even where the new text overwrites the old.
    QTest::newRow("read-only folder, the file is rewritten over a hole")
        << false << true << "its previous content was put back";
}

void TestSaveFaults::fullDisk()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, sparse);
    QFETCH(QString, said);

    TinyDisk disk(128);
    if (!disk.isValid())
        QSKIP("cannot mount a tmpfs here (needs root)");
    const DataHome data;
    QVERIFY(data.isValid());
    const QString folder = QDir(disk.path()).filePath(QStringLiteral("cfg"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = QDir(folder).filePath(Ovf);
    QByteArray original = "[Application]\r\nTitle=North\r\n";
    QVERIFY(writeFile(path, original));
    if (sparse) {
        // 256 KB of which only the first page takes room; the zero bytes read as empty lines.
        QVERIFY(::truncate(QFile::encodeName(path).constData(), 256 * 1024) == 0);
        original.append(QByteArray(256 * 1024 - original.size(), '\0'));
    }
    QVERIFY(chownTo(path, Nobody));
    if (folderWritable)
        QVERIFY(chownTo(folder, Nobody));

    const QString title(200 * 1024, QLatin1Char('x'));
    const int saved = asNobody([&] {
        SettingsStore store(path);
        store.writeString(Section, Key, title);
        if (store.flush())
            return 0;
        return store.errorText().contains(path) && store.errorText().contains(said) ? 1 : 2;
    });
    QCOMPARE(saved, 1); // failed, and said so in the expected words
    QCOMPARE(readFile(path), original);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{Ovf});
    QCOMPARE(data.journals(), QStringList());
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--save-loop") == 0)
        return saveLoop(argv[2]);
    QCoreApplication app(argc, argv);
    TestSaveFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_save_faults.moc"
