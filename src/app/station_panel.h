#pragma once

// The panel beside the thermometers: the "Last Data Time" caption, the last-update label and
// the station picture.

#include <QFrame>
#include <QPixmap>

class QLabel;

namespace orvela {

class StationPanel : public QFrame
{
    Q_OBJECT
public:
    explicit StationPanel(QWidget* parent);

    QLabel* lastUpdateLabel() const { return m_lastUpdate; }
    QLabel* picture() const { return m_picture; }

    // The picture drawn for this program, shown until a picture file is loaded.
    static QPixmap BuiltInPicture();
    void showPicture(const QPixmap& picture);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContents();

    QLabel* m_title = nullptr;
    QLabel* m_lastUpdate = nullptr;
    QLabel* m_picture = nullptr;
};

} // namespace orvela
