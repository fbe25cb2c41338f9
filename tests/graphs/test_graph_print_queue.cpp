// Printing a graph through the "Print Preview" dialog on a real printer queue: the CUPS PDF
// queue that scripts/test.sh sets up with scripts/cups.sh and names in ORVELA_TEST_PRINTER.
// Each printed PDF is read back with the poppler tools: one page, the orientation chosen, and
// the graph drawn exactly inside the margins. Without ORVELA_TEST_PRINTER the test skips.

#include "graph_test_support.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_preview.h"
#include "gui/graphs/graph_preview_panel.h"
#include "gui/graphs/graph_print.h"
#include "gui/graphs/reading_series.h"
#include "recording_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTransform>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace orvela;
using namespace orvela::test;

namespace {

// How long a job may take from the queue to its PDF file.
constexpr int JobDeadlineMs = 90000;
constexpr int ToolDeadlineMs = 30000;
constexpr int RasterDpi = 60;
constexpr double Pi = 3.14159265358979323846;

const CivilTime Now{2005, 3, 2, 14, 0, 0};

struct PdfFacts
{
    int pages = 0;
    double width = 0.0; // points, as displayed (rotation applied)
    double height = 0.0;
};

// Runs a tool to its end within a deadline; false with `error` set otherwise.
bool Run(const QString& program, const QStringList& arguments, QByteArray& output, QString& error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(ToolDeadlineMs)) {
        process.kill();
        process.waitForFinished(1000);
        error = program + QStringLiteral(" did not finish: ") + process.errorString();
        return false;
    }
    output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = program + QStringLiteral(" failed: ") +
                QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

bool ReadPdf(const QString& path, PdfFacts& facts, QString& error)
{
    QByteArray output;
    if (!Run(QStringLiteral("pdfinfo"), {path}, output, error))
        return false;
    const QString text = QString::fromLocal8Bit(output);
    const auto number = [&text](const QString& pattern) {
        const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(text);
    facts.pages = static_cast<int>(number(QStringLiteral("Pages:\\s+(\\d+)")));
    const double rotation = number(QStringLiteral("Page rot:\\s+(\\d+)"));
    if (!size.hasMatch() || facts.pages < 0) {
        error = QStringLiteral("pdfinfo said: ") + text;
        return false;
    }
    facts.width = size.captured(1).toDouble();
    facts.height = size.captured(2).toDouble();
    if (std::fmod(std::max(rotation, 0.0), 180.0) == 90.0)
        std::swap(facts.width, facts.height);
    return true;
}

QStringList PdfFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

// Waits for a PDF file that was not in `before` and that is complete (pdfinfo reads it and its
// size has settled). Empty when the deadline passes first.
QString WaitForNewPdf(const QString& folder, const QStringList& before)
{
    QElapsedTimer clock;
    clock.start();
    qint64 lastSize = -1;
    QString candidate;
    while (clock.elapsed() < JobDeadlineMs) {
        for (const QString& name : PdfFiles(folder))
            if (!before.contains(name)) {
                candidate = QDir(folder).filePath(name);
                break;
            }
        if (!candidate.isEmpty()) {
            const qint64 size = QFileInfo(candidate).size();
            PdfFacts facts;
            QString error;
            if (size > 0 && size == lastSize && ReadPdf(candidate, facts, error))
                return candidate;
            lastSize = size;
        }
        QTest::qWait(250);
    }
    return {};
}

// The smallest rectangle holding every pixel that is not (nearly) white.
QRect InkBounds(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) < 245 || qGreen(p) < 245 || qBlue(p) < 245) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The printed sheet turned so that its content is upright. A landscape page may come out on a
// portrait sheet, its content turned a quarter with its top to the sheet's left, as a printer
// feeding portrait paper prints it.
QImage Upright(const QImage& sheet, bool landscape)
{
    if (landscape && sheet.height() > sheet.width())
        return sheet.transformed(QTransform().rotate(90.0));
    return sheet;
}

// The topmost row showing the legend's colour (its gradient starts at RGB(170, 213, 213)).
int LegendTop(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - 170) < 20 && std::abs(qGreen(p) - 213) < 20 &&
                std::abs(qBlue(p) - 213) < 20)
                return y;
        }
    return -1;
}

void TypeMargin(QSpinBox* field, int value)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::number(value));
    QTest::keyClick(field, Qt::Key_Tab);
}

} // namespace

Q_DECLARE_METATYPE(orvela::PrintMargins)

class TestGraphPrintQueue : public QObject
{
    Q_OBJECT

private:
    QString m_printer;
    QString m_pdfFolder;
    std::unique_ptr<EngineFixture> m_fx;
    Connection m_connection;
    std::unique_ptr<GraphChart> m_chart;
    std::unique_ptr<FixedClock> m_clock;

