// The "Print Preview" dialog driven through its widgets on the offscreen platform: the margin
// rules, "Reset &Margins", margins dragged in the preview, proportional margins, the detail
// slider, the ways of closing it, the page arithmetic, and the "Print" command of the main
// window. The printer list is the system's: the rules that need a printer skip without one,
// and the registration test_graph_preview_no_printer runs everything against no printer at all.

#include "gui/app/frm_main.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/graph_preview.h"
#include "gui/graphs/graph_preview_panel.h"
#include "gui/graphs/graph_print.h"
#include "gui/live/live_position.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"
#include "text_literal.h"

#include <qwt_plot_curve.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <optional>

using namespace orvela;
using orvela::test::operator""_q;
using orvela::test::RecordingPrompter;

namespace {

enum class Entry
{
    Typed, // typed over the field's text, then the field is left
    ArrowUp,
    ArrowDown
};

enum class Closing
{
    Escape,
    Enter,
    CloseButton
};

enum class Edge
{
    Left,
    Top,
    Right,
    Bottom
};

// The printer the rules use: the test queue when the test script set one up, else the system's
// default or first printer. None when no printer is installed.
std::optional<QString> TestPrinter()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty())
        return std::nullopt;
    const QString wanted = qEnvironmentVariable("ORVELA_TEST_PRINTER");
    if (names.contains(wanted))
        return wanted;
    const QString fallback = QPrinterInfo::defaultPrinterName();
    return names.contains(fallback) ? fallback : names.front();
}

void UsePrinter(const QString& name, QPageLayout::Orientation orientation)
{
    CurrentPrinter().setPrinterName(name);
    CurrentPrinter().setPageOrientation(orientation);
}

PrintSettings FixedMargins(const PrintMargins& margins = {10, 10, 10, 10})
{
    PrintSettings settings;
    settings.margins = margins;
    settings.proportional = false;
    return settings;
}

// A chart of the size it has on the "Graph Data" tab, with fixed print settings.
struct Chart
{
    GraphChart chart{2};
    explicit Chart(const PrintSettings& settings = FixedMargins())
    {
        chart.resize(440, 300);
        chart.series()->setTitle("STN1.AIR TEMP"_q);
        chart.setValueAxisTitle("AIR TEMP (C)"_q);
        chart.printSettings() = settings;
    }
    const PrintMargins& margins() const { return chart.printSettings().margins; }
};

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The dialog on screen and active, so that fields take the focus and lose it.
struct Preview
{
    TGraphPreview dialog;
    explicit Preview(GraphChart* chart)
    {
        dialog.setNavigatorKind(NavigatorKind::ChartPages);
        dialog.TeePreviewPanel1->setChart(chart);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }
    bool active() { return QTest::qWaitForWindowActive(&dialog); }
    QList<int> fields() const
    {
        return {dialog.SELeftMa->value(), dialog.SETopMa->value(), dialog.SERightMa->value(),
                dialog.SEBotMa->value()};
    }
};

QList<int> AsList(const PrintMargins& m)
{
    return {m.left, m.top, m.right, m.bottom};
}

void Enter(QSpinBox* field, int value, Entry how)
{
    switch (how) {
    case Entry::Typed:
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::number(value));
        // Leaving the field completes the entry (Enter would close the dialog).
        QTest::keyClick(field, Qt::Key_Tab);
        break;
    case Entry::ArrowUp:
        QTest::keyClick(field, Qt::Key_Up);
        break;
    case Entry::ArrowDown:
        QTest::keyClick(field, Qt::Key_Down);
        break;
    }
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at.toPoint()), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Drags one margin line of the preview by `distance` pixels (inwards is positive).
void DragMargin(PreviewPanel* panel, Edge edge, double distance)
{
    const QRectF inside = panel->marginRect();
    QPointF from;
    QPointF step;
    switch (edge) {
    case Edge::Left:
        from = {inside.left(), inside.center().y()};
        step = {distance, 0.0};
        break;
    case Edge::Right:
        from = {inside.right(), inside.center().y()};
        step = {-distance, 0.0};
        break;
    case Edge::Top:
        from = {inside.center().x(), inside.top()};
        step = {0.0, distance};
        break;
    case Edge::Bottom:
        from = {inside.center().x(), inside.bottom()};
        step = {0.0, -distance};
        break;
    }
    SendMouse(panel, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(panel, QEvent::MouseMove, from + step / 2.0, Qt::LeftButton);
    SendMouse(panel, QEvent::MouseMove, from + step, Qt::LeftButton);
    SendMouse(panel, QEvent::MouseButtonRelease, from + step, Qt::NoButton);
}

// The smallest rectangle holding every pixel of `image` inside `area` that is not white.
QRect InkBounds(const QImage& image, const QRect& area)
{
    int left = area.right() + 1, top = area.bottom() + 1, right = area.left() - 1,
        bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < left ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Answers the next modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        answer(QApplication::activeModalWidget());
    });
}

