#include "vandrel/wizard.h"

#include <QApplication>

#include "vandrel/error.h"
#include "vandrel/host_hooks.h"
#include "wizard/frm_interfaccia.h"

namespace vandrel {
namespace {

// A console or server host has no QApplication; the wizard makes one the first time it is
// needed and keeps it for the rest of the process. Where widgets cannot be had (a Qt host
// without widgets, no display), the host gets an error instead of an aborted process.
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

// The one wizard window, made on first use and shown again for every later Action = 0.
frmInterfaccia& SharedWizard() {
  static frmInterfaccia* wizard = new frmInterfaccia;
  return *wizard;
}

}  // namespace

void InstallWizard() {
  InstallQtMousePointer();
  hostHooks().wizard = [](const WizardRequest& request) {
    EnsureApplication();
    frmInterfaccia& wizard = SharedWizard();
    wizard.Form_Load(request);
    wizard.exec();
    return wizard.Outcome();
  };
}

}  // namespace vandrel
