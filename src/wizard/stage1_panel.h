// Stage 1 of the wizard (pnlFase1di3): the text file, typed or picked with the file dialog,
// its type and its character set. Next checks them and hands them on (Accepted).
#pragma once

#include <QFrame>

#include "vandrel/encoding.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vandrel {

class Stage1Panel : public QFrame {
  Q_OBJECT
 public:
  explicit Stage1Panel(QWidget* parent);

  // "*.txt", the two file types with none chosen, and `encoding` as the character set.
  void Reset(TextEncoding encoding);

 signals:
  // Next, with a file that exists and a type chosen: 0 delimited, 1 fixed width.
  void Accepted(const QString& file, int type, TextEncoding encoding);
  void Cancelled();

 private:
  void CmdAvanti_Click();
  void cmdCercaFile_Click();
  // A file named: its type as guessed, while the user has chosen none (none for a name that
  // is no file).
  void GuessType();

  bool typeChosen_ = false;  // by the user, in the list

  QComboBox* cmbTipoFonte;
  QComboBox* cmbCodifica;
  QLineEdit* txtNomeFile;
  QPushButton* CmdAvanti;
  QPushButton* CmdAnnulla;
  QPushButton* cmdCercaFile;
};

}  // namespace vandrel
