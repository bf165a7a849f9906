#pragma once
// A label with a buddy shows whether its control can be used: it turns grey
// when the control is disabled (directly or through a parent) and back again.
class QWidget;

namespace zam {

// Every label under root that has a buddy follows it from now on.
void LabelsFollowBuddies(QWidget* root);

}  // namespace zam
