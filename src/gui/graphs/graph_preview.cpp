#include "gui/graphs/graph_preview.h"

#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_preview_panel.h"
#include "gui/messages/prompter.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace orvela {
namespace {

constexpr int TopBarHeight = 38;
constexpr int LeftColumnWidth = 112;
constexpr int WholePage = 100;

QSpinBox* MarginField(const char* name, QWidget* parent)
{
    auto* field = new QSpinBox(parent);
    field->setObjectName(QLatin1String(name));
    field->setRange(0, WholePage);
    field->setSingleStep(TGraphPreview::MarginStep);
    field->setValue(0);
    // A typed margin counts once it is complete (field left, Enter, an arrow), not at every
    // keystroke: "55" typed over "10" must not pass through 5 on its way.
    field->setKeyboardTracking(false);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // Enter belongs to "Close", whichever button has the focus.
    button->setAutoDefault(false);
    return button;
}

// The hourglass for as long as it lives, also when printing fails.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Sets a flag for as long as it lives, also when a step in between fails.
class FlagScope
{
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

TGraphPreview::TGraphPreview(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TGraphPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setModal(true);

    auto* topBar = new QWidget(this);
    topBar->setFixedHeight(TopBarHeight);
    Label1 = new QLabel(QStringLiteral("P&rinter:"), topBar);
    Label1->setObjectName(QStringLiteral("Label1"));
    CBPrinters = new QComboBox(topBar);
    CBPrinters->setObjectName(QStringLiteral("CBPrinters"));
    Label1->setBuddy(CBPrinters);
    BSetupPrinter = Button(QStringLiteral("&Setup..."), "BSetupPrinter", topBar);
    BPrint = Button(QStringLiteral("&Print"), "BPrint", topBar);
    BClose = Button(QStringLiteral("Close"), "BClose", topBar);
    BClose->setDefault(true);
    auto* topRow = new QHBoxLayout(topBar);
    topRow->setContentsMargins(6, 4, 6, 4);
    topRow->addWidget(Label1);
    topRow->addWidget(CBPrinters, 1);
    topRow->addWidget(BSetupPrinter);
    topRow->addWidget(BPrint);
    topRow->addWidget(BClose);

    auto* leftColumn = new QWidget(this);
    leftColumn->setObjectName(QStringLiteral("LeftColumn"));
    // The design width, wider when the system's font needs more room for the captions.
    leftColumn->setMinimumWidth(LeftColumnWidth);
    leftColumn->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);

    Orientation = new QGroupBox(QStringLiteral("Orien&tation:"), leftColumn);
    Orientation->setObjectName(QStringLiteral("Orientation"));
    rbPortrait = new QRadioButton(QStringLiteral("P&ortrait"), Orientation);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    rbLandscape = new QRadioButton(QStringLiteral("&Landscape"), Orientation);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    auto* orientations = new QButtonGroup(Orientation);
    orientations->addButton(rbPortrait, 0);
    orientations->addButton(rbLandscape, 1);
    auto* orientationBox = new QVBoxLayout(Orientation);
    orientationBox->setContentsMargins(6, 2, 2, 2);
    orientationBox->setSpacing(0);
    orientationBox->addWidget(rbPortrait);
    orientationBox->addWidget(rbLandscape);

    GBMargins = new QGroupBox(QStringLiteral("Margins (%)"), leftColumn);
    GBMargins->setObjectName(QStringLiteral("GBMargins"));
    SETopMa = MarginField("SETopMa", GBMargins);
    SELeftMa = MarginField("SELeftMa", GBMargins);
    SERightMa = MarginField("SERightMa", GBMargins);
    SEBotMa = MarginField("SEBotMa", GBMargins);
    auto* cross = new QGridLayout(GBMargins);
    cross->setContentsMargins(2, 2, 2, 2);
    cross->setSpacing(2);
    cross->addWidget(SETopMa, 0, 0, 1, 2, Qt::AlignHCenter);
    cross->addWidget(SELeftMa, 1, 0);
    cross->addWidget(SERightMa, 1, 1);
    cross->addWidget(SEBotMa, 2, 0, 1, 2, Qt::AlignHCenter);

    BReset = Button(QStringLiteral("Reset &Margins"), "BReset", leftColumn);
    BReset->setEnabled(false);
    ShowMargins = new QCheckBox(QStringLiteral("&View Margins"), leftColumn);
    ShowMargins->setObjectName(QStringLiteral("ShowMargins"));
    ShowMargins->setChecked(true);

