#pragma once

// One graph position of the "Graph Data" tab: a panel with the sensor chooser strip on top,
// the chart, and a read-out strip at the bottom that shows the cursor's reading.

#include <QFrame>

class QComboBox;
class QLabel;

namespace orvela {

class GraphPosition : public QFrame
{
    Q_OBJECT
public:
    // `slot` is 1 to 6; the chooser is cbxSensors(slot), the chart teeGraph(slot).
    GraphPosition(int slot, QWidget* parent);

    int slot() const { return m_slot; }
    QComboBox* chooser() const { return m_chooser; }
    QWidget* chart() const { return m_chart; }
    QFrame* readOutBar() const { return m_readOut; }

    // Switches the read-out cursor off and hides its strip.
    void hideCursor();

private:
    int m_slot;
    QComboBox* m_chooser = nullptr;
    QWidget* m_chart = nullptr;
    QFrame* m_readOut = nullptr;
    QLabel* m_readOutText = nullptr;
};

} // namespace orvela
