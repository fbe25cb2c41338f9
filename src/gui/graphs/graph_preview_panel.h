#pragma once

// The parts of the "Print Preview" dialog that belong to the chart: the preview panel, which
// draws a chart on a picture of the current printer's paper exactly as it will be printed and
// lets the operator drag a margin line, and the page navigator.

#include "gui/graphs/graph_print.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPrinter;
class QToolButton;

namespace orvela {

class GraphChart;

class PreviewPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ShadowSize = 4;
    // Space between the panel's edge and the paper.
    static constexpr int PaperGap = 10;
    // How near a margin line the mouse has to be to take it.
    static constexpr int GripDistance = 4;

    explicit PreviewPanel(QWidget* parent);

    void setChart(GraphChart* chart);
    GraphChart* chart() const { return m_chart; }
    void setShowMargins(bool show);
    bool showMargins() const { return m_showMargins; }
    void RepaintPreview() { update(); }

    // The picture of the paper and the rectangle inside the chart's margins, in panel
    // coordinates. Empty without room to draw.
    QRectF paperRect() const;
    QRectF marginRect() const;

    // Prints the chart with its print settings on one page of `printer`.
    bool printChart(QPrinter& printer, QString& error);

signals:
    // A margin dragged: the chart's margins are already the new ones. `switchOff` says that
    // keeping the proportions has to end.
    void ChangeMargins(bool switchOff, const orvela::PrintMargins& margins);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Edge
    {
        None,
        Left,
        Top,
        Right,
        Bottom
    };
    Edge edgeAt(const QPointF& at) const;
    void dragTo(const QPointF& at);
    void showGrip(Edge edge);

    QPointer<GraphChart> m_chart;
    bool m_showMargins = true;
    Edge m_dragging = Edge::None;
};

// First, previous, next and last page buttons. A chart always prints on one page, so its
// navigator counts one page and its buttons stay disabled.
class PageNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit PageNavigator(QWidget* parent);

    void attach(GraphChart* chart);
    int pageCount() const;
    int currentPage() const { return m_page; }

    // Prints pages `first` to `last` (1-based, clamped to the chart's pages), each on a sheet
    // of its own.
    bool printPages(QPrinter& printer, int first, int last, QString& error);

    QToolButton* firstButton() const { return m_first; }
    QToolButton* previousButton() const { return m_previous; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

signals:
    void pageChanged(int page);

private:
    void goTo(int page);
    void updateButtons();

    QPointer<GraphChart> m_chart;
    int m_page = 0;
    QToolButton* m_first = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_last = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace orvela
