#pragma once

// The "Setup" dialog: the station the program shows, the main window's title and the refresh
// interval. The caller hands in its three values by reference; they change only when the
// dialog ends with OK, and then all three together.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvela {

class TfrmSetup : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 495;
    static constexpr int ClientHeight = 186;

    // The station list: a CommaList of station identifiers (StationQueries::LoadStationList).
    // It throws (DatabaseError or another std::exception) when the list cannot be read.
    using StationListSource = std::function<QString()>;

    // The thirteen interval choices, in minutes, in their order.
    static QStringList IntervalChoices();

    // Fills the dialog (FormCreate) at once, running `stationList`; a failure of it is shown
    // by the default error report, and the dialog then opens with an empty station list but
    // the current title and interval.
    TfrmSetup(QString& currentStation, QString& displayTitle, std::int32_t& updateMinutes,
              const StationListSource& stationList, QWidget* owner = nullptr);

    QFrame* Bevel1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* edtTitle;
    QComboBox* cbxStations;
    QComboBox* cbxGraphUpdate;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    // The interval is read first: without a chosen interval the conversion error "'' is not a
    // valid integer value" is reported, nothing changes and the dialog stays open. Otherwise
    // the station (empty when none is chosen), the title as typed and the interval are taken.
    void btnOkClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const StationListSource& stationList);

    QString& m_currentStation;
    QString& m_displayTitle;
    std::int32_t& m_updateMinutes;
    bool m_placed = false;
};

} // namespace orvela
