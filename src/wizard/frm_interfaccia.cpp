#include "wizard/frm_interfaccia.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "control/settings.h"
#include "forms/forms.h"
#include "vandrel/error.h"
#include "wizard/delimited_panel.h"
#include "wizard/fixed_panel.h"
#include "wizard/panel_support.h"
#include "wizard/stage1_panel.h"
#include "wizard/stage3_panel.h"

namespace vandrel {

using forms::MsgBox;
using forms::Text;

namespace {

// Window sizes, in twips.
constexpr int kWindowWidth = 9975;
constexpr int kStage1Height = 2395;
constexpr int kStageHeight = 6720;

}  // namespace

frmInterfaccia::frmInterfaccia(QWidget* parent)
    : QDialog(parent),
      stage1_(new Stage1Panel(*this)),
      delimited_(new DelimitedPanel(*this)),
      fixed_(new FixedPanel(*this)),
      stage3_(new Stage3Panel(*this)) {
  setObjectName(QStringLiteral("frmInterfaccia"));
  setModal(true);
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

void frmInterfaccia::Form_Load() {
  for (QFrame* panel : {static_cast<QFrame*>(stage1_), static_cast<QFrame*>(delimited_),
                        static_cast<QFrame*>(fixed_), static_cast<QFrame*>(stage3_)}) {
    panel->move(0, 0);
  }
  forms::UseQtTranslations();
  ShowPanel(QStringLiteral("pnlFase1di3"));
  stage1_->Reset();
  stage3_->Reset();
  chosenFile_.clear();
  layout_ = {};
  format_ = {};
  for (QWidget* w : findChildren<QWidget*>()) {
    const QVariant tag = w->property("vbTag");
    if (tag.isValid()) wizard::SetCaption(w, Text(tag.toInt()));
  }
}

void frmInterfaccia::ShowPanel(const QString& name) {
  setWindowTitle(Text(15));
  QFrame* shown = nullptr;
  for (QFrame* panel : {static_cast<QFrame*>(stage1_), static_cast<QFrame*>(delimited_),
                        static_cast<QFrame*>(fixed_), static_cast<QFrame*>(stage3_)}) {
    panel->hide();
    if (name == panel->objectName()) shown = panel;
  }
  const int height = name == QLatin1String("pnlFase1di3") ? kStage1Height : kStageHeight;
  const QSize size(forms::Pixels(kWindowWidth), forms::Pixels(height));
  setFixedSize(size);
  if (shown) {
    shown->setGeometry(0, 0, size.width(), size.height());
    shown->show();
    // The focus must not stay on a control of the panel just hidden, where keys typed would
    // go unseen: the first control of this panel takes it.
    for (QWidget* w = shown->nextInFocusChain(); w != shown; w = w->nextInFocusChain()) {
      if (shown->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(shown) &&
          (w->focusPolicy() & Qt::TabFocus)) {
        w->setFocus(Qt::OtherFocusReason);
        break;
      }
    }
  }
  if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
  }
}

QString frmInterfaccia::CurrentPanel() const {
  for (QFrame* panel : {static_cast<QFrame*>(stage1_), static_cast<QFrame*>(delimited_),
                        static_cast<QFrame*>(fixed_), static_cast<QFrame*>(stage3_)}) {
    if (panel->isVisibleTo(this)) return panel->objectName();
  }
  return {};
}

int frmInterfaccia::FileType() const {
  return stage1_->FileType();
}

TextEncoding frmInterfaccia::Encoding() const {
  return stage1_->Encoding();
}

void frmInterfaccia::LoadFase2di3(const QString& file) {
  chosenFile_ = file;
  try {
    if (!settings().InfoField) {
      throw Error(kErrSubscript, "NumField has not been assigned: there are no field rows.");
    }
    stage3_->FillFieldList();
    switch (FileType()) {
      case 0:
        delimited_->Reset();
        ShowPanel(QStringLiteral("pnlFase2di3Del"));
        delimited_->FillPreview(chosenFile_);
        break;
      case 1:
        delimited_->SetSpecLabel(Text(211) + '\n');
        fixed_->Reset(static_cast<int>(settings().InfoField->size()));
        ShowPanel(QStringLiteral("pnlFase2di3Fisso"));
        fixed_->FillPreview(chosenFile_);
        break;
      default:
        break;
    }
  } catch (const std::exception&) {
    MsgBox(Text(507), forms::vbCritical);
    ShowPanel(QStringLiteral("pnlFase1di3"));
  }
}

void frmInterfaccia::ToStage3(wizard::WizardLayout layout, const store::ValueFormat& format) {
  layout_ = std::move(layout);
  format_ = format;
  ShowPanel(QStringLiteral("pnlFase3di3"));
  stage3_->Enter();
}

void frmInterfaccia::BackToStage2() {
  ShowPanel(FileType() == 1 ? QStringLiteral("pnlFase2di3Fisso")
                            : QStringLiteral("pnlFase2di3Del"));
}

void frmInterfaccia::reject() {
  if (stage3_->Importing()) {
    stage3_->CancelImport();
    return;
  }
  QDialog::reject();
}

void frmInterfaccia::Abort() {
  settings().ImportResult = static_cast<std::int32_t>(eResult::Abort);
  done(QDialog::Rejected);
}

}  // namespace vandrel
