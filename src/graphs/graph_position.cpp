#include "graphs/graph_position.h"

#include <QComboBox>
#include <QLabel>

namespace orvela {
namespace {

constexpr int PanelWidth = 440;
constexpr int PanelHeight = 321;
constexpr int ChooserStripHeight = 28;
constexpr int ReadOutHeight = 22;

} // namespace

GraphPosition::GraphPosition(int slot, QWidget* parent) : QFrame(parent), m_slot(slot)
{
    setObjectName(QStringLiteral("pnlGraph%1").arg(slot));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    auto* strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("pnlChooser%1").arg(slot));
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setGeometry(2, 2, PanelWidth - 4, ChooserStripHeight);
    m_chooser = new QComboBox(strip);
    m_chooser->setObjectName(QStringLiteral("cbxSensors%1").arg(slot));
    m_chooser->setEditable(false);
    m_chooser->setGeometry(4, 3, PanelWidth - 16, ChooserStripHeight - 6);

    m_chart = new QWidget(this);
    m_chart->setObjectName(QStringLiteral("teeGraph%1").arg(slot));
    m_chart->setGeometry(2, ChooserStripHeight + 2, PanelWidth - 4,
                         PanelHeight - ChooserStripHeight - ReadOutHeight - 6);

    m_readOut = new QFrame(this);
    m_readOut->setObjectName(QStringLiteral("pnlReadOut%1").arg(slot));
    m_readOut->setFrameShape(QFrame::Panel);
    m_readOut->setFrameShadow(QFrame::Sunken);
    m_readOut->setGeometry(2, PanelHeight - ReadOutHeight - 3, PanelWidth - 4, ReadOutHeight);
    m_readOutText = new QLabel(m_readOut);
    m_readOutText->setObjectName(QStringLiteral("lblReadOut%1").arg(slot));
    m_readOutText->setGeometry(4, 2, PanelWidth - 12, ReadOutHeight - 4);
}

void GraphPosition::hideCursor()
{
    m_readOut->hide();
    m_readOutText->clear();
}

} // namespace orvela
