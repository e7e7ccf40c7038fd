#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include "vandrel/host_hooks.h"
#include "vandrel/wizard.h"

namespace vandrel {

void InstallQtMousePointer() {
  hostHooks().mousePointer = [shown = false](MousePointer pointer) mutable {
    if (!QGuiApplication::instance()) return;
    // Cursors belong to the GUI thread. An import run on a worker thread (the wizard's, which
    // shows a progress bar instead) leaves the pointer alone.
    if (QThread::currentThread() != QGuiApplication::instance()->thread()) return;
    // Qt keeps a stack of override cursors; ours takes at most one place on it.
    if (pointer == vbHourglass && !shown) {
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
      shown = true;
    } else if (pointer == vbDefault && shown) {
      QGuiApplication::restoreOverrideCursor();
      shown = false;
    }
  };
}

}  // namespace vandrel
