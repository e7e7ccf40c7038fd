#include "vandrel/wizard.h"

#include <QApplication>
#include <QPointer>

#include "vandrel/error.h"
#include "vandrel/host_hooks.h"
#include "wizard/frm_interfaccia.h"

namespace vandrel {
namespace {

// A console or server host has no QApplication; the wizard makes one the first time it is
// needed and keeps it for the rest of the process. A host that runs a QApplication of its own
// (a Qt program, or a Python program through PyQt, which loads the same Qt libraries) has its
// application used as it is. Where widgets cannot be had (a Qt host without widgets, no
// display), the host gets an error instead of an aborted process.
void EnsureApplication() {
  if (QCoreApplication::instance()) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
      throw Error(kErrNoWizard,
                  "The import wizard needs a QApplication; this program runs a "
                  "Qt application without widgets.");
    }
    return;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    throw Error(kErrNoWizard,
                "The import wizard needs a display (none is set: DISPLAY, "
                "WAYLAND_DISPLAY or QT_QPA_PLATFORM).");
  }
  static int argc = 1;
  static char name[] = "vandrel";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// The one wizard window, made on first use and shown again for every later Action = 0. It is
// made again when the one there is has gone: deleted by a host that owned it as a parent, or
// made under a QApplication that has ended since (a host may end its application and start
// another). A window of an ended application is left alone rather than deleted, since
// deleting widgets without their application is not safe.
frmInterfaccia& SharedWizard() {
  static QPointer<frmInterfaccia> wizard;
  static QPointer<QCoreApplication> madeUnder;
  if (!wizard || madeUnder != QCoreApplication::instance()) {
    wizard = new frmInterfaccia;
    madeUnder = QCoreApplication::instance();
  }
  return *wizard;
}

// The window the wizard belongs over: the active one. Where none is (no window manager, or a
// host window not activated yet), a host showing exactly one window still owns it.
QWidget* HostWindow(const frmInterfaccia& wizard) {
  if (QWidget* active = QApplication::activeWindow()) return active != &wizard ? active : nullptr;
  QWidget* only = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == &wizard || !w->isVisible()) continue;
    if (only) return nullptr;
    only = w;
  }
  return only;
}

// For the time it is open, the wizard is a dialog of the host's window, so that it
// stays above it and the window manager treats it as the host's; afterwards it is nobody's
// child again, so that closing the host's window does not take the shared wizard with it.
class ParentedToActiveWindow {
 public:
  explicit ParentedToActiveWindow(frmInterfaccia& wizard) : wizard_(&wizard) {
    if (QWidget* host = HostWindow(wizard)) wizard.setParent(host, wizard.windowFlags());
  }
  ~ParentedToActiveWindow() {
    if (wizard_ && wizard_->parentWidget()) wizard_->setParent(nullptr, wizard_->windowFlags());
  }
  ParentedToActiveWindow(const ParentedToActiveWindow&) = delete;
  ParentedToActiveWindow& operator=(const ParentedToActiveWindow&) = delete;

 private:
  QPointer<frmInterfaccia> wizard_;
};

}  // namespace

void InstallWizard() {
  InstallQtMousePointer();
  hostHooks().wizard = [](const WizardRequest& request) {
    EnsureApplication();
    frmInterfaccia& wizard = SharedWizard();
    const ParentedToActiveWindow parented(wizard);
    wizard.Form_Load(request);
    wizard.exec();
    return wizard.Outcome();
  };
}

}  // namespace vandrel