void Close(TGraphPreview& dialog, Closing how)
{
    switch (how) {
    case Closing::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    case Closing::Enter:
        // Enter in a margin field completes the entry and then closes, as anywhere else.
        QTest::keyClick(dialog.SETopMa, Qt::Key_Return);
        break;
    case Closing::CloseButton:
        QTest::mouseClick(dialog.BClose, Qt::LeftButton);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Closing)
Q_DECLARE_METATYPE(Edge)
Q_DECLARE_METATYPE(orvela::PrintMargins)

class TestGraphPreview : public QObject
{
    Q_OBJECT

private slots:
    void proportionalArithmetic_data();
    void proportionalArithmetic();
    void marginRect();
    void creation();
    void oppositeMargins_data();
    void oppositeMargins();
    void resetMargins_data();
    void resetMargins();
    void dragMargin_data();
    void dragMargin();
    void dragStopsShortOfOpposite();
    void proportionalRecomputed();
    void printerSetup();
    void detailSlider_data();
    void detailSlider();
    void settingsStay();
    void previewDrawsInsideMargins_data();
    void previewDrawsInsideMargins();
    void noPrinter();
    void printFailure();
    void closeWithoutPrinting_data();
    void closeWithoutPrinting();
    void print1Click_data();
    void print1Click();
    void print1ClickOnlyOnGraphs();
};

void TestGraphPreview::proportionalArithmetic_data()
{
    QTest::addColumn<QSizeF>("chart");
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<PrintMargins>("margins");
    const QSizeF a4(595.0, 842.0);
    const QSizeF a4Landscape(842.0, 595.0);
    // 476 wide: 357 high of 842 leaves 242.5 above and below, 28.8 percent.
    QTest::newRow("wide chart on portrait paper")
        << QSizeF(440, 330) << a4 << PrintMargins{10, 29, 10, 29};
    // 476 high: 635 wide of 842 leaves 103.7 on each side, 12.3 percent.
    QTest::newRow("wide chart on landscape paper")
        << QSizeF(440, 330) << a4Landscape << PrintMargins{12, 10, 12, 10};
    QTest::newRow("the paper's own shape keeps the border")
        << a4 << a4 << PrintMargins{10, 10, 10, 10};
    QTest::newRow("a sliver stops short of half the page")
        << QSizeF(1, 5000) << a4 << PrintMargins{49, 10, 49, 10};
    QTest::newRow("a chart without size keeps the border")
        << QSizeF(0, 0) << a4 << PrintMargins{10, 10, 10, 10};
}

void TestGraphPreview::proportionalArithmetic()
{
    QFETCH(QSizeF, chart);
    QFETCH(QSizeF, paper);
    QFETCH(PrintMargins, margins);
    const PrintMargins got = ProportionalMargins(chart, paper);
    QCOMPARE(AsList(got), AsList(margins));
    QVERIFY(MarginsFit(got));
}

void TestGraphPreview::marginRect()
{
    const QRectF inside = MarginRect(QSizeF(200, 100), {10, 20, 30, 5});
    QCOMPARE(inside, QRectF(QPointF(20, 20), QPointF(140, 95)));
    QVERIFY(MarginsFit({0, 0, 99, 99}));
    QVERIFY(!MarginsFit({50, 0, 50, 0}));
    QVERIFY(!MarginsFit({0, 40, 0, 60}));
    QVERIFY(!MarginsFit({-5, 0, 0, 0}));
}

// Before it is shown the dialog holds its initial state; showing fills it from the chart.
void TestGraphPreview::creation()
{
    Chart graph(FixedMargins({5, 15, 25, 35}));
    graph.chart.printSettings().resolution = -30;
    TGraphPreview dialog;
    QCOMPARE(dialog.windowTitle(), "Print Preview"_q);
    QVERIFY(dialog.UpdatingMargins());
    QVERIFY(!dialog.UpdatingProportional());
    QCOMPARE(dialog.printerSetupDialog() != nullptr, TestPrinter().has_value());
    QVERIFY(!dialog.BReset->isEnabled());
    QVERIFY(dialog.ShowMargins->isChecked());
    QVERIFY(dialog.CBProp->isChecked());
    QCOMPARE(dialog.Resolution->value(), 99);
    QCOMPARE(dialog.SETopMa->value(), 0);
    QVERIFY(dialog.BClose->isDefault());
    QVERIFY(!dialog.pageNavigator());

    dialog.setNavigatorKind(NavigatorKind::ChartPages);
    dialog.TeePreviewPanel1->setChart(&graph.chart);
    dialog.show();
    QVERIFY(!dialog.UpdatingMargins());
    QCOMPARE(dialog.SELeftMa->value(), 5);
    QCOMPARE(dialog.SETopMa->value(), 15);
    QCOMPARE(dialog.SERightMa->value(), 25);
    QCOMPARE(dialog.SEBotMa->value(), 35);
    QCOMPARE(AsList(dialog.SavedMargins()), (QList<int>{5, 15, 25, 35}));
    QVERIFY(!dialog.CBProp->isChecked());
    QCOMPARE(dialog.Resolution->value(), 70);
    QVERIFY(dialog.pageNavigator());
    QCOMPARE(dialog.pageNavigator()->pageCount(), 1);
    QVERIFY(!dialog.pageNavigator()->nextButton()->isEnabled());
    QVERIFY(dialog.width() >= TGraphPreview::ClientWidth);
    QVERIFY(dialog.height() >= TGraphPreview::ClientHeight);
}

void TestGraphPreview::oppositeMargins_data()
{
    QTest::addColumn<PrintMargins>("start");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<Entry>("how");
    QTest::addColumn<PrintMargins>("after"); // the chart's margins and the fields
    const Entry typed = Entry::Typed;
    QTest::newRow("top 40 refuses bottom 60")
        << PrintMargins{10, 40, 10, 10} << "SEBotMa" << 60 << typed << PrintMargins{10, 40, 10, 10};
    QTest::newRow("top 40 accepts bottom 55")
        << PrintMargins{10, 40, 10, 10} << "SEBotMa" << 55 << typed << PrintMargins{10, 40, 10, 55};
    QTest::newRow("bottom 55 refuses top 45")
        << PrintMargins{10, 10, 10, 55} << "SETopMa" << 45 << typed << PrintMargins{10, 10, 10, 55};
    QTest::newRow("left 30 refuses right 70") << PrintMargins{30, 10, 20, 10} << "SERightMa" << 70
                                              << typed << PrintMargins{30, 10, 20, 10};
    QTest::newRow("right 20 accepts left 79") << PrintMargins{30, 10, 20, 10} << "SELeftMa" << 79
                                              << typed << PrintMargins{79, 10, 20, 10};
    QTest::newRow("an arrow to 100 against 0 is refused")
        << PrintMargins{95, 10, 0, 10} << "SELeftMa" << 100 << Entry::ArrowUp
        << PrintMargins{95, 10, 0, 10};
    QTest::newRow("an arrow steps by 5") << PrintMargins{10, 10, 10, 10} << "SERightMa" << 15
                                         << Entry::ArrowUp << PrintMargins{10, 10, 15, 10};
    QTest::newRow("and stops at 0") << PrintMargins{0, 10, 10, 10} << "SELeftMa" << 0
                                    << Entry::ArrowDown << PrintMargins{0, 10, 10, 10};
}

// Opposite margins always add up to less than 100 percent: a refused entry shows the margin's
// previous value again and changes nothing else.
void TestGraphPreview::oppositeMargins()
{
    QFETCH(PrintMargins, start);
    QFETCH(QString, field);
    QFETCH(int, value);
    QFETCH(Entry, how);
    QFETCH(PrintMargins, after);
    Chart graph(FixedMargins(start));
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    auto* box = preview.dialog.findChild<QSpinBox*>(field);
    QVERIFY(box);
    Enter(box, value, how);
    QCOMPARE(AsList(graph.margins()), AsList(after));
    QCOMPARE(preview.fields(), AsList(after));
    const bool changed = after != start;
    QCOMPARE(preview.dialog.BReset->isEnabled(), changed);
    QVERIFY(preview.dialog.isVisible());
}

void TestGraphPreview::resetMargins_data()
{
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<Entry>("how");
    QTest::newRow("typed, fixed margins") << false << Entry::Typed;
    QTest::newRow("arrow, fixed margins") << false << Entry::ArrowUp;
    QTest::newRow("typed, proportional margins") << true << Entry::Typed;
}

// A margin changed by hand unchecks "Proport&ional" and enables "Reset &Margins" while the
// margins differ from the saved ones; the reset brings them back and disables itself.
void TestGraphPreview::resetMargins()
{
    QFETCH(bool, proportional);
    QFETCH(Entry, how);
    if (proportional && !TestPrinter())
        QSKIP("proportional margins are computed only for an installed printer");
    if (const auto printer = TestPrinter())
        UsePrinter(*printer, QPageLayout::Portrait);
    Chart graph(FixedMargins({20, 20, 20, 20}));
    graph.chart.printSettings().proportional = proportional;
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    TGraphPreview& dialog = preview.dialog;
    const PrintMargins saved = dialog.SavedMargins();
    QCOMPARE(AsList(graph.margins()), AsList(saved));
    QCOMPARE(dialog.CBProp->isChecked(), proportional);
    QVERIFY(!dialog.BReset->isEnabled());

    Enter(dialog.SETopMa, saved.top + 5, how);
    QCOMPARE(graph.margins().top, saved.top + 5);
    QVERIFY(dialog.BReset->isEnabled());
    QVERIFY(!dialog.CBProp->isChecked());
    QVERIFY(!graph.chart.printSettings().proportional);
    QCOMPARE(AsList(dialog.SavedMargins()), AsList(saved));

    // Back to the saved value by hand: nothing left to reset.
    Enter(dialog.SETopMa, saved.top, Entry::Typed);
    QVERIFY(!dialog.BReset->isEnabled());

    Enter(dialog.SELeftMa, saved.left + 10, Entry::Typed);
    Enter(dialog.SEBotMa, saved.bottom + 5, Entry::Typed);
    QVERIFY(dialog.BReset->isEnabled());
    QTest::mouseClick(dialog.BReset, Qt::LeftButton);
    QCOMPARE(AsList(graph.margins()), AsList(saved));
    QCOMPARE(preview.fields(), AsList(saved));
    QVERIFY(!dialog.BReset->isEnabled());
    QVERIFY(!dialog.CBProp->isChecked());
}

void TestGraphPreview::dragMargin_data()
{
    QTest::addColumn<Edge>("edge");
    QTest::addColumn<bool>("proportional");
    QTest::newRow("left") << Edge::Left << false;
    QTest::newRow("top") << Edge::Top << false;
    QTest::newRow("right") << Edge::Right << false;
    QTest::newRow("bottom, proportional on") << Edge::Bottom << true;
}

// A margin line dragged in the preview updates the four fields and unchecks "Proport&ional",
// without enabling "Reset &Margins".
void TestGraphPreview::dragMargin()
{
    QFETCH(Edge, edge);
    QFETCH(bool, proportional);
    if (const auto printer = TestPrinter())
        UsePrinter(*printer, QPageLayout::Portrait);
    Chart graph(FixedMargins({20, 20, 20, 20}));
    graph.chart.printSettings().proportional = proportional;
    Preview preview(&graph.chart);
    TGraphPreview& dialog = preview.dialog;
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const PrintMargins before = graph.margins();
    QVERIFY(!dialog.TeePreviewPanel1->marginRect().isEmpty());

    DragMargin(dialog.TeePreviewPanel1, edge, 30.0);
    const PrintMargins after = graph.margins();
    QVERIFY(after != before);
    QCOMPARE(preview.fields(), AsList(after));
    const QList<int> b = AsList(before);
    const QList<int> a = AsList(after);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(a.at(i) > b.at(i), i == int(edge));
    QVERIFY(!dialog.CBProp->isChecked());
    QVERIFY(!graph.chart.printSettings().proportional);
    QVERIFY(!dialog.BReset->isEnabled());
    QVERIFY(!dialog.UpdatingMargins());
    QVERIFY(!dialog.UpdatingProportional());
    // The saved margins are still the ones "Reset &Margins" brings back.
    QCOMPARE(AsList(dialog.SavedMargins()), b);

    // Hidden margin lines cannot be taken.
    QTest::mouseClick(dialog.ShowMargins, Qt::LeftButton);
    QVERIFY(!dialog.TeePreviewPanel1->showMargins());
    DragMargin(dialog.TeePreviewPanel1, edge, 30.0);
    QCOMPARE(AsList(graph.margins()), a);
}

void TestGraphPreview::dragStopsShortOfOpposite()
{
    Chart graph(FixedMargins({10, 10, 30, 10}));
    Preview preview(&graph.chart);
    QVERIFY(QTest::qWaitForWindowExposed(&preview.dialog));
    DragMargin(preview.dialog.TeePreviewPanel1, Edge::Left, 2000.0);
    QCOMPARE(graph.margins().left, 69);
    QCOMPARE(preview.dialog.SELeftMa->value(), 69);
    DragMargin(preview.dialog.TeePreviewPanel1, Edge::Top, -2000.0);
    QCOMPARE(graph.margins().top, 0);
}

// With "Proport&ional" checked the margins follow the page: computed for portrait paper, again
// for landscape paper, and again when the box is checked after a change by hand. Each time they
// become the saved margins.
void TestGraphPreview::proportionalRecomputed()
{
    const auto printer = TestPrinter();
    if (!printer)
        QSKIP("no printer installed: orientation is unavailable");
    UsePrinter(*printer, QPageLayout::Portrait);
    PrintSettings settings = FixedMargins();
    settings.proportional = true;
    Chart graph(settings);
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    TGraphPreview& dialog = preview.dialog;
    QVERIFY(dialog.rbPortrait->isChecked());
    const QSizeF chartSize(graph.chart.size());
    const QSizeF portrait = PaperSizePoints(CurrentPrinter());
    QVERIFY(portrait.height() > portrait.width());
    const PrintMargins forPortrait = ProportionalMargins(chartSize, portrait);
    QCOMPARE(AsList(graph.margins()), AsList(forPortrait));
    QCOMPARE(preview.fields(), AsList(forPortrait));

    QTest::mouseClick(dialog.rbLandscape, Qt::LeftButton);
    QCOMPARE(CurrentPrinter().pageLayout().orientation(), QPageLayout::Landscape);
    const PrintMargins forLandscape = ProportionalMargins(chartSize, portrait.transposed());
    QVERIFY(forLandscape != forPortrait);
    QCOMPARE(AsList(graph.margins()), AsList(forLandscape));
    QCOMPARE(preview.fields(), AsList(forLandscape));
    QCOMPARE(AsList(dialog.SavedMargins()), AsList(forLandscape));

    Enter(dialog.SERightMa, forLandscape.right + 20, Entry::Typed);
    QVERIFY(!dialog.CBProp->isChecked());
    QVERIFY(dialog.BReset->isEnabled());
    // Orientation without proportions keeps the margins as they are.
    QTest::mouseClick(dialog.rbPortrait, Qt::LeftButton);
    QCOMPARE(graph.margins().right, forLandscape.right + 20);
    QTest::mouseClick(dialog.CBProp, Qt::LeftButton);
    QVERIFY(graph.chart.printSettings().proportional);
    QCOMPARE(AsList(graph.margins()), AsList(forPortrait));
    QCOMPARE(AsList(dialog.SavedMargins()), AsList(forPortrait));
    QVERIFY(!dialog.BReset->isEnabled());
}

// A landscape page chosen in the system's page setup shows in the dialog and recomputes the
// proportional margins.
void TestGraphPreview::printerSetup()
{
    const auto printer = TestPrinter();
    if (!printer)
        QSKIP("no printer installed: printer setup is unavailable");
    UsePrinter(*printer, QPageLayout::Portrait);
    PrintSettings settings = FixedMargins();
    settings.proportional = true;
    Chart graph(settings);
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    TGraphPreview& dialog = preview.dialog;
    QVERIFY(dialog.BSetupPrinter->isEnabled());
    bool answered = false;
    WhenModal([&answered](QWidget* modal) {
        auto* setup = qobject_cast<QPageSetupDialog*>(modal);
        QVERIFY(setup);
        auto* landscape = setup->findChild<QRadioButton*>("landscape"_q);
        QVERIFY(landscape);
        landscape->click();
        setup->accept();
        answered = true;
    });
    QTest::mouseClick(dialog.BSetupPrinter, Qt::LeftButton);
    QVERIFY(answered);
    QCOMPARE(CurrentPrinter().pageLayout().orientation(), QPageLayout::Landscape);
    QVERIFY(dialog.rbLandscape->isChecked());
    QCOMPARE(
        AsList(graph.margins()),
        AsList(ProportionalMargins(QSizeF(graph.chart.size()), PaperSizePoints(CurrentPrinter()))));
    QCOMPARE(dialog.CBPrinters->currentText(), *printer);
    UsePrinter(*printer, QPageLayout::Portrait);
}

void TestGraphPreview::detailSlider_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("resolution");
    QTest::newRow("fully left is the most detail") << int(Qt::Key_Home) << -100;
    QTest::newRow("fully right is normal") << int(Qt::Key_End) << 0;
    QTest::newRow("one step left") << int(Qt::Key_Left) << -32;
}

