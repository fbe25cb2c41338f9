// The "Graph Time Range" and "Image File" dialogs driven through their widgets, and the loading
// of station pictures from files of every kind.

#include "dialog_press.h"
#include "gui/graphs/frm_image_file.h"
#include "gui/graphs/frm_time_range.h"
#include "gui/graphs/station_picture.h"
#include "recording_prompter.h"
#include "text_literal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace orvela;
using orvela::test::operator""_q;
using orvela::test::RecordingPrompter;

using orvela::test::Press;

namespace {

const QString Missing = "Image File does not exist."_q;

// A 1 × 1 GIF: the toolkit reads GIF files but does not write them.
const QByteArray TinyGif = QByteArray::fromHex("47494638396101000100800000ffffff0000002c00000000"
                                               "010001000002024401003b");

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QImage Sample()
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 200));
    return image;
}

} // namespace

class TestGraphDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase();
    void timeRange_data();
    void timeRange();
    void timeRangeModal();
    void imageFile_data();
    void imageFile();
    void imageFileBrowse_data();
    void imageFileBrowse();
    void pictureFiles_data();
    void pictureFiles();
    void readableTypes();
    void pictures();
};

void TestGraphDialogs::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(Sample().save(path("site.JPG"_q), "JPG"));
    QVERIFY(Sample().save(path("site.jpg"_q), "JPG"));
    QVERIFY(Sample().save(path("site.jpeg"_q), "JPG"));
    QVERIFY(Sample().save(path("site.png"_q), "PNG"));
    QVERIFY(Sample().save(path("site.bmp"_q), "BMP"));
    QVERIFY(Sample().save(path("site.ico"_q), "ICO"));
    // A PNG under a JPEG name: the content decides.
    QVERIFY(Sample().save(path("really-png.jpg"_q), "PNG"));
    Write(path("site.gif"_q), TinyGif);
    Write(path("site.GIF"_q), TinyGif);
    Write(path("site.pic"_q), "not a picture");
    Write(path("site.PIC"_q), "not a picture");
    Write(path("noextension"_q), "not a picture");
    QFile png(path("site.png"_q));
    QVERIFY(png.open(QIODevice::ReadOnly));
    Write(path("damaged.png"_q), png.read(40));
    Write(path("empty.jpg"_q), QByteArray());
    QVERIFY(QDir().mkpath(path("folder.png"_q)));
}

void TestGraphDialogs::timeRange_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("pick"); // -1: the dialog's own selection is kept
    QTest::addColumn<Press>("press");
    QTest::addColumn<int>("selectedAtShow");
    QTest::addColumn<int>("indexAfter");
    QTest::newRow("shows 24 hours, OK keeps it") << 2 << -1 << Press::Ok << 2 << 2;
    QTest::newRow("10 days") << 2 << 5 << Press::Ok << 2 << 5;
    QTest::newRow("6 hours by the Return key") << 4 << 0 << Press::Return << 4 << 0;
    QTest::newRow("Cancel keeps the index") << 1 << 3 << Press::Cancel << 1 << 1;
    QTest::newRow("Escape cancels") << 1 << 3 << Press::Escape << 1 << 1;
    QTest::newRow("an index of none of the six selects nothing") << 7 << -1 << Press::Ok << -1 << 7;
    QTest::newRow("and a pick then counts") << -1 << 4 << Press::Ok << -1 << 4;
}

void TestGraphDialogs::timeRange()
{
    QFETCH(int, index);
    QFETCH(int, pick);
    QFETCH(Press, press);
    QFETCH(int, selectedAtShow);
    QFETCH(int, indexAfter);
    int caller = index;
    TfrmTimeRange dialog(caller);
    QCOMPARE(dialog.windowTitle(), "Graph Time Range"_q);
    QCOMPARE(dialog.rgpTimeOfData->title(), "Time of Data"_q);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.selectedIndex(), selectedAtShow);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(dialog.rangeButton(i)->text(), TfrmTimeRange::RangeLabels().at(i));
    if (pick >= 0)
        QTest::mouseClick(dialog.rangeButton(pick), Qt::LeftButton);
    PressOn(dialog, press, dialog.btnOK, dialog.btnCancel, dialog.rangeButton(pick));
    QVERIFY(!dialog.isVisible());
    const bool accepted = press == Press::Ok || press == Press::Return;
    QCOMPARE(dialog.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(caller, indexAfter);
}

