// Stage 1 of the wizard (pnlFase1di3): the text file, typed or picked with the file dialog,
// and its type. Next checks the name and hands the file to the frame.
#pragma once

#include <QFrame>

#include "text/encoding.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vandrel {

class frmInterfaccia;

class Stage1Panel : public QFrame {
  Q_OBJECT
 public:
  explicit Stage1Panel(frmInterfaccia& wizard);

  // "*.txt", the two file types with none chosen, and the character set the control's
  // Encoding names.
  void Reset();
  // 0 delimited, 1 fixed width, -1 none.
  int FileType() const;
  // The character set chosen for the file.
  TextEncoding Encoding() const;

  void CmdAvanti_Click();
  void cmdCercaFile_Click();

 private:
  frmInterfaccia& wizard_;
  QComboBox* cmbTipoFonte;
  QComboBox* cmbCodifica;
  QLineEdit* txtNomeFile;
  QPushButton* CmdAvanti;
  QPushButton* CmdAnnulla;
  QPushButton* cmdCercaFile;
};

}  // namespace vandrel