void TestGraphPreview::detailSlider()
{
    QFETCH(int, key);
    QFETCH(int, resolution);
    Chart graph;
    graph.chart.printSettings().resolution = -30;
    Preview preview(&graph.chart);
    QCOMPARE(preview.dialog.Resolution->value(), 70);
    QTest::keyClick(preview.dialog.Resolution, static_cast<Qt::Key>(key));
    QCOMPARE(graph.chart.printSettings().resolution, resolution);
}

// What the dialog changed stays with the chart and the printer, and a later preview starts
// from it.
void TestGraphPreview::settingsStay()
{
    const auto printer = TestPrinter();
    Chart graph(FixedMargins({10, 10, 10, 10}));
    {
        if (printer)
            UsePrinter(*printer, QPageLayout::Portrait);
        Preview preview(&graph.chart);
        QVERIFY(preview.active());
        Enter(preview.dialog.SELeftMa, 25, Entry::Typed);
        QTest::keyClick(preview.dialog.Resolution, Qt::Key_Home);
        if (printer)
            QTest::mouseClick(preview.dialog.rbLandscape, Qt::LeftButton);
        QTest::mouseClick(preview.dialog.BClose, Qt::LeftButton);
    }
    Preview again(&graph.chart);
    QCOMPARE(again.fields(), (QList<int>{25, 10, 10, 10}));
    QCOMPARE(again.dialog.Resolution->value(), 0);
    QVERIFY(!again.dialog.CBProp->isChecked());
    if (printer) {
        QVERIFY(again.dialog.rbLandscape->isChecked());
        UsePrinter(*printer, QPageLayout::Portrait);
    }
}

