// The "Print" command of the graphs' popup menu: the print preview of the graph the menu was
// opened on.

#include "gui/app/frm_main.h"

#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_preview.h"
#include "gui/graphs/graph_preview_panel.h"
#include "gui/live/live_position.h"

#include <QPointer>

namespace orvela {
namespace {

// Printing lays the chart out anew on the page; the graph is drawn again for the screen on
// every way out of the preview, also when showing it failed.
class RepaintAfterwards
{
public:
    explicit RepaintAfterwards(GraphChart* chart) : m_chart(chart) {}
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

} // namespace

void TfrmMain::Print1Click()
{
    if (m_cycle.isClosed() || KindTagOf(m_popupTarget) != KindGraph)
        return;
    auto* chart = qobject_cast<GraphChart*>(m_popupTarget);
    if (!chart)
        return;
    const RepaintAfterwards repaint(chart);
    TGraphPreview dialog; // no owner: centred on the screen
    dialog.setNavigatorKind(NavigatorKind::ChartPages);
    dialog.TeePreviewPanel1->setChart(chart);
    dialog.exec();
}

} // namespace orvela
