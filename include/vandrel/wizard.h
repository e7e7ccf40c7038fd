// The import wizard (Qt Widgets). InstallWizard makes Action = aShowInterface open it: the
// wizard is shown modally and the assignment returns when it closes. A host without a
// QApplication gets one made for it.
#pragma once

namespace vandrel {

void InstallWizard();

// Connects the silent import's hourglass to Qt's wait cursor (InstallWizard does this too).
void InstallQtMousePointer();

}  // namespace vandrel
