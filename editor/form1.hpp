#pragma once
// The editor's main window: one dialogue of a room at a time, its source text, the translation,
// a comment, and the commands that load, move, save and close.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogue/dump_text.hpp"
#include "editor/dialogs.hpp"
#include "editor/preview_controls.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace qv::editor {

class Form1 : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(Prompter& prompter, QWidget* parent = nullptr);
  ~Form1() override;

  // The accent table window while it is open.
  QWidget* form2() const { return form2_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  void centre_on_screen();

  void cmdabrirscript_Click();
  void cmdabrirmodificado_Click();
  bool cmdguardarscript_Click();
  void cmddialogosiguiente_Click();
  void cmddialogoanterior_Click();
  void Command1_Click();
  void txtscriptmodificado_Change();

  void Guardar_comentario();
  Answer preguntar_cambios();
  // The unsaved-changes question before a load or a reopen: Yes saves and ends the command,
  // No drops the changes and goes on, Cancel ends the command. True when the command goes on.
  bool seguir_tras_preguntar();
  void mover_dialogo(int paso);
  void mostrar_dialogo();
  void poner_texto(QPlainTextEdit* caja, const std::string& texto);
  void guardar_caja_comentario();
  void poner_panel_dialogo();
  void refrescar_vista_previa();
  void poner_scroll_a_cero();
  void avisar_script_ilegible(bool original, dialogue::DumpProblem problema, int dialogo);
  std::filesystem::path ruta_derivada(std::string_view carpeta) const;

  Prompter& prompter_;

  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QGroupBox* Frame4 = nullptr;
  QPlainTextEdit* txtscriptoriginal = nullptr;
  QPlainTextEdit* txtscriptmodificado = nullptr;
  QPlainTextEdit* txtcomentario = nullptr;
  QPushButton* cmddialogoanterior = nullptr;
  QPushButton* cmddialogosiguiente = nullptr;
  QPushButton* cmdabrirscript = nullptr;
  QPushButton* cmdguardarscript = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* cmdabrirmodificado = nullptr;
  QCheckBox* chkdesaauto = nullptr;
  QStatusBar* statusbar = nullptr;
  QLabel* panel1 = nullptr;
  QLabel* panel2 = nullptr;
  QPointer<QWidget> form2_;
  // ventana, lblvistaprevia and Scroll.
  PreviewControls vista_previa_;

  std::int16_t numeroroom = 0;
  std::int16_t dialogoactual = 0;
  std::int16_t numdialogos = 0;
  QString rutaoriginal;
  std::filesystem::path rutamodificado;
  std::filesystem::path rutacomentarios;
  std::vector<std::string> textosoriginales;
  std::vector<std::string> textosmodificados;
  std::vector<std::string> comentarios;
  bool comentarioscargados = false;
  bool cambiossinguardar = false;

  // Set while the program itself fills a text box, so that only the user's edits are read
  // back from it (the box gives line feeds where the file has CR LF).
  bool asignando_ = false;
  bool comentario_editado_ = false;
  // A modified dump that exists but was refused (another room's, or unreadable): saves leave
  // it alone until it is gone or reads fine.
  bool modificado_rechazado_ = false;
};

}  // namespace qv::editor
