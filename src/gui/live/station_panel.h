#pragma once

// The panel beside the thermometers: the "Last Data Time" caption, the last-update label and
// the station picture. Once the station's newest data is older than the stale limit the panel
// turns amber and shows that data's age across the top of the picture; past ten times the limit
// it turns red.

#include "core/live/reading_watch.h"

#include <QFrame>
#include <QPixmap>

#include <optional>

class QLabel;

namespace orvela {

class StationPanel : public QFrame
{
    Q_OBJECT
public:
    explicit StationPanel(QWidget* parent);

    QLabel* lastUpdateLabel() const { return m_lastUpdate; }
    QLabel* picture() const { return m_picture; }
    // "12 min old" while the station's data is stale; hidden otherwise.
    QLabel* ageLabel() const { return m_age; }

    // The time of the station's newest data, which the age is counted from.
    void setDataTime(const QString& station, DateTime time);
    // Judges the age of that data at `now` and marks the panel; nothing before a data time.
    void showAge(DateTime now, std::int64_t limitSeconds);
    AgeLevel ageLevel() const { return m_level; }
    // The station's item for the stale lines of the Messages window, once it has a data time.
    std::optional<StaleLog::Item> staleItem() const;

    // The picture drawn for this program, shown until a picture file is loaded.
    static QPixmap BuiltInPicture();
    void showPicture(const QPixmap& picture);
    // Shows the picture file at `path`; on failure the shown picture stays and the reason
    // comes back in `error`.
    bool showPictureFile(const QString& path, QString& error);
    // "Select Image File": the picture file dialog over `owner` on `path`. The path is taken only
    // with a picture that loaded, so a damaged file is never saved and never stands in the way
    // of a later start; a failure is shown in an error box.
    void choosePictureFile(QString& path, QWidget* owner);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContents();
    void applyLevel(AgeLevel level);

    QLabel* m_title = nullptr;
    QLabel* m_lastUpdate = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_age = nullptr;
    QString m_station;
    std::optional<DateTime> m_dataTime;
    AgeLevel m_level = AgeLevel::Fresh;
    std::int64_t m_ageSeconds = 0;
};

} // namespace orvela