    ChangeDetailGroup = new QGroupBox(QStringLiteral("Detail:"), leftColumn);
    ChangeDetailGroup->setObjectName(QStringLiteral("ChangeDetailGroup"));
    auto* more = new QLabel(QStringLiteral("More"), ChangeDetailGroup);
    auto* normal = new QLabel(QStringLiteral("Normal"), ChangeDetailGroup);
    Resolution = new QSlider(Qt::Horizontal, ChangeDetailGroup);
    Resolution->setObjectName(QStringLiteral("Resolution"));
    Resolution->setRange(0, ResolutionOffset);
    Resolution->setSingleStep(2);
    Resolution->setPageStep(10);
    Resolution->setTickInterval(10);
    Resolution->setTickPosition(QSlider::TicksBelow);
    Resolution->setValue(99);
    auto* detail = new QGridLayout(ChangeDetailGroup);
    detail->setContentsMargins(4, 0, 4, 2);
    detail->setVerticalSpacing(0);
    detail->addWidget(more, 0, 0, Qt::AlignLeft);
    detail->addWidget(normal, 0, 1, Qt::AlignRight);
    detail->addWidget(Resolution, 1, 0, 1, 2);

    CBProp = new QCheckBox(QStringLiteral("Proport&ional"), leftColumn);
    CBProp->setObjectName(QStringLiteral("CBProp"));
    CBProp->setChecked(true);

    auto* column = new QVBoxLayout(leftColumn);
    column->setObjectName(QStringLiteral("LeftColumnLayout"));
    column->setContentsMargins(4, 0, 2, 4);
    column->setSpacing(3);
    column->addWidget(Orientation);
    column->addWidget(GBMargins);
    column->addWidget(BReset);
    column->addWidget(ShowMargins);
    column->addWidget(ChangeDetailGroup);
    column->addWidget(CBProp);
    column->addStretch(1);

    TeePreviewPanel1 = new PreviewPanel(this);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(leftColumn);
    body->addWidget(TeePreviewPanel1, 1);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(topBar);
    window->addLayout(body, 1);
    // The design size, or what the system's font needs.
    resize(minimumSizeHint().expandedTo(QSize(ClientWidth, ClientHeight)));

    connect(CBPrinters, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { CBPrintersChange(); });
    connect(BSetupPrinter, &QPushButton::clicked, this, &TGraphPreview::BSetupPrinterClick);
    connect(BPrint, &QPushButton::clicked, this, &TGraphPreview::BPrintClick);
    connect(BClose, &QPushButton::clicked, this, &TGraphPreview::BCloseClick);
    connect(rbPortrait, &QRadioButton::clicked, this, &TGraphPreview::OrientationClick);
    connect(rbLandscape, &QRadioButton::clicked, this, &TGraphPreview::OrientationClick);
    connect(SETopMa, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TGraphPreview::SETopMaChange);
    connect(SELeftMa, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TGraphPreview::SELeftMaChange);
    connect(SEBotMa, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TGraphPreview::SEBotMaChange);
    connect(SERightMa, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TGraphPreview::SERightMaChange);
    connect(BReset, &QPushButton::clicked, this, &TGraphPreview::BResetClick);
    connect(ShowMargins, &QCheckBox::toggled, this, &TGraphPreview::ShowMarginsClick);
    connect(Resolution, &QSlider::valueChanged, this, &TGraphPreview::TrackBar1Change);
    connect(CBProp, &QCheckBox::toggled, this, &TGraphPreview::CBPropClick);
    connect(TeePreviewPanel1, &PreviewPanel::ChangeMargins, this,
            &TGraphPreview::TeePreviewPanel1ChangeMargins);