void TestGraphDialogs::timeRangeModal()
{
    int index = 3;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmTimeRange*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->selectedIndex(), 3);
        dialog->rangeButton(1)->click();
        dialog->btnOK->click();
    });
    TfrmTimeRange dialog(index);
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(index, 1);
}

void TestGraphDialogs::imageFile_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed"); // a null text: nothing typed
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("pathAfter");
    const QString site = m_dir.filePath("site.jpg"_q);
    const QString gif = m_dir.filePath("site.gif"_q);
    QTest::newRow("OK takes an existing file")
        << site << QString() << Press::Ok << QString() << site;
    QTest::newRow("a typed existing file") << site << gif << Press::Ok << QString() << gif;
    QTest::newRow("an empty path is refused")
        << site << QString(""_q) << Press::Ok << Missing << site;
    QTest::newRow("a missing file is refused")
        << site << m_dir.filePath("gone.jpg"_q) << Press::Ok << Missing << site;
    QTest::newRow("a folder is no file")
        << site << m_dir.filePath("folder.png"_q) << Press::Ok << Missing << site;
    QTest::newRow("Cancel keeps the path") << site << gif << Press::Cancel << QString() << site;
    QTest::newRow("Escape too") << site << gif << Press::Escape << QString() << site;
    QTest::newRow("Return presses OK") << ""_q << site << Press::Return << QString() << site;
}

void TestGraphDialogs::imageFile()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(Press, press);
    QFETCH(QString, box);
    QFETCH(QString, pathAfter);
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    QString caller = start;
    TfrmImageFile dialog(caller);
    QCOMPARE(dialog.windowTitle(), "Image File"_q);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.edtImage->text(), start);
    if (!typed.isNull())
        dialog.edtImage->setText(typed);
    PressOn(dialog, press, dialog.btnOK, dialog.btnCancel, dialog.edtImage);
    if (box.isEmpty()) {
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(!dialog.isVisible());
    } else {
        QCOMPARE(prompter.texts(), QStringList{box});
        QCOMPARE(prompter.boxes.front().icon, BoxIcon::Error);
        QVERIFY(dialog.isVisible());
    }
    QCOMPARE(caller, pathAfter);
}

void TestGraphDialogs::imageFileBrowse_data()
{
    QTest::addColumn<QString>("answer"); // what the file dialog returns; empty: cancelled
    QTest::addColumn<QString>("shown");
    const QString site = m_dir.filePath("site.png"_q);
    QTest::newRow("a picked file") << site << site;
    QTest::newRow("a cancelled dialog leaves the box") << QString() << "typed by hand"_q;
    QTest::newRow("a relative answer is made absolute")
        << QDir::current().relativeFilePath(site) << site;
}

void TestGraphDialogs::imageFileBrowse()
{
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    RecordingPrompter prompter;
    prompter.fileAnswers.append(answer);
    const ScopedPrompter scoped(prompter);
    QString caller = m_dir.filePath("site.jpg"_q);
    TfrmImageFile dialog(caller);
    dialog.show();
    dialog.edtImage->setText("typed by hand"_q);
    QTest::mouseClick(dialog.btnBrowse, Qt::LeftButton);
    QCOMPARE(prompter.fileDialogFilters,
             QStringList{"Image Files (*.BMP *.PIC *.IMG *.GIF *.JPG *.TIFF);;All files (*)"_q});
    QCOMPARE(QFileInfo(dialog.edtImage->text()).absoluteFilePath(),
             QFileInfo(shown).absoluteFilePath());
    QCOMPARE(dialog.edtImage->text(), shown);
    QVERIFY(dialog.isVisible());
    QCOMPARE(caller, m_dir.filePath("site.jpg"_q));
}