    // The dialog on the chart with the test queue chosen, on screen and active.
    std::unique_ptr<TGraphPreview> OpenPreview()
    {
        auto dialog = std::make_unique<TGraphPreview>();
        dialog->setNavigatorKind(NavigatorKind::ChartPages);
        dialog->TeePreviewPanel1->setChart(m_chart.get());
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        if (!QTest::qWaitForWindowActive(dialog.get()))
            return nullptr;
        const int index = dialog->CBPrinters->findText(m_printer);
        if (index < 0)
            return nullptr;
        dialog->CBPrinters->setCurrentIndex(index);
        dialog->CBPrintersChange();
        return dialog;
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void printToQueue_data();
    void printToQueue();
    void closingPrintsNothing();
};

void TestGraphPrintQueue::initTestCase()
{
    m_printer = qEnvironmentVariable("ORVELA_TEST_PRINTER");
    m_pdfFolder = qEnvironmentVariable("ORVELA_TEST_PDF_DIR");
    if (m_printer.isEmpty())
        QSKIP("ORVELA_TEST_PRINTER is not set: scripts/test.sh sets it to the PDF queue that "
              "scripts/cups.sh adds (with CUPS_SERVER and ORVELA_TEST_PDF_DIR)");
    QVERIFY2(!m_pdfFolder.isEmpty(), "ORVELA_TEST_PDF_DIR must name the queue's PDF folder");
    QVERIFY2(QPrinterInfo::availablePrinterNames().contains(m_printer),
             qPrintable(QStringLiteral("the queue %1 is not installed (CUPS_SERVER=%2)")
                            .arg(m_printer, qEnvironmentVariable("CUPS_SERVER"))));
    for (const char* tool : {"pdfinfo", "pdftoppm"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 "poppler-utils is needed to read the printed PDF back");

    // A day of readings, so the page shows a curve, its legend and both axes.
    m_fx = std::make_unique<EngineFixture>();
    QVERIFY2(m_fx->Available(Engine::SQLite), qPrintable(m_fx->SkipReason(Engine::SQLite)));
    QVERIFY2(m_fx->CreateTables(Engine::SQLite), qPrintable(m_fx->LastError()));
    std::vector<TestReading> readings;
    for (int step = 0; step <= 144; ++step) {
        const int minutes = step * 10;
        const double value =
            8.0 + 6.0 * std::sin(step / 144.0 * 2.0 * Pi) + 0.5 * std::sin(step * 0.7);
        readings.push_back({2005, 3, 1, 14 + minutes / 60, minutes % 60, 0, value});
    }
    for (TestReading& r : readings)
        if (r.hour >= 24) {
            r.hour -= 24;
            r.day += 1;
        }
    QVERIFY2(m_fx->InsertReadings(Engine::SQLite, "STN1"_q, "AIR TEMP"_q, readings),
             qPrintable(m_fx->LastError()));
    QVERIFY(m_connection.Open(*m_fx, Engine::SQLite, "print-queue"_q));
    m_clock = std::make_unique<FixedClock>(Now);
    m_chart = std::make_unique<GraphChart>(1);
    m_chart->resize(440, 300);
    m_chart->setValueAxisTitle("AIR TEMP (C)"_q);
    m_chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_chart.get()));
    EventPump pump;
    QVERIFY(m_chart->LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *m_connection.queries, pump));
    QCOMPARE(m_chart->readings().count(), 145);
}

void TestGraphPrintQueue::cleanupTestCase()
{
    m_chart.reset();
    m_clock.reset();
    m_connection.queries.reset();
    m_connection.database.reset();
    m_fx.reset();
}

void TestGraphPrintQueue::printToQueue_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<PrintMargins>("typed"); // when not proportional
    QTest::addColumn<bool>("moreDetail");
    QTest::newRow("portrait, uneven margins")
        << false << false << PrintMargins{10, 15, 20, 25} << false;
    QTest::newRow("landscape, proportional") << true << true << PrintMargins{} << false;
    QTest::newRow("landscape, most detail") << true << false << PrintMargins{5, 5, 5, 5} << true;
    QTest::newRow("portrait, proportional") << false << true << PrintMargins{} << false;
}