void TestGraphPreview::previewDrawsInsideMargins_data()
{
    QTest::addColumn<PrintMargins>("margins");
    QTest::addColumn<int>("resolution");
    QTest::newRow("even margins") << PrintMargins{10, 10, 10, 10} << 0;
    QTest::newRow("uneven margins, most detail") << PrintMargins{5, 30, 25, 15} << -100;
}

// The preview draws the chart on the paper exactly inside the margin lines; a picture of the
// dialog is kept next to the test for looking at.
void TestGraphPreview::previewDrawsInsideMargins()
{
    QFETCH(PrintMargins, margins);
    QFETCH(int, resolution);
    if (const auto printer = TestPrinter())
        UsePrinter(*printer, QPageLayout::Landscape);
    Chart graph(FixedMargins(margins));
    graph.chart.printSettings().resolution = resolution;
    Preview preview(&graph.chart);
    QVERIFY(QTest::qWaitForWindowExposed(&preview.dialog));
    PreviewPanel* panel = preview.dialog.TeePreviewPanel1;
    const QRect paper = panel->paperRect().toRect();
    const QRectF inside = panel->marginRect();
    QVERIFY(!paper.isEmpty());

    panel->setShowMargins(false);
    const QImage picture = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect ink = InkBounds(picture, paper.adjusted(1, 1, -1, -1));
    QVERIFY(!ink.isEmpty());
    QVERIFY2(std::abs(ink.left() - inside.left()) <= 2 && std::abs(ink.top() - inside.top()) <= 2 &&
                 std::abs(ink.right() + 1 - inside.right()) <= 2 &&
                 std::abs(ink.bottom() + 1 - inside.bottom()) <= 2,
             qPrintable(QStringLiteral("drawn %1,%2 %3x%4 for margins at %5,%6 %7x%8")
                            .arg(ink.x())
                            .arg(ink.y())
                            .arg(ink.width())
                            .arg(ink.height())
                            .arg(inside.x())
                            .arg(inside.y())
                            .arg(inside.width())
                            .arg(inside.height())));
    panel->setShowMargins(true);
    const QString name = "print-preview-"_q +
                         QString::fromLatin1(QTest::currentDataTag())
                             .replace(QLatin1Char(' '), QLatin1Char('-'))
                             .remove(QLatin1Char(',')) +
                         ".png"_q;
    QVERIFY(preview.dialog.grab().save(name));
    if (const auto printer = TestPrinter())
        UsePrinter(*printer, QPageLayout::Portrait);
}

