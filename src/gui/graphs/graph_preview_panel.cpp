#include "gui/graphs/graph_preview_panel.h"

#include "gui/graphs/graph_chart.h"

#include <qwt_plot_curve.h>

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace orvela {
namespace {

constexpr double PointsPerInch = 72.0;
constexpr double InchesPerMetre = 1.0 / 0.0254;
const QColor BackgroundTop(112, 112, 112);
const QColor BackgroundBottom(200, 200, 200);
const QColor Shadow(64, 64, 64);
const QColor MarginLine(0, 0, 160);

QString JobTitle(const GraphChart& chart)
{
    const QString title = chart.series()->title().text();
    return title.isEmpty() ? QStringLiteral("Orvela graph") : title;
}

int Percent(double part, double whole)
{
    return static_cast<int>(std::lround(part / whole * 100.0));
}

} // namespace

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TeePreviewPanel1"));
    setMouseTracking(true);
    setMinimumSize(120, 120);
}

void PreviewPanel::setChart(GraphChart* chart)
{
    m_chart = chart;
    update();
}

void PreviewPanel::setShowMargins(bool show)
{
    m_showMargins = show;
    if (!show)
        m_dragging = Edge::None;
    update();
}

QRectF PreviewPanel::paperRect() const
{
    const QSizeF paper = PaperSizePoints(CurrentPrinter());
    const QRectF room =
        QRectF(rect()).adjusted(PaperGap, PaperGap, -PaperGap - ShadowSize, -PaperGap - ShadowSize);
    if (room.width() < 1.0 || room.height() < 1.0 || paper.isEmpty())
        return {};
    const QSizeF fitted = paper.scaled(room.size(), Qt::KeepAspectRatio);
    // Whole pixels, so that the picture of the paper is drawn unscaled.
    const QSize whole(static_cast<int>(fitted.width()), static_cast<int>(fitted.height()));
    const QPoint corner(static_cast<int>(room.left() + (room.width() - whole.width()) / 2.0),
                        static_cast<int>(room.top() + (room.height() - whole.height()) / 2.0));
    return QRectF(QRect(corner, whole));
}

QRectF PreviewPanel::marginRect() const
{
    const QRectF paper = paperRect();
    if (paper.isEmpty() || !m_chart)
        return {};
    return MarginRect(paper.size(), m_chart->printSettings().margins).translated(paper.topLeft());
}

void PreviewPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient background(0.0, 0.0, 0.0, height());
    background.setColorAt(0.0, BackgroundTop);
    background.setColorAt(1.0, BackgroundBottom);
    painter.fillRect(rect(), background);

    const QRect paper = paperRect().toRect();
    if (paper.isEmpty())
        return;
    painter.fillRect(paper.translated(ShadowSize, ShadowSize), Shadow);

    // The page is drawn on a picture whose resolution makes it exactly the paper's size, so the
    // chart's text keeps its size in points relative to the paper, as on the printer.
    QImage picture(paper.size(), QImage::Format_ARGB32_Premultiplied);
    const QSizeF points = PaperSizePoints(CurrentPrinter());
    picture.setDotsPerMeterX(static_cast<int>(
        std::lround(paper.width() / points.width() * PointsPerInch * InchesPerMetre)));
    picture.setDotsPerMeterY(static_cast<int>(
        std::lround(paper.height() / points.height() * PointsPerInch * InchesPerMetre)));
    picture.fill(Qt::white);
    if (m_chart) {
        QPainter page(&picture);
        const PrintSettings& settings = m_chart->printSettings();
        RenderChart(*m_chart, page, MarginRect(picture.size(), settings.margins),
                    settings.resolution);
    }
    painter.drawImage(paper.topLeft(), picture);

    if (m_showMargins && m_chart) {
        const QRectF inside = marginRect();
        painter.setPen(QPen(MarginLine, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(inside.left(), paper.top()),
                         QPointF(inside.left(), paper.bottom()));
        painter.drawLine(QPointF(inside.right(), paper.top()),
                         QPointF(inside.right(), paper.bottom()));
        painter.drawLine(QPointF(paper.left(), inside.top()), QPointF(paper.right(), inside.top()));
        painter.drawLine(QPointF(paper.left(), inside.bottom()),
                         QPointF(paper.right(), inside.bottom()));
    }
}

PreviewPanel::Edge PreviewPanel::edgeAt(const QPointF& at) const
{
    if (!m_showMargins || !m_chart)
        return Edge::None;
    const QRectF paper = paperRect();
    if (!paper.adjusted(-GripDistance, -GripDistance, GripDistance, GripDistance).contains(at))
        return Edge::None;
    // The nearest line within reach: lines close together stay apart.
    const QRectF inside = marginRect();
    const struct
    {
        Edge edge;
        double distance;
    } lines[] = {{Edge::Left, std::fabs(at.x() - inside.left())},
                 {Edge::Right, std::fabs(at.x() - inside.right())},
                 {Edge::Top, std::fabs(at.y() - inside.top())},
                 {Edge::Bottom, std::fabs(at.y() - inside.bottom())}};
    Edge nearest = Edge::None;
    double best = GripDistance;
    for (const auto& line : lines)
        if (line.distance <= best) {
            nearest = line.edge;
            best = line.distance;
        }
    return nearest;
}

