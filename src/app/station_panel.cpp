#include "app/station_panel.h"

#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>

// The resources of a static library are registered by hand, outside any namespace.
static void InitStationResources()
{
    Q_INIT_RESOURCE(app);
}

namespace orvela {
namespace {

constexpr int PanelWidth = 231;
constexpr int PanelHeight = 316;
constexpr int PictureWidth = 229;
constexpr int PictureHeight = 240;

QFont arialPixels(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

} // namespace

StationPanel::StationPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnlLastUpdate"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    m_title = new QLabel(QStringLiteral("Last Data Time"), this);
    m_title->setObjectName(QStringLiteral("lblLastDataTime"));
    m_title->setFont(arialPixels(19));
    m_title->setStyleSheet(QStringLiteral("color: blue;"));
    m_title->setAlignment(Qt::AlignCenter);

    m_lastUpdate = new QLabel(QStringLiteral("dd/mm/yyyy hh:mm:ss"), this);
    m_lastUpdate->setObjectName(QStringLiteral("lblLastUpdate"));
    m_lastUpdate->setFont(arialPixels(19));
    m_lastUpdate->setStyleSheet(QStringLiteral("color: navy;"));
    m_lastUpdate->setAlignment(Qt::AlignCenter);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("imgStation"));
    m_picture->setScaledContents(true);
    showPicture(BuiltInPicture());
    resize(PanelWidth, PanelHeight);
    layoutContents();
}

void StationPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutContents();
}

// The picture takes the room below the labels, whatever room the window gives the panel.
void StationPanel::layoutContents()
{
    m_title->setGeometry(1, 6, width() - 2, 24);
    m_lastUpdate->setGeometry(1, 36, width() - 2, 24);
    const int pictureTop = PanelHeight - PictureHeight - 1;
    m_picture->setGeometry(1, pictureTop, width() - 2, height() - pictureTop - 1);
}

QPixmap StationPanel::BuiltInPicture()
{
    InitStationResources();
    QPixmap picture(PictureWidth, PictureHeight);
    picture.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/orvela/station.svg"));
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

void StationPanel::showPicture(const QPixmap& picture)
{
    m_picture->setPixmap(picture);
}

} // namespace orvela