    FormCreate();
}

TGraphPreview::~TGraphPreview() = default;

void TGraphPreview::FormCreate()
{
    m_updatingMargins = true;
    m_updatingProportional = false;
    MakePrinterSetupDialog();
}

void TGraphPreview::MakePrinterSetupDialog()
{
    delete m_setupDialog;
    m_setupDialog = nullptr;
    m_setupPrinterName = CurrentPrinter().printerName();
    // The system's setup serves installed printers only; without one it is made when a
    // printer has been installed and chosen.
    if (CurrentPrinter().outputFormat() == QPrinter::NativeFormat)
        m_setupDialog = new QPageSetupDialog(&CurrentPrinter(), this);
}

void TGraphPreview::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

GraphChart* TGraphPreview::chart() const
{
    return TeePreviewPanel1->chart();
}

bool TGraphPreview::hasPrinter() const
{
    return CBPrinters->count() > 0;
}

void TGraphPreview::FillPrinters()
{
    CBPrinters->clear();
    CBPrinters->addItems(QPrinterInfo::availablePrinterNames());
    if (!hasPrinter())
        return;
    QPrinter& printer = CurrentPrinter();
    int index = CBPrinters->findText(printer.printerName());
    if (index < 0) {
        // The current printer has gone (or there never was a default one): the system's
        // default printer, or else the first, takes its place.
        index = std::max(0, CBPrinters->findText(QPrinterInfo::defaultPrinterName()));
        printer.setPrinterName(CBPrinters->itemText(index));
    }
    CBPrinters->setCurrentIndex(index);
}

void TGraphPreview::FormShow()
{
    if (m_navigatorKind == NavigatorKind::ChartPages && !m_navigator) {
        QWidget* column = findChild<QWidget*>(QStringLiteral("LeftColumn"));
        m_navigator = new PageNavigator(column);
        if (auto* layout = qobject_cast<QVBoxLayout*>(column->layout()))
            layout->addWidget(m_navigator);
        connect(m_navigator, &PageNavigator::pageChanged, this, &TGraphPreview::RepaintPreview);
    }
    setCursor(Qt::ArrowCursor);
    FillPrinters();
    if (!hasPrinter()) {
        BPrint->setEnabled(false);
        BSetupPrinter->setEnabled(false);
        Orientation->setEnabled(false);
    } else {
        ShowPrinterOrientation();
    }
    if (GraphChart* graph = chart()) {
        // A chart that goes away (the main window closing) ends the preview.
        connect(graph, &QObject::destroyed, this, &QDialog::reject, Qt::UniqueConnection);
        CBProp->setChecked(graph->printSettings().proportional);
        Resolution->setValue(graph->printSettings().resolution + ResolutionOffset);
        m_savedMargins = graph->printSettings().margins;
        ApplyProportionalMargins();
        if (m_navigator)
            m_navigator->attach(graph);
    } else {
        CBProp->setEnabled(false);
        Resolution->setEnabled(false);
        GBMargins->setEnabled(false);
        BPrint->setEnabled(false);
    }
}

void TGraphPreview::ApplyProportionalMargins()
{
    GraphChart* graph = chart();
    if (!graph)
        return;
    PrintSettings& settings = graph->printSettings();
    if (settings.proportional && hasPrinter()) {
        settings.margins =
            ProportionalMargins(QSizeF(graph->size()), PaperSizePoints(CurrentPrinter()));
        m_savedMargins = settings.margins;
        // The margins are the saved ones now; there is nothing to reset to.
        BReset->setEnabled(false);
    }
    TeePreviewPanel1ChangeMargins(false, settings.margins);
    RepaintPreview();
}

void TGraphPreview::ShowPrinterOrientation()
{
    if (!hasPrinter())
        return;
    const bool landscape = CurrentPrinter().pageLayout().orientation() == QPageLayout::Landscape;
    QRadioButton* matching = landscape ? rbLandscape : rbPortrait;
    if (!matching->isChecked()) {
        matching->setChecked(true);
        OrientationClick();
    }
}

void TGraphPreview::OrientationClick()
{
    if (!hasPrinter())
        return;
    CurrentPrinter().setPageOrientation(rbLandscape->isChecked() ? QPageLayout::Landscape
                                                                 : QPageLayout::Portrait);
    ApplyProportionalMargins();
    RepaintPreview();
}

void TGraphPreview::CBPrintersChange()
{
    const QString name = CBPrinters->currentText();
    if (name.isEmpty())
        return;
    CurrentPrinter().setPrinterName(name);
    ShowPrinterOrientation();
    OrientationClick();
}

void TGraphPreview::BSetupPrinterClick()
{
    if (!hasPrinter())
        return;
    // The setup dialog reads its printer's paper sizes when made: after another printer was
    // chosen it is made again for that one.
    if (!m_setupDialog || m_setupPrinterName != CurrentPrinter().printerName())
        MakePrinterSetupDialog();
    if (m_setupDialog)
        m_setupDialog->exec();
    FillPrinters();
    ShowPrinterOrientation();
    RepaintPreview();
}

void TGraphPreview::CheckMarginChange(QSpinBox* field, int PrintMargins::*margin, int opposite)
{
    GraphChart* graph = chart();
    if (!isVisible() || !graph)
        return;
    PrintMargins& margins = graph->printSettings().margins;
    const int value = field->value();
    if (value + opposite >= WholePage) {
        // Refused: the field shows the margin again, and nothing else changes.
        const QSignalBlocker quiet(field);
        field->setValue(margins.*margin);
        return;
    }
    margins.*margin = value;
    if (m_updatingMargins)
        return;
    RepaintPreview();
    BReset->setEnabled(margins != m_savedMargins);
    CBProp->setChecked(false);
}

void TGraphPreview::SETopMaChange()
{
    if (GraphChart* graph = chart())
        CheckMarginChange(SETopMa, &PrintMargins::top, graph->printSettings().margins.bottom);
}

void TGraphPreview::SEBotMaChange()
{
    if (GraphChart* graph = chart())
        CheckMarginChange(SEBotMa, &PrintMargins::bottom, graph->printSettings().margins.top);
}

void TGraphPreview::SELeftMaChange()
{
    if (GraphChart* graph = chart())
        CheckMarginChange(SELeftMa, &PrintMargins::left, graph->printSettings().margins.right);
}

void TGraphPreview::SERightMaChange()
{
    if (GraphChart* graph = chart())
        CheckMarginChange(SERightMa, &PrintMargins::right, graph->printSettings().margins.left);
}

void TGraphPreview::TeePreviewPanel1ChangeMargins(bool switchOff, const PrintMargins& margins)
{
    const FlagScope updating(m_updatingMargins);
    SELeftMa->setValue(margins.left);
    SERightMa->setValue(margins.right);
    SETopMa->setValue(margins.top);
    SEBotMa->setValue(margins.bottom);
    if (switchOff) {
        if (GraphChart* graph = chart())
            graph->printSettings().proportional = false;
        const FlagScope quiet(m_updatingProportional);
        CBProp->setChecked(false);
    }
}

void TGraphPreview::CBPropClick()
{
    if (m_updatingProportional)
        return;
    if (GraphChart* graph = chart())
        graph->printSettings().proportional = CBProp->isChecked();
    ApplyProportionalMargins();
}

void TGraphPreview::BResetClick()
{
    GraphChart* graph = chart();
    if (!graph)
        return;
    graph->printSettings().margins = m_savedMargins;
    TeePreviewPanel1ChangeMargins(false, m_savedMargins);
    RepaintPreview();
    BReset->setEnabled(false);
}

void TGraphPreview::ShowMarginsClick()
{
    TeePreviewPanel1->setShowMargins(ShowMargins->isChecked());
}

void TGraphPreview::TrackBar1Change()
{
    if (GraphChart* graph = chart())
        graph->printSettings().resolution = Resolution->value() - ResolutionOffset;
    RepaintPreview();
}

void TGraphPreview::RepaintPreview()
{
    TeePreviewPanel1->RepaintPreview();
}

void TGraphPreview::BPrintClick()
{
    if (!chart() || !hasPrinter())
        return;
    QPrinter& printer = CurrentPrinter();
    QString error;
    bool printed = true;
    {
        const WaitCursor wait;
        const int pages = m_navigator ? m_navigator->pageCount() : 1;
        if (pages > 1) {
            QPrintDialog dialog(&printer, this);
            dialog.setMinMax(1, pages);
            dialog.setFromTo(1, pages);
            dialog.setPrintRange(QAbstractPrintDialog::AllPages);
            if (dialog.exec() == QDialog::Accepted) {
                const bool range = dialog.printRange() == QAbstractPrintDialog::PageRange;
                printed = m_navigator->printPages(printer, range ? dialog.fromPage() : 1,
                                                  range ? dialog.toPage() : pages, error);
            }
        } else {
            printed = TeePreviewPanel1->printChart(printer, error);
        }
    }
    if (!printed) {
        ReportError(this, error);
        return;
    }
    accept();
}

void TGraphPreview::BCloseClick()
{
    reject();
}

void PrintPreviewCommand(GraphChart& chart)
{
    class RepaintAfterwards
    {
    public:
        explicit RepaintAfterwards(GraphChart& chart) : m_chart(&chart) {}
        ~RepaintAfterwards()
        {
            if (m_chart) {
                m_chart->updateLayout();
                m_chart->replot();
            }
        }
        RepaintAfterwards(const RepaintAfterwards&) = delete;
        RepaintAfterwards& operator=(const RepaintAfterwards&) = delete;

    private:
        QPointer<GraphChart> m_chart;
    };
    const RepaintAfterwards repaint(chart);
    TGraphPreview dialog; // no owner: centred on the screen
    dialog.setNavigatorKind(NavigatorKind::ChartPages);
    dialog.TeePreviewPanel1->setChart(&chart);
    dialog.exec();
}

} // namespace orvela