// No printer installed: the list is empty, printing, setup and orientation are unavailable,
// and margins, detail and proportions still work on the preview.
void TestGraphPreview::noPrinter()
{
    if (TestPrinter())
        QSKIP("a printer is installed; test_graph_preview_no_printer runs this without one");
    Chart graph(FixedMargins({20, 20, 20, 20}));
    graph.chart.printSettings().proportional = true;
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    TGraphPreview& dialog = preview.dialog;
    QCOMPARE(dialog.CBPrinters->count(), 0);
    QVERIFY(!dialog.BPrint->isEnabled());
    QVERIFY(!dialog.BSetupPrinter->isEnabled());
    QVERIFY(!dialog.Orientation->isEnabled());
    QVERIFY(!dialog.rbPortrait->isChecked() && !dialog.rbLandscape->isChecked());
    QVERIFY(dialog.GBMargins->isEnabled());
    QVERIFY(dialog.Resolution->isEnabled());
    QVERIFY(dialog.CBProp->isEnabled());
    // Without a page to compute them for, proportional margins stay as they were.
    QVERIFY(dialog.CBProp->isChecked());
    QCOMPARE(preview.fields(), (QList<int>{20, 20, 20, 20}));
    QVERIFY(!dialog.TeePreviewPanel1->paperRect().isEmpty());

    Enter(dialog.SEBotMa, 30, Entry::Typed);
    QCOMPARE(graph.margins().bottom, 30);
    QVERIFY(!dialog.CBProp->isChecked());
    QVERIFY(dialog.BReset->isEnabled());
    QTest::mouseClick(dialog.BReset, Qt::LeftButton);
    QCOMPARE(graph.margins().bottom, 20);
    DragMargin(dialog.TeePreviewPanel1, Edge::Left, 20.0);
    QVERIFY(graph.margins().left > 20);
    QTest::keyClick(dialog.Resolution, Qt::Key_Home);
    QCOMPARE(graph.chart.printSettings().resolution, -100);
    QTest::mouseClick(dialog.CBProp, Qt::LeftButton);
    QVERIFY(graph.chart.printSettings().proportional);
    // The print command does nothing without a printer, whatever reaches it.
    dialog.BPrintClick();
    QVERIFY(dialog.isVisible());
}

