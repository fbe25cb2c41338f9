#include "gui/live/station_panel.h"

#include "gui/graphs/frm_image_file.h"
#include "gui/graphs/station_picture.h"
#include "gui/messages/prompter.h"
#include "gui/widgets/fonts.h"

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

constexpr int AgeBannerHeight = 28;
const QString TitleStyle = QStringLiteral("color: blue;");
const QString LastUpdateStyle = QStringLiteral("color: navy;");

} // namespace

StationPanel::StationPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnlLastUpdate"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    m_title = new QLabel(QStringLiteral("Last Data Time"), this);
    m_title->setObjectName(QStringLiteral("lblLastDataTime"));
    m_title->setFont(ArialPixels(19));
    m_title->setStyleSheet(TitleStyle);
    m_title->setAlignment(Qt::AlignCenter);

    m_lastUpdate = new QLabel(QStringLiteral("dd/mm/yyyy hh:mm:ss"), this);
    m_lastUpdate->setObjectName(QStringLiteral("lblLastUpdate"));
    m_lastUpdate->setFont(ArialPixels(19));
    m_lastUpdate->setStyleSheet(LastUpdateStyle);
    m_lastUpdate->setAlignment(Qt::AlignCenter);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("imgStation"));
    m_picture->setScaledContents(true);
    showPicture(BuiltInPicture());

    m_age = new QLabel(this);
    m_age->setObjectName(QStringLiteral("lblDataAge"));
    m_age->setFont(ArialPixels(19, true));
    m_age->setAlignment(Qt::AlignCenter);
    m_age->hide();
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
    m_age->setGeometry(1, pictureTop, width() - 2, AgeBannerHeight);
}

void StationPanel::setDataTime(const QString& station, DateTime time)
{
    m_station = station;
    m_dataTime = time;
}

void StationPanel::showAge(DateTime now, std::int64_t limitSeconds)
{
    if (!m_dataTime)
        return;
    m_ageSeconds = AgeSeconds(*m_dataTime, now);
    const AgeLevel level = AgeLevelOf(m_ageSeconds, limitSeconds);
    m_age->setText(level == AgeLevel::Fresh ? QString() : AgeText(m_ageSeconds));
    if (level != m_level)
        applyLevel(level);
}

std::optional<StaleLog::Item> StationPanel::staleItem() const
{
    if (!m_dataTime)
        return std::nullopt;
    return StaleLog::Item{QStringLiteral("station ") + m_station, m_level, m_ageSeconds,
                          *m_dataTime};
}

// Amber and red as a control room reads them from across the room; the captions turn white on
// red, where blue and navy would drown.
void StationPanel::applyLevel(AgeLevel level)
{
    m_level = level;
    QString panel;
    QString banner;
    QString title = TitleStyle;
    QString lastUpdate = LastUpdateStyle;
    switch (level) {
    case AgeLevel::Fresh:
        break;
    case AgeLevel::Stale:
        panel = QStringLiteral("#pnlLastUpdate { background-color: #ffbf00; }");
        banner = QStringLiteral("background-color: #ffbf00; color: black;");
        break;
    case AgeLevel::LongStale:
        panel = QStringLiteral("#pnlLastUpdate { background-color: #d00000; }");
        banner = QStringLiteral("background-color: #d00000; color: white;");
        title = QStringLiteral("color: white;");
        lastUpdate = QStringLiteral("color: white;");
        break;
    }
    setStyleSheet(panel);
    m_age->setStyleSheet(banner);
    m_title->setStyleSheet(title);
    m_lastUpdate->setStyleSheet(lastUpdate);
    m_age->setVisible(level != AgeLevel::Fresh);
    m_age->raise();
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

bool StationPanel::showPictureFile(const QString& path, QString& error)
{
    const PictureFile file = LoadPictureFile(path);
    if (!file.ok()) {
        error = file.error;
        return false;
    }
    showPicture(QPixmap::fromImage(file.picture));
    return true;
}

void StationPanel::choosePictureFile(QString& path, QWidget* owner)
{
    QString chosen = path;
    {
        TfrmImageFile dialog(chosen, owner);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    QString error;
    if (showPictureFile(chosen, error))
        path = chosen;
    else
        ReportError(owner, error);
}

} // namespace orvela
