#include "gui/app/frm_setup.h"

#include "core/db/station_database.h"
#include "gui/messages/prompter.h"
#include "gui/widgets/fonts.h"
#include "support/format_scan.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <exception>

namespace orvela {
namespace {

QLabel* PlacedLabel(const QString& text, const QString& name, int left, int top, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

QStringList TfrmSetup::IntervalChoices()
{
    return {QStringLiteral("1"),  QStringLiteral("5"),  QStringLiteral("10"), QStringLiteral("15"),
            QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("35"),
            QStringLiteral("40"), QStringLiteral("45"), QStringLiteral("50"), QStringLiteral("55"),
            QStringLiteral("60")};
}

TfrmSetup::TfrmSetup(QString& currentStation, QString& displayTitle, std::int32_t& updateMinutes,
                     const StationListSource& stationList, QWidget* owner)
    : QDialog(owner), m_currentStation(currentStation), m_displayTitle(displayTitle),
      m_updateMinutes(updateMinutes)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(true);
    setFont(ArialPixels(13));
    setFixedSize(ClientWidth, ClientHeight);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(0, 0, ClientWidth, ClientHeight);

    Label2 = PlacedLabel(QStringLiteral("Title:"), QStringLiteral("Label2"), 17, 15, this);
    edtTitle = new QLineEdit(this);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    edtTitle->setGeometry(73, 16, 400, 24);

    Label1 = PlacedLabel(QStringLiteral("Station:"), QStringLiteral("Label1"), 17, 51, this);
    cbxStations = new QComboBox(this);
    cbxStations->setObjectName(QStringLiteral("cbxStations"));
    cbxStations->setEditable(false);
    cbxStations->setGeometry(73, 49, 224, 24);
    cbxStations->setToolTip(QStringLiteral("Station used with observer input"));

    Label3 = PlacedLabel(QStringLiteral("Graph Update Interval: "), QStringLiteral("Label3"), 16,
                         88, this);
    cbxGraphUpdate = new QComboBox(this);
    cbxGraphUpdate->setObjectName(QStringLiteral("cbxGraphUpdate"));
    cbxGraphUpdate->setEditable(false);
    cbxGraphUpdate->setGeometry(152, 85, 51, 24);
    cbxGraphUpdate->addItems(IntervalChoices());
    cbxGraphUpdate->setCurrentIndex(cbxGraphUpdate->findText(QStringLiteral("5")));
    Label4 = PlacedLabel(QStringLiteral("min"), QStringLiteral("Label4"), 216, 88, this);

    btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(112, 139, 75, 25);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(232, 139, 75, 25);

    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, cbxStations);
    setTabOrder(cbxStations, edtTitle);
    setTabOrder(edtTitle, cbxGraphUpdate);

    connect(btnOk, &QPushButton::clicked, this, &TfrmSetup::btnOkClick);
    // Esc and the close box end the dialog the way Cancel does (QDialog::reject).
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSetup::btnCancelClick);

    FormCreate(stationList);
}

void TfrmSetup::FormCreate(const StationListSource& stationList)
{
    // Whatever becomes of the station list, the title and interval shown are the current
    // ones, so OK never saves an empty title or the default interval by accident.
    edtTitle->setText(m_displayTitle);
    cbxGraphUpdate->setCurrentIndex(cbxGraphUpdate->findText(QString::number(m_updateMinutes)));

    QString listText;
    QString failure;
    try {
        if (stationList)
            listText = stationList();
    } catch (const DatabaseError& error) {
        failure = error.text();
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!failure.isNull()) {
        ReportError(parentWidget(), failure);
        // Without the list the current station is the one choice, so OK keeps it rather than
        // storing an empty station.
        if (!m_currentStation.isEmpty()) {
            cbxStations->addItem(m_currentStation);
            cbxStations->setCurrentIndex(0);
        }
        return;
    }
    for (const Text& item : CommaListItems(listText.toStdU16String()))
        if (!item.empty())
            cbxStations->addItem(QString::fromStdU16String(item));
    int chosen = -1;
    for (int i = 0; i < cbxStations->count() && chosen < 0; ++i)
        if (cbxStations->itemText(i).compare(m_currentStation, Qt::CaseInsensitive) == 0)
            chosen = i;
    if (chosen < 0 && cbxStations->count() > 0)
        chosen = 0;
    cbxStations->setCurrentIndex(chosen);
}

void TfrmSetup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_placed || event->spontaneous())
        return;
    m_placed = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    btnOk->setFocus(Qt::OtherFocusReason);
}

void TfrmSetup::btnOkClick()
{
    const QString interval =
        cbxGraphUpdate->currentIndex() >= 0 ? cbxGraphUpdate->currentText() : QString();
    bool whole = false;
    const int minutes = interval.toInt(&whole);
    if (!whole) {
        ReportError(this, QStringLiteral("'%1' is not a valid integer value").arg(interval));
        return;
    }
    m_currentStation = cbxStations->currentIndex() >= 0 ? cbxStations->currentText() : QString();
    m_displayTitle = edtTitle->text();
    m_updateMinutes = minutes;
    accept();
}

void TfrmSetup::btnCancelClick()
{
    reject();
}

} // namespace orvela
