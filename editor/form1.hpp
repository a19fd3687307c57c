// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "editor/marcas.hpp"
#include "editor/ortografia.hpp"
#include "editor/preview_controls.hpp"
#include "editor/revision.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
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
  // The review window while it is open.
  QWidget* revision() const;

  // Spelling with the dictionary `aff` (and the ".dic" beside it) in place of the system's.
  bool usar_diccionario(const std::filesystem::path& aff);
  // The marks over the translation box, and the message of the one at a box position.
  const std::vector<Mark>& marcas() const { return marcas_; }
  QString aviso_en(int posicion) const;
  // The translation box's context menu at a box position, with the spelling's entries first.
  QMenu* menu_contextual(int posicion);
  // How each dialogue of the room stands, for F8 and the review.
  const std::vector<DialogueSummary>& resumenes() const { return resumenes_; }

  // Goes to a dialogue (from 1) as the navigation buttons do.
  void ir_a_dialogo(int dialogo);
  void siguiente_con_avisos(int paso);
  void ir_al_dialogo_pedido();
  void buscar();
  void buscar_siguiente();
  void abrir_revision();
  void cambiar_letra(int paso);

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

  // Writes the comments file; false when it could not be written. A failure is reported once
  // while it lasts unless `callado`.
  bool Guardar_comentario(bool callado = false);
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
  std::filesystem::path ruta_de_room(std::string_view carpeta) const;
  void crear_carpetas_de_room(std::string_view carpeta) const;
  void txtcomentario_Change();
  void deshacer_cambio_no_admitido(QPlainTextEdit* caja, const QString& motivo);
  void aviso_de_estado(const QString& texto);
  void refrescar_marcas();
  DialogueSummary resumen_de(std::size_t indice, std::vector<Mark>* marcas) const;
  void calcular_resumenes();
  QString primera_linea(std::size_t indice) const;
  int medir_linea(std::string_view linea) const;
  void preparar_ortografia();

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

  // What the box held before the last change, so that a change that breaks the dialogue's frame
  // or brings in a character the game cannot hold is undone; the place of that change.
  QString comentario_en_caja_;
  int posicion_cambio_ = 0;
  bool deshacer_pendiente_ = false;
  bool comentarios_fallidos_ = false;

  std::vector<Mark> marcas_;
  std::vector<DialogueSummary> resumenes_;
  Speller ortografia_;
  std::filesystem::path diccionario_;
  bool ortografia_preparada_ = false;
  QPointer<QWidget> revision_;
  QString busqueda_;
  int tam_letra_ = 8;
};

}  // namespace qv::editor
