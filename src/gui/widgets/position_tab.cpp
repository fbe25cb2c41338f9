#include "gui/widgets/position_tab.h"

namespace orvela {

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

} // namespace orvela