void TestGraphPrintQueue::printToQueue()
{
    QFETCH(bool, landscape);
    QFETCH(bool, proportional);
    QFETCH(PrintMargins, typed);
    QFETCH(bool, moreDetail);
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    m_chart->printSettings() = PrintSettings{};
    m_chart->printSettings().proportional = proportional;
    const std::unique_ptr<TGraphPreview> dialog = OpenPreview();
    QVERIFY(dialog);
    QTest::mouseClick(landscape ? dialog->rbLandscape : dialog->rbPortrait, Qt::LeftButton);
    QCOMPARE(CurrentPrinter().pageLayout().orientation(),
             landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QCOMPARE(dialog->CBProp->isChecked(), proportional);
    if (!proportional) {
        TypeMargin(dialog->SELeftMa, typed.left);
        TypeMargin(dialog->SETopMa, typed.top);
        TypeMargin(dialog->SERightMa, typed.right);
        TypeMargin(dialog->SEBotMa, typed.bottom);
        QCOMPARE(m_chart->printSettings().margins, typed);
    }
    if (moreDetail)
        QTest::keyClick(dialog->Resolution, Qt::Key_Home);
    const PrintMargins margins = m_chart->printSettings().margins;

    const QStringList before = PdfFiles(m_pdfFolder);
    QTest::mouseClick(dialog->BPrint, Qt::LeftButton);
    QVERIFY2(prompter.boxes.isEmpty(), qPrintable(prompter.texts().join(QLatin1Char('\n'))));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));

    const QString pdf = WaitForNewPdf(m_pdfFolder, before);
    QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("no PDF reached %1 within %2 s")
                                            .arg(m_pdfFolder)
                                            .arg(JobDeadlineMs / 1000)));
    PdfFacts facts;
    QString error;
    QVERIFY2(ReadPdf(pdf, facts, error), qPrintable(error));
    QCOMPARE(facts.pages, 1);

    // The page as an image; the graph fills exactly the rectangle inside the margins.
    QTemporaryDir raster;
    const QString stem = raster.filePath("page"_q);
    QByteArray output;
    QVERIFY2(Run("pdftoppm"_q,
                 {"-r"_q, QString::number(RasterDpi), "-png"_q, "-singlefile"_q, pdf, stem}, output,
                 error),
             qPrintable(error));
    const QImage sheet(stem + ".png"_q);
    QVERIFY(!sheet.isNull());
    QCOMPARE(sheet.width() > sheet.height(), facts.width > facts.height);
    const QImage page = Upright(sheet, landscape);
    QCOMPARE(page.width() > page.height(), landscape);
    const QRectF inside = MarginRect(QSizeF(page.size()), margins);
    const QRect ink = InkBounds(page);
    QVERIFY(!ink.isEmpty());
    const double slack = 2.0 + 0.005 * std::max(page.width(), page.height());
    QVERIFY2(std::fabs(ink.left() - inside.left()) <= slack &&
                 std::fabs(ink.top() - inside.top()) <= slack &&
                 std::fabs(ink.right() + 1 - inside.right()) <= slack &&
                 std::fabs(ink.bottom() + 1 - inside.bottom()) <= slack,
             qPrintable(QStringLiteral("graph at %1,%2 to %3,%4; margins at %5,%6 to %7,%8")
                            .arg(ink.left())
                            .arg(ink.top())
                            .arg(ink.right() + 1)
                            .arg(ink.bottom() + 1)
                            .arg(inside.left())
                            .arg(inside.top())
                            .arg(inside.right())
                            .arg(inside.bottom())));
    // Upright means the legend is at the top of the graph.
    const int legend = LegendTop(page);
    QVERIFY2(legend >= ink.top() && legend < ink.top() + ink.height() / 8,
             qPrintable(QStringLiteral("legend at row %1 of the graph's %2 to %3")
                            .arg(legend)
                            .arg(ink.top())
                            .arg(ink.bottom())));
    // The upright page stays beside the test binary for looking at.
    const QString keep = "printed-"_q +
                         QString::fromLatin1(QTest::currentDataTag())
                             .remove(QLatin1Char(','))
                             .replace(QLatin1Char(' '), QLatin1Char('-')) +
                         ".png"_q;
    QVERIFY(page.save(keep));
}

// Esc, Enter and "Close" send nothing to the queue: after them one print makes exactly one PDF.
void TestGraphPrintQueue::closingPrintsNothing()
{
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    m_chart->printSettings() = PrintSettings{};
    const QStringList before = PdfFiles(m_pdfFolder);
    {
        const auto dialog = OpenPreview();
        QVERIFY(dialog);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }
    {
        const auto dialog = OpenPreview();
        QVERIFY(dialog);
        QTest::keyClick(dialog->SELeftMa, Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
    }
    {
        const auto dialog = OpenPreview();
        QVERIFY(dialog);
        QTest::mouseClick(dialog->BClose, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }
    {
        const auto dialog = OpenPreview();
        QVERIFY(dialog);
        QTest::mouseClick(dialog->BPrint, Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
    QVERIFY(!WaitForNewPdf(m_pdfFolder, before).isEmpty());
    // The queue takes jobs in order: anything sent by the closes would have come first.
    QTest::qWait(1500);
    QStringList added = PdfFiles(m_pdfFolder);
    for (const QString& name : before)
        added.removeAll(name);
    QCOMPARE(added.size(), 1);
    QVERIFY(prompter.boxes.isEmpty());
}

QTEST_MAIN(TestGraphPrintQueue)
#include "test_graph_print_queue.moc"
