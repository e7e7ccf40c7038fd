#include "wizard/frm_interfaccia.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>

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
      pages_(new QStackedWidget(this)),
      stage1_(new Stage1Panel(this)),
      delimited_(new DelimitedPanel(this)),
      fixed_(new FixedPanel(this)),
      stage3_(new Stage3Panel(this)) {
  setObjectName(QStringLiteral("frmInterfaccia"));
  setModal(true);
  // The pages in the order of Page.
  for (QWidget* page : {static_cast<QWidget*>(stage1_), static_cast<QWidget*>(delimited_),
                        static_cast<QWidget*>(fixed_), static_cast<QWidget*>(stage3_)}) {
    pages_->addWidget(page);
    page->installEventFilter(this);
  }
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);

  connect(stage1_, &Stage1Panel::Accepted, this, &frmInterfaccia::ToStage2);
  connect(delimited_, &DelimitedPanel::Accepted, this, &frmInterfaccia::ToStage3);
  connect(fixed_, &FixedPanel::Accepted, this, &frmInterfaccia::ToStage3);
  connect(delimited_, &DelimitedPanel::Back, this, [this] { ShowPage(Page::Stage1); });
  connect(fixed_, &FixedPanel::Back, this, [this] { ShowPage(Page::Stage1); });
  connect(stage3_, &Stage3Panel::Back, this,
          [this] { ShowPage(type_ == 1 ? Page::Fixed : Page::Delimited); });
  connect(stage3_, &Stage3Panel::Imported, this,
          [this](const ImportOutcome& outcome) { outcome_.import = outcome; });
  connect(stage3_, &Stage3Panel::Finished, this, &frmInterfaccia::Finish);
  connect(stage1_, &Stage1Panel::Cancelled, this, &frmInterfaccia::Abort);
  connect(delimited_, &DelimitedPanel::Cancelled, this, &frmInterfaccia::Abort);
  connect(fixed_, &FixedPanel::Cancelled, this, &frmInterfaccia::Abort);
  connect(stage3_, &Stage3Panel::Cancelled, this, &frmInterfaccia::Abort);
}

void frmInterfaccia::Form_Load(const WizardRequest& request) {
  request_ = request;
  outcome_ = {};
  outcome_.fields = request.import.fields;
  file_.clear();
  type_ = -1;
  forms::Context().language = request.import.language;
  forms::UseQtTranslations();
  stage1_->Reset(request.import.encoding);
  stage3_->Reset(request_);
  for (QWidget* w : findChildren<QWidget*>()) {
    const QVariant tag = w->property("vbTag");
    if (tag.isValid()) wizard::SetCaption(w, Text(tag.toInt()));
  }
  ShowPage(Page::Stage1);  // sized for this language's captions
}

void frmInterfaccia::FitWindow() {
  QWidget* shown = pages_->currentWidget();
  const int height = shown == stage1_ ? kStage1Height : kStageHeight;
  const QSize size(std::max(forms::Pixels(kWindowWidth), shown->minimumSizeHint().width()),
                   forms::Pixels(height));
  if (size != this->size() || pages_->size() != size) {
    setFixedSize(size);
    pages_->setGeometry(0, 0, size.width(), size.height());
    Centre();
  }
}

void frmInterfaccia::Centre() {
  if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

bool frmInterfaccia::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::LayoutRequest && watched == pages_->currentWidget()) FitWindow();
  return QDialog::eventFilter(watched, event);
}

void frmInterfaccia::ShowPage(Page page) {
  setWindowTitle(Text(15));
  QWidget* shown = pages_->widget(static_cast<int>(page));
  pages_->setCurrentWidget(shown);
  FitWindow();
  // The focus must not stay on a control of the page just hidden, where keys typed would go
  // unseen: the first control of this page takes it.
  for (QWidget* w = shown->nextInFocusChain(); w != shown; w = w->nextInFocusChain()) {
    if (shown->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(shown) &&
        (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
  Centre();
}

frmInterfaccia::Page frmInterfaccia::CurrentPage() const {
  return static_cast<Page>(pages_->currentIndex());
}

QString frmInterfaccia::CurrentPanel() const {
  return pages_->currentWidget()->objectName();
}

void frmInterfaccia::ToStage2(const QString& file, int type, TextEncoding encoding) {
  file_ = file;
  type_ = type;
  encoding_ = encoding;
  try {
    if (request_.import.fields.empty()) {
      throw Error(kErrSubscript, "NumField has not been assigned: there are no field rows.");
    }
    stage3_->FillFieldList();
    const store::ValueFormat& format = request_.import.format;
    GuessOptions options;
    options.fixedWidth = type == 1;
    options.encoding = encoding;
    options.hostFormat = format;
    guess_ = GuessLayout(wizard::FilePath(file), options);
    if (type == 0) {
      delimited_->Start(file, encoding, format, request_.applicationFolder);
      delimited_->ShowGuess(guess_);
      ShowPage(Page::Delimited);
      delimited_->FillPreview();
    } else {
      delimited_->ResetSpecLabel();
      fixed_->Start(file, encoding, format, static_cast<int>(request_.import.fields.size()),
                    request_.applicationFolder);
      fixed_->ShowGuess(guess_);
      ShowPage(Page::Fixed);
      fixed_->FillPreview();
    }
  } catch (const std::exception& e) {
    MsgBox(Text(507), forms::vbCritical, forms::kTitle, wizard::Describe(e));
    ShowPage(Page::Stage1);
  }
}

void frmInterfaccia::ToStage3(const TextLayout& layout, const store::ValueFormat& format) {
  try {
    stage3_->Enter(file_, encoding_, layout, format,
                   guess_.header ? std::optional(guess_.headerLine) : std::nullopt);
  } catch (const std::exception& e) {
    // A file that can no longer be read by this layout: stage 2 stays for the user to fix.
    MsgBox(Text(217), forms::vbExclamation, forms::kTitle, wizard::Describe(e));
    return;
  }
  ShowPage(Page::Stage3);
  stage3_->Shown();
}

void frmInterfaccia::reject() {
  if (stage3_->Importing()) {
    stage3_->CancelImport();
    return;
  }
  QDialog::reject();
}

void frmInterfaccia::done(int result) {
  outcome_.fields = stage3_->Fields();
  QDialog::done(result);
}

void frmInterfaccia::Abort() {
  Finish(eResult::Abort);
}

void frmInterfaccia::Finish(eResult result) {
  outcome_.result = result;
  done(result == eResult::Abort ? QDialog::Rejected : QDialog::Accepted);
}

}  // namespace vandrel
