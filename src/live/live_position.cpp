#include "live/live_position.h"

#include <QComboBox>
#include <QLabel>

namespace orvela {
namespace {

constexpr int ChooserStripHeight = 28;

QFont arialPixels(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

LivePosition::LivePosition(int slot, LiveKind kind, QWidget* parent)
    : QFrame(parent), m_slot(slot), m_kind(kind)
{
    setObjectName(QStringLiteral("pnlLive%1").arg(slot));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    auto* strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("pnlChooser%1").arg(slot + 6));
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    m_chooser = new QComboBox(strip);
    m_chooser->setObjectName(QStringLiteral("cbxSensors%1").arg(slot + 6));
    m_chooser->setEditable(false);

    m_display = new QWidget(this);
    m_display->setObjectName(QStringLiteral("pnlDisplay%1").arg(slot));
    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("lblValue%1").arg(slot));

    if (kind != LiveKind::Dial) {
        m_caption = new QLabel(this);
        m_caption->setObjectName(QStringLiteral("lblLive%1").arg(slot));
        m_caption->setAlignment(Qt::AlignCenter);
        QFont font = arialPixels(13);
        font.setUnderline(true);
        m_caption->setFont(font);
    }

    // Positions inside the panel follow the window's fixed design; panels never rearrange.
    const int panelWidth = kind == LiveKind::Thermometer ? 272 : 440;
    const int panelHeight = kind == LiveKind::Thermometer ? 316 : 326;
    strip->setGeometry(2, 2, panelWidth - 4, ChooserStripHeight);
    m_chooser->setGeometry(4, 3, panelWidth - 16, ChooserStripHeight - 6);
    switch (kind) {
    case LiveKind::Thermometer:
        m_caption->setGeometry(4, ChooserStripHeight + 6, panelWidth - 8, 18);
        m_display->setGeometry(20, ChooserStripHeight + 28, 150,
                               panelHeight - ChooserStripHeight - 34);
        m_value->setGeometry(150, ChooserStripHeight + 40, 110, 26);
        m_value->setFont(arialPixels(13, true));
        m_value->setAutoFillBackground(true);
        m_value->setStyleSheet(QStringLiteral("background-color: #fffbf0;"));
        m_value->setAlignment(Qt::AlignCenter);
        break;
    case LiveKind::Dial:
        m_display->setGeometry(70, ChooserStripHeight + 6, 300, 250);
        m_value->setGeometry(4, panelHeight - 36, panelWidth - 8, 24);
        m_value->setFont(arialPixels(16, true));
        m_value->setAlignment(Qt::AlignCenter);
        break;
    case LiveKind::WindChart:
        m_caption->setGeometry(4, ChooserStripHeight + 6, panelWidth - 8, 18);
        m_display->setGeometry(70, ChooserStripHeight + 26, 300, 240);
        m_value->setGeometry(4, panelHeight - 36, panelWidth - 8, 24);
        m_value->setFont(arialPixels(16, true));
        m_value->setAlignment(Qt::AlignCenter);
        break;
    }
}

bool LivePosition::restoreLimits(double minimum, double maximum)
{
    if (m_kind == LiveKind::Dial && !(minimum <= maximum))
        return false;
    m_minimum = minimum;
    m_maximum = maximum;
    return true;
}

} // namespace orvela
