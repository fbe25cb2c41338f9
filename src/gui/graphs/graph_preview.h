#pragma once

// The "Print Preview" dialog of a graph: the printer and its orientation, the four page
// margins in percent, the print detail and "Proport&ional", with the graph shown on a picture
// of the page as it will be printed. Everything changed here goes straight into the chart's
// print settings and the program's current printer, and stays there after the dialog closes.

#include "gui/graphs/graph_print.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPageSetupDialog;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace orvela {

class GraphChart;
class PageNavigator;
class PreviewPanel;

enum class NavigatorKind
{
    None,
    ChartPages
};

class TGraphPreview : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 543;
    static constexpr int ClientHeight = 379;
    static constexpr int MarginStep = 5;
    // The detail slider runs from "More" (0) to "Normal" (100); the print resolution is the
    // position less 100.
    static constexpr int ResolutionOffset = 100;

    explicit TGraphPreview(QWidget* owner = nullptr);
    ~TGraphPreview() override;

    // The kind of page navigator that FormShow creates; set before showing.
    void setNavigatorKind(NavigatorKind kind) { m_navigatorKind = kind; }
    PageNavigator* pageNavigator() const { return m_navigator; }

    QLabel* Label1;
    QComboBox* CBPrinters;
    QPushButton* BSetupPrinter;
    QPushButton* BPrint;
    QPushButton* BClose;
    QGroupBox* Orientation;
    QRadioButton* rbPortrait;
    QRadioButton* rbLandscape;
    QGroupBox* GBMargins;
    // Each field carries its own up/down arrows (UDTopMa and so on): steps of 5 within 0 to 100.
    QSpinBox* SETopMa;
    QSpinBox* SELeftMa;
    QSpinBox* SERightMa;
    QSpinBox* SEBotMa;
    QPushButton* BReset;
    QCheckBox* ShowMargins;
    QGroupBox* ChangeDetailGroup;
    QSlider* Resolution;
    QCheckBox* CBProp;
    PreviewPanel* TeePreviewPanel1;

    const PrintMargins& SavedMargins() const { return m_savedMargins; }
    bool UpdatingMargins() const { return m_updatingMargins; }
    bool UpdatingProportional() const { return m_updatingProportional; }
    // The printer setup dialog, made with this dialog when a printer is installed.
    QPageSetupDialog* printerSetupDialog() const { return m_setupDialog; }

    // Handlers.
    void FormShow();
    void CBPrintersChange();
    void BSetupPrinterClick();
    void OrientationClick();
    void SETopMaChange();
    void SELeftMaChange();
    void SEBotMaChange();
    void SERightMaChange();
    void BResetClick();
    void ShowMarginsClick();
    void TrackBar1Change();
    void CBPropClick();
    void BPrintClick();
    void BCloseClick();
    void TeePreviewPanel1ChangeMargins(bool switchOff, const PrintMargins& margins);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void MakePrinterSetupDialog();
    void ApplyProportionalMargins();
    void CheckMarginChange(QSpinBox* field, int PrintMargins::*margin, int opposite);
    void ShowPrinterOrientation();
    void RepaintPreview();
    void FillPrinters();
    bool hasPrinter() const;
    // The chart of the preview panel, or none.
    GraphChart* chart() const;

    PrintMargins m_savedMargins;
    bool m_updatingMargins = true;
    bool m_updatingProportional = false;
    QPageSetupDialog* m_setupDialog = nullptr;
    QString m_setupPrinterName;
    NavigatorKind m_navigatorKind = NavigatorKind::None;
    PageNavigator* m_navigator = nullptr;
};

// The graphs' "Print": the preview of `chart`, centred on the screen. Printing lays the chart out
// anew on the page; it is drawn again for the screen on every way out, also when showing the
// preview failed.
void PrintPreviewCommand(GraphChart& chart);

} // namespace orvela