// A printer that cannot take the job: the error box shows, the hourglass is gone, and the
// dialog stays open.
void TestGraphPreview::printFailure()
{
    const auto printer = TestPrinter();
    if (!printer)
        QSKIP("no printer installed: printing is unavailable");
    UsePrinter(*printer, QPageLayout::Portrait);
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    Chart graph;
    Preview preview(&graph.chart);
    QVERIFY(preview.active());
    QTemporaryDir folder;
    // Output to a file in a folder that does not exist: the printer refuses to start.
    CurrentPrinter().setOutputFileName(folder.filePath("missing/graph.pdf"_q));
    QTest::mouseClick(preview.dialog.BPrint, Qt::LeftButton);
    CurrentPrinter().setOutputFileName(QString());
    UsePrinter(*printer, QPageLayout::Portrait);
    QCOMPARE(prompter.boxes.size(), 1);
    QCOMPARE(prompter.boxes.front().icon, BoxIcon::Error);
    QVERIFY(prompter.boxes.front().text.startsWith("The graph could not be printed on "_q));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(preview.dialog.isVisible());
}

void TestGraphPreview::closeWithoutPrinting_data()
{
    QTest::addColumn<Closing>("how");
    QTest::newRow("Esc") << Closing::Escape;
    QTest::newRow("Enter") << Closing::Enter;
    QTest::newRow("Close") << Closing::CloseButton;
}