void TestGraphDialogs::pictureFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error"); // empty: loads; "*" ends a prefix
    QTest::addColumn<QSize>("size");
    const QSize sample(24, 16);
    QTest::newRow("site.jpg") << "site.jpg"_q << QString() << sample;
    QTest::newRow("site.JPG loads like site.jpg") << "site.JPG"_q << QString() << sample;
    QTest::newRow("site.jpeg") << "site.jpeg"_q << QString() << sample;
    QTest::newRow("site.png") << "site.png"_q << QString() << sample;
    QTest::newRow("site.bmp") << "site.bmp"_q << QString() << sample;
    QTest::newRow("site.ico") << "site.ico"_q << QString() << sample;
    QTest::newRow("site.gif loads") << "site.gif"_q << QString() << QSize(1, 1);
    QTest::newRow("site.GIF loads") << "site.GIF"_q << QString() << QSize(1, 1);
    QTest::newRow("PNG content under a JPEG name") << "really-png.jpg"_q << QString() << sample;
    QTest::newRow("site.pic is refused") << "site.pic"_q
                                         << "Unknown picture file extension (.pic)"_q << QSize();
    QTest::newRow("the extension as written")
        << "site.PIC"_q
        << "Unknown picture file extension (.PIC)"_q << QSize();
    QTest::newRow("no extension") << "noextension"_q
                                  << "Unknown picture file extension (.)"_q << QSize();
    QTest::newRow("a damaged PNG") << "damaged.png"_q
                                   << "Cannot read picture file %1: *"_q << QSize();
    QTest::newRow("an empty JPEG") << "empty.jpg"_q
                                   << "Cannot read picture file %1: *"_q << QSize();
    QTest::newRow("a missing file") << "gone.png"_q
                                    << "Cannot read picture file %1: *"_q << QSize();
}

void TestGraphDialogs::pictureFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, error);
    QFETCH(QSize, size);
    const QString file = path(name);
    const PictureFile loaded = LoadPictureFile(file);
    if (error.isEmpty()) {
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.size(), size);
        return;
    }
    QVERIFY(!loaded.ok());
    QVERIFY(loaded.picture.isNull());
    QString expected = error.contains("%1"_q) ? error.arg(QDir::toNativeSeparators(file)) : error;
    if (expected.endsWith(QLatin1Char('*'))) {
        expected.chop(1);
        QVERIFY2(loaded.error.startsWith(expected), qPrintable(loaded.error));
        QVERIFY2(loaded.error.size() > expected.size(), "the reason is missing");
    } else {
        QCOMPARE(loaded.error, expected);
    }
}

void TestGraphDialogs::readableTypes()
{
    const QStringList types = ReadablePictureExtensions();
    for (const char* type : {"bmp", "ico", "jpg", "jpeg", "png", "gif"})
        QVERIFY2(types.contains(QString::fromLatin1(type)), type);
    QVERIFY(!types.contains("pic"_q));
}

// With ORVELA_SHOT_DIR set, the dialogs are kept there as pictures for a look.
void TestGraphDialogs::pictures()
{
    int index = 5;
    TfrmTimeRange range(index);
    range.show();
    QString picture = path("site.jpg"_q);
    TfrmImageFile image(picture);
    image.show();
    QVERIFY(QTest::qWaitForWindowExposed(&image));
    const QString folder = qEnvironmentVariable("ORVELA_SHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(range.grab().save(folder + "/time-range-dialog.png"_q));
        QVERIFY(image.grab().save(folder + "/image-file-dialog.png"_q));
    }
}

QTEST_MAIN(TestGraphDialogs)
#include "test_graph_dialogs.moc"