void PreviewPanel::showGrip(Edge edge)
{
    switch (edge) {
    case Edge::Left:
    case Edge::Right:
        setCursor(Qt::SplitHCursor);
        break;
    case Edge::Top:
    case Edge::Bottom:
        setCursor(Qt::SplitVCursor);
        break;
    case Edge::None:
        unsetCursor();
        break;
    }
}

void PreviewPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = edgeAt(event->localPos());
        showGrip(m_dragging);
    }
    QWidget::mousePressEvent(event);
}

void PreviewPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging != Edge::None && (event->buttons() & Qt::LeftButton))
        dragTo(event->localPos());
    else
        showGrip(edgeAt(event->localPos()));
    QWidget::mouseMoveEvent(event);
}

void PreviewPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging != Edge::None) {
        dragTo(event->localPos());
        m_dragging = Edge::None;
    }
    QWidget::mouseReleaseEvent(event);
}

void PreviewPanel::leaveEvent(QEvent* event)
{
    if (m_dragging == Edge::None)
        unsetCursor();
    QWidget::leaveEvent(event);
}

void PreviewPanel::dragTo(const QPointF& at)
{
    const QRectF paper = paperRect();
    if (!m_chart || paper.isEmpty())
        return;
    PrintMargins margins = m_chart->printSettings().margins;
    // A dragged line stops short of its opposite one: opposite margins stay below 100 percent.
    const auto bounded = [](int value, int opposite) {
        return std::clamp(value, 0, std::max(0, 99 - opposite));
    };
    switch (m_dragging) {
    case Edge::Left:
        margins.left = bounded(Percent(at.x() - paper.left(), paper.width()), margins.right);
        break;
    case Edge::Right:
        margins.right = bounded(Percent(paper.right() - at.x(), paper.width()), margins.left);
        break;
    case Edge::Top:
        margins.top = bounded(Percent(at.y() - paper.top(), paper.height()), margins.bottom);
        break;
    case Edge::Bottom:
        margins.bottom = bounded(Percent(paper.bottom() - at.y(), paper.height()), margins.top);
        break;
    case Edge::None:
        return;
    }
    if (margins == m_chart->printSettings().margins)
        return;
    m_chart->printSettings().margins = margins;
    update();
    emit ChangeMargins(true, margins);
}

bool PreviewPanel::printChart(QPrinter& printer, QString& error)
{
    if (!m_chart) {
        error = QStringLiteral("There is no graph to print.");
        return false;
    }
    return PrintChart(*m_chart, m_chart->printSettings(), printer, JobTitle(*m_chart), error);
}

PageNavigator::PageNavigator(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageNavigator"));
    const auto button = [this](const char* name, Qt::ArrowType arrow, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setArrowType(arrow);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    m_first = button("FirstPage", Qt::UpArrow, QStringLiteral("First page"));
    m_previous = button("PriorPage", Qt::LeftArrow, QStringLiteral("Previous page"));
    m_next = button("NextPage", Qt::RightArrow, QStringLiteral("Next page"));
    m_last = button("LastPage", Qt::DownArrow, QStringLiteral("Last page"));
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(m_first);
    row->addWidget(m_previous);
    row->addWidget(m_label, 1);
    row->addWidget(m_next);
    row->addWidget(m_last);
    connect(m_first, &QToolButton::clicked, this, [this] { goTo(1); });
    connect(m_previous, &QToolButton::clicked, this, [this] { goTo(m_page - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { goTo(m_page + 1); });
    connect(m_last, &QToolButton::clicked, this, [this] { goTo(pageCount()); });
    updateButtons();
}

void PageNavigator::attach(GraphChart* chart)
{
    m_chart = chart;
    m_page = chart ? 1 : 0;
    updateButtons();
}

int PageNavigator::pageCount() const
{
    // Qwt lays the whole chart out on one page, whatever its size.
    return m_chart ? 1 : 0;
}

void PageNavigator::goTo(int page)
{
    const int target = std::clamp(page, std::min(1, pageCount()), pageCount());
    if (target == m_page)
        return;
    m_page = target;
    updateButtons();
    emit pageChanged(m_page);
}

void PageNavigator::updateButtons()
{
    const int count = pageCount();
    m_first->setEnabled(m_page > 1);
    m_previous->setEnabled(m_page > 1);
    m_next->setEnabled(m_page < count);
    m_last->setEnabled(m_page < count);
    m_label->setText(count > 0 ? QStringLiteral("%1 / %2").arg(m_page).arg(count) : QString());
}

bool PageNavigator::printPages(QPrinter& printer, int first, int last, QString& error)
{
    if (!m_chart) {
        error = QStringLiteral("There is no graph to print.");
        return false;
    }
    first = std::max(first, 1);
    last = std::min(last, pageCount());
    if (first > last)
        return true;
    // Every page of a chart is the whole chart.
    return PrintChart(*m_chart, m_chart->printSettings(), printer, JobTitle(*m_chart), error,
                      last - first + 1);
}

} // namespace orvela