// Esc, Enter and "Close" close the dialog without printing: it ends rejected and the printer
// never started a job. (The printing test shows that no job reaches the queue.)
void TestGraphPreview::closeWithoutPrinting()
{
    QFETCH(Closing, how);
    Chart graph;
    int shown = 0;
    WhenModal([how, &shown](QWidget* modal) {
        auto* dialog = qobject_cast<TGraphPreview*>(modal);
        QVERIFY(dialog);
        ++shown;
        QApplication::setActiveWindow(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        Close(*dialog, how);
    });
    TGraphPreview dialog;
    dialog.TeePreviewPanel1->setChart(&graph.chart);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(shown, 1);
    QCOMPARE(CurrentPrinter().printerState(), QPrinter::Idle);
}

// "Print" on a graph's popup menu previews that graph in a dialog of its own, and the graph is
// drawn again afterwards.
void TestGraphPreview::print1Click_data()
{
    QTest::addColumn<Closing>("how");
    QTest::newRow("closed with Esc") << Closing::Escape;
    QTest::newRow("closed with Close") << Closing::CloseButton;
}

void TestGraphPreview::print1Click()
{
    QFETCH(Closing, how);
    QTemporaryDir folder;
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    TfrmLog log;
    TfrmMain window(folder.filePath("Orvela.ovf"_q), log);
    window.show();
    window.Tabs()->setCurrentIndex(1);
    GraphChart* chart = window.graphPosition(3)->chart();
    QVERIFY(QTest::qWaitForWindowExposed(chart->canvas()));
    PaintCounter counter;
    chart->canvas()->installEventFilter(&counter);
    window.OnObjectMouseDown(chart, Qt::RightButton);
    QCOMPARE(window.popupTarget(), chart);

    GraphChart* previewed = nullptr;
    bool navigator = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TGraphPreview*>(modal);
        QVERIFY(dialog);
        QVERIFY(!dialog->parent());
        previewed = dialog->TeePreviewPanel1->chart();
        navigator = dialog->pageNavigator() != nullptr;
        QApplication::processEvents();
        counter.paints = 0;
        QApplication::setActiveWindow(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        Close(*dialog, how);
    });
    window.Print1Click();
    QCOMPARE(previewed, chart);
    QVERIFY(navigator);
    QTRY_VERIFY(counter.paints > 0);
}

void TestGraphPreview::print1ClickOnlyOnGraphs()
{
    QTemporaryDir folder;
    RecordingPrompter prompter;
    const ScopedPrompter scoped(prompter);
    TfrmLog log;
    TfrmMain window(folder.filePath("Orvela.ovf"_q), log);
    bool shown = false;
    // A wrong dialog would block here; it is closed and counted instead.
    QTimer guard;
    connect(&guard, &QTimer::timeout, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = true;
            modal->close();
        }
    });
    guard.start(50);
    window.Print1Click();
    window.OnObjectMouseDown(window.livePosition(1)->display(), Qt::RightButton);
    window.Print1Click();
    window.OnObjectMouseDown(window.graphPosition(1)->chart(), Qt::LeftButton);
    window.Print1Click();
    QTest::qWait(120);
    QVERIFY(!shown);
}

QTEST_MAIN(TestGraphPreview)
#include "test_graph_preview.moc"
