// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/form1.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <optional>
#include <system_error>

#include "common/cp1252.hpp"
#include "common/files.hpp"
#include "dialogue/frame.hpp"
#include "editor/busqueda.hpp"
#include "editor/form2.hpp"
#include "editor/icon.hpp"
#include "editor/revision_window.hpp"

namespace qv::editor {

using namespace qv::dialogue;

namespace {

// Layout positions are kept in twips; 15 twips make one pixel.
QRect twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

// Client area of 9975 x 6645 twips; the status bar lies inside it along the bottom edge.
constexpr int kClientWidth = 665;
constexpr int kClientHeight = 443;
constexpr int kStatusBarHeight = 25;

const QString kTitulo = u"Editor de scripts del Quorvane"_qs;
const QString kTituloError = u"Error"_qs;
const QString kSinAcceso = u"No se puede acceder al archivo"_qs;
const QString kNoEsScript = u"Parece que no es un script del Quorvane."_qs;
const QString kModificadoNoEsScript =
    u"Parece que el script modificado no es un script del Quorvane."_qs;
const QString kNoCoinciden =
    u"El script modificado no parece corresponder al script original, asegúrese de elegir el apropiado."_qs;
const QString kTituloNoCoinciden = u"Error, los scripts no coinciden en el número de la Room"_qs;
const QString kPregunta =
    u"Se han hecho cambios en el texto que no se han guardado.\r\n¿Desea guardarlos?"_qs;
const QString kTituloPregunta = u"Advertencia"_qs;
const QString kTituloAbrir = u"Abrir Script original..."_qs;
const QString kFiltroAbrir = u"Scripts originales del Quorvane (.txt)|*.txt"_qs;

std::filesystem::path to_path(const QString& text) {
  return std::filesystem::path(text.toStdU16String());
}

QString from_path(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

QString to_box(const std::string& bytes) {
  return QString::fromStdString(common::cp1252_to_utf8(bytes));
}

// The box keeps paragraphs where the files have CR LF; its raw text also keeps the no-break
// spaces that the plain-text view would turn into spaces.
std::string from_box(const QPlainTextEdit* box) {
  QString text = box->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u"\r\n"_qs);
  text.replace(QChar::LineSeparator, u"\r\n"_qs);
  return common::utf8_to_cp1252(text.toStdString());
}

// The first character of `text` that code page 1252 cannot hold, or nothing.
std::optional<char32_t> character_not_held(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'?') continue;
    if (common::unicode_to_cp1252(c) == '?') return c;
  }
  return std::nullopt;
}

QString utf8(const std::string& text) {
  return QString::fromStdString(text);
}

const QString kSinAvisos = u"Ningún diálogo con avisos"_qs;
const QString kSinDiccionario = u"Sin diccionario de español: no se revisa la ortografía"_qs;
const QString kComentariosAntiguos =
    u"Comentarios antiguos no usados: no corresponden a esta Room"_qs;
const QString kDiccionarioPersonal = u"Diccionario personal.dic"_qs;

// A check box whose caption wraps inside its width, as the narrow auto-save box needs.
class WrappingCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.moveTop((height() - indicator.height()) / 2);
    QStyleOptionButton box_option = option;
    box_option.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box_option);
    const int gap = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect text_rect = rect().adjusted(indicator.right() + 1 + gap, 0, 0, 0);
    painter.drawItemText(text_rect,
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = text_rect;
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

QPlainTextEdit* make_box(QWidget* parent, const QString& name, const QRect& geometry) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(name);
  box->setGeometry(geometry);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setReadOnly(true);
  return box;
}

QGroupBox* make_frame(QWidget* parent, const QString& name, const QString& caption,
                      const QRect& geometry) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  frame->setGeometry(geometry);
  return frame;
}

QPushButton* make_button(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& geometry, bool enabled) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setEnabled(enabled);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

Form1::Form1(Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), prompter_(prompter) {
  setObjectName(u"Form1"_qs);
  setWindowTitle(kTitulo);
  setWindowIcon(textbench_icon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  // The layout was drawn for a small 8-point face; larger ones overflow the narrow controls.
  QFont letra = font();
  letra.setPointSize(8);
  setFont(letra);
  build_controls();
  centre_on_screen();

  const auto atajo = [this](const QKeySequence& teclas, auto accion) {
    auto* shortcut = new QShortcut(teclas, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, accion);
  };
  atajo(QKeySequence(Qt::Key_F8), [this] { siguiente_con_avisos(+1); });
  atajo(QKeySequence(Qt::SHIFT | Qt::Key_F8), [this] { siguiente_con_avisos(-1); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_G), [this] { ir_al_dialogo_pedido(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { buscar(); });
  atajo(QKeySequence(Qt::Key_F3), [this] { buscar_siguiente(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_R), [this] { abrir_revision(); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { cambiar_letra(+1); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { cambiar_letra(+1); });
  atajo(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { cambiar_letra(-1); });

  // The dictionary is read when the first room needs it; only whether there is one is known now.
  diccionario_ = find_spanish_dictionary();
  if (diccionario_.empty()) aviso_de_estado(kSinDiccionario);
}

QWidget* Form1::revision() const {
  return revision_;
}

void Form1::aviso_de_estado(const QString& texto) {
  statusbar->showMessage(texto, 10000);
}

Form1::~Form1() {
  delete form2_;
  delete revision_;
}

void Form1::build_controls() {
  Frame1 = make_frame(this, u"Frame1"_qs, u"Script original"_qs, twips(120, 120, 4695, 1695));
  txtscriptoriginal = make_box(Frame1, u"txtscriptoriginal"_qs, twips(120, 240, 4455, 1335));
  QPalette grey = txtscriptoriginal->palette();
  grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
  txtscriptoriginal->setPalette(grey);

  Frame2 = make_frame(this, u"Frame2"_qs, u"Script modificado"_qs, twips(120, 1920, 4695, 1695));
  txtscriptmodificado = make_box(Frame2, u"txtscriptmodificado"_qs, twips(120, 240, 4455, 1335));

  Frame4 =
      make_frame(this, u"Frame4"_qs, u"Comentarios del Script"_qs, twips(120, 3720, 4695, 1095));
  txtcomentario = make_box(Frame4, u"txtcomentario"_qs, twips(120, 240, 4455, 735));

  cmddialogoanterior = make_button(this, u"cmddialogoanterior"_qs, u"<<< Diálogo &Anterior"_qs,
                                   twips(120, 4920, 2295, 375), false);
  cmddialogosiguiente = make_button(this, u"cmddialogosiguiente"_qs, u"&Siguiente Diálogo >>>"_qs,
                                    twips(2520, 4920, 2295, 375), false);

  // The frame is drawn first so that the buttons over it stay on top.
  Frame3 = make_frame(this, u"Frame3"_qs, QString(), twips(240, 5520, 9615, 735));
  cmdabrirscript = make_button(this, u"cmdabrirscript"_qs, u"&Cargar los scripts"_qs,
                               twips(480, 5760, 2175, 375), true);
  cmdguardarscript = make_button(this, u"cmdguardarscript"_qs, u"&Guardar los cambios"_qs,
                                 twips(3000, 5760, 2175, 375), false);
  Command1 =
      make_button(this, u"Command1"_qs, u"Lista de MTED"_qs, twips(5520, 5760, 2175, 375), true);
  chkdesaauto = new WrappingCheckBox(u"G&uardar cambios automáticamente"_qs, this);
  chkdesaauto->setObjectName(u"chkdesaauto"_qs);
  chkdesaauto->setGeometry(twips(8040, 5680, 1575, 495));
  chkdesaauto->setChecked(true);
  // Its caption needs three lines in a box barely wider than its longest word.
  QFont letra_pequena = font();
  letra_pequena.setPointSize(7);
  chkdesaauto->setFont(letra_pequena);

  // Below the visible client area: only its access key reaches it.
  cmdabrirmodificado = make_button(this, u"cmdabrirmodificado"_qs, u"Abrir Script &Modificado"_qs,
                                   twips(4320, 6960, 2055, 375), false);

  vista_previa_ = create_preview_controls(this);

  statusbar = new QStatusBar(this);
  statusbar->setObjectName(u"statusbar"_qs);
  statusbar->setSizeGripEnabled(false);
  statusbar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  panel1 = new QLabel(statusbar);
  panel1->setObjectName(u"Panel1"_qs);
  panel2 = new QLabel(statusbar);
  panel2->setObjectName(u"Panel2"_qs);
  for (QLabel* panel : {panel1, panel2}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusbar->addWidget(panel, 1);
  }

  connect(cmdabrirscript, &QPushButton::clicked, this, [this] { cmdabrirscript_Click(); });
  connect(cmdabrirmodificado, &QPushButton::clicked, this, [this] { cmdabrirmodificado_Click(); });
  connect(cmdguardarscript, &QPushButton::clicked, this, [this] { cmdguardarscript_Click(); });
  connect(cmddialogosiguiente, &QPushButton::clicked, this,
          [this] { cmddialogosiguiente_Click(); });
  connect(cmddialogoanterior, &QPushButton::clicked, this, [this] { cmddialogoanterior_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(vista_previa_.Scroll, &QScrollBar::valueChanged, this,
          [this] { refrescar_vista_previa(); });
  connect(txtscriptmodificado, &QPlainTextEdit::textChanged, this,
          [this] { txtscriptmodificado_Change(); });
  connect(txtcomentario, &QPlainTextEdit::textChanged, this, [this] { txtcomentario_Change(); });
  for (QPlainTextEdit* caja : {txtscriptmodificado, txtcomentario}) {
    connect(caja->document(), &QTextDocument::contentsChange, this,
            [this](int posicion, int, int) { posicion_cambio_ = posicion; });
  }
  // Tab moves on to the next control; a tab in the text would reach the game as a blank.
  txtscriptmodificado->setTabChangesFocus(true);
  txtscriptmodificado->viewport()->installEventFilter(this);
}

void Form1::centre_on_screen() {
  if (const QScreen* pantalla = screen()) {
    move(pantalla->availableGeometry().center() - rect().center());
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtscriptmodificado->viewport()) {
    if (event->type() == QEvent::ToolTip) {
      const auto* help = static_cast<QHelpEvent*>(event);
      const QString texto =
          aviso_en(txtscriptmodificado->cursorForPosition(help->pos()).position());
      if (texto.isEmpty()) {
        QToolTip::hideText();
      } else {
        QToolTip::showText(help->globalPos(), texto, txtscriptmodificado);
      }
      return true;
    }
    if (event->type() == QEvent::ContextMenu) {
      const auto* pedido = static_cast<QContextMenuEvent*>(event);
      QMenu* menu =
          menu_contextual(txtscriptmodificado->cursorForPosition(pedido->pos()).position());
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->popup(pedido->globalPos());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString Form1::aviso_en(int posicion) const {
  QStringList textos;
  for (const Mark& marca : marcas_) {
    if (static_cast<std::size_t>(posicion) >= marca.begin &&
        static_cast<std::size_t>(posicion) < marca.end) {
      textos.append(utf8(marca.message));
    }
  }
  return textos.join(u'\n');
}

QMenu* Form1::menu_contextual(int posicion) {
  QMenu* menu = txtscriptmodificado->createStandardContextMenu();
  const Mark* palabra = nullptr;
  for (const Mark& marca : marcas_) {
    if (marca.kind == MarkKind::spelling && static_cast<std::size_t>(posicion) >= marca.begin &&
        static_cast<std::size_t>(posicion) <= marca.end) {
      palabra = &marca;
    }
  }
  if (!palabra || txtscriptmodificado->isReadOnly()) return menu;
  const int inicio = static_cast<int>(palabra->begin);
  const int fin = static_cast<int>(palabra->end);
  const std::string texto = common::utf8_to_cp1252(palabra->message);
  QAction* primera = menu->actions().isEmpty() ? nullptr : menu->actions().front();
  QList<QAction*> nuevas;
  const auto sugerencias = ortografia_.suggestions(texto);
  for (std::size_t i = 0; i < sugerencias.size() && i < 6; ++i) {
    auto* accion = new QAction(to_box(sugerencias[i]), menu);
    QFont negrita = accion->font();
    negrita.setBold(true);
    accion->setFont(negrita);
    connect(accion, &QAction::triggered, this, [this, inicio, fin, cambio = accion->text()] {
      QTextCursor cursor(txtscriptmodificado->document());
      cursor.setPosition(inicio);
      cursor.setPosition(fin, QTextCursor::KeepAnchor);
      cursor.insertText(cambio);
    });
    nuevas.append(accion);
  }
  auto* anadir = new QAction(u"Añadir al diccionario"_qs, menu);
  connect(anadir, &QAction::triggered, this, [this, texto] {
    if (!ortografia_.add(texto)) {
      aviso_de_estado(u"No se puede escribir en "_qs + kDiccionarioPersonal);
    }
    refrescar_marcas();
  });
  auto* ignorar = new QAction(u"Ignorar"_qs, menu);
  connect(ignorar, &QAction::triggered, this, [this, texto] {
    ortografia_.ignore(texto);
    refrescar_marcas();
  });
  nuevas.append(anadir);
  nuevas.append(ignorar);
  menu->insertActions(primera, nuevas);
  menu->insertSeparator(primera);
  return menu;
}

bool Form1::usar_diccionario(const std::filesystem::path& aff) {
  diccionario_ = aff;
  ortografia_preparada_ = false;
  preparar_ortografia();
  refrescar_marcas();
  return ortografia_.loaded();
}

void Form1::preparar_ortografia() {
  if (ortografia_preparada_) return;
  ortografia_preparada_ = true;
  if (diccionario_.empty()) return;
  std::filesystem::path dic = diccionario_;
  dic.replace_extension(".dic");
  if (ortografia_.load(diccionario_, dic)) {
    ortografia_.load_personal(to_path(QDir::currentPath()) / to_path(kDiccionarioPersonal));
  } else {
    aviso_de_estado(kSinDiccionario);
  }
}

std::filesystem::path Form1::ruta_derivada(std::string_view carpeta) const {
  return derived_path(to_path(QDir::currentPath()), carpeta, to_path(rutaoriginal));
}

std::filesystem::path Form1::ruta_de_room(std::string_view carpeta) const {
  return room_path(to_path(QDir::currentPath()), carpeta, numeroroom, to_path(rutaoriginal));
}

void Form1::crear_carpetas_de_room(std::string_view carpeta) const {
  const std::filesystem::path actual = to_path(QDir::currentPath());
  make_folder(actual, carpeta);
  make_folder(actual / std::filesystem::path(carpeta),
              std::string(kRoomFolderPrefix) + std::to_string(numeroroom));
}

Answer Form1::preguntar_cambios() {
  return prompter_.ask_yes_no_cancel(kPregunta, kTituloPregunta, MessageIcon::warning);
}

bool Form1::seguir_tras_preguntar() {
  if (!cambiossinguardar) return true;
  switch (preguntar_cambios()) {
    case Answer::yes:
      cmdguardarscript_Click();
      return false;
    case Answer::no:
      // The changes stay marked until a load actually replaces them.
      return true;
    case Answer::cancel:
      return false;
  }
  return false;
}

void Form1::avisar_script_ilegible(bool original, DumpProblem problema, int dialogo) {
  const QString script = original ? u"El script original"_qs : u"El script modificado"_qs;
  const QString linea = original ? u"La primera línea del script original"_qs
                                 : u"La primera línea del script modificado"_qs;
  QString texto;
  switch (problema) {
    case DumpProblem::not_a_dump:
      texto = original ? kNoEsScript : kModificadoNoEsScript;
      break;
    case DumpProblem::no_room_number:
      texto = linea + u" no lleva el número de la Room tras \"<Room \"."_qs;
      break;
    case DumpProblem::no_dialogue_count:
      texto =
          linea +
          u" no indica cuántos diálogos tiene el script (\"with \" y un número mayor que 0)."_qs;
      break;
    case DumpProblem::too_many_dialogues:
      texto = linea + u" indica más de 999 diálogos, y el editor no puede leer tantos."_qs;
      break;
    case DumpProblem::too_few_dialogues:
      texto = linea + u" indica más diálogos de los que tiene el archivo (diálogo 1)."_qs;
      break;
    case DumpProblem::missing_end:
      texto =
          script +
          u" no se puede leer como una lista de diálogos: falta el <End of block> del diálogo %1."_qs
              .arg(dialogo);
      break;
  }
  prompter_.show_message(texto, kTituloError, MessageIcon::warning);
}

void Form1::poner_texto(QPlainTextEdit* caja, const std::string& texto) {
  asignando_ = true;
  caja->setPlainText(to_box(texto));
  asignando_ = false;
  if (caja == txtcomentario) {
    comentario_editado_ = false;
    comentario_en_caja_ = caja->document()->toRawText();
  }
}

void Form1::guardar_caja_comentario() {
  if (comentario_editado_ && dialogoactual >= 1 &&
      dialogoactual <= static_cast<int>(comentarios.size())) {
    comentarios[dialogoactual - 1] = from_box(txtcomentario);
  }
  comentario_editado_ = false;
}

void Form1::poner_panel_dialogo() {
  panel2->setText(u"Diálogo número %1 de %2"_qs.arg(dialogoactual).arg(numdialogos));
}

void Form1::mostrar_dialogo() {
  const auto i = static_cast<std::size_t>(dialogoactual - 1);
  poner_texto(txtscriptoriginal, textosoriginales[i]);
  poner_texto(txtscriptmodificado, textosmodificados[i]);
  poner_texto(txtcomentario, comentarios[i]);
}

// Before the first load there is no dialogue to show.
void Form1::refrescar_vista_previa() {
  if (dialogoactual < 1 || dialogoactual > static_cast<int>(textosmodificados.size())) return;
  const std::string& texto = textosmodificados[dialogoactual - 1];
  show_preview(vista_previa_, texto);
  show_outlines(vista_previa_, overfull_windows(texto, [this](std::string_view linea) {
                  return medir_linea(linea);
                }));
}

int Form1::medir_linea(std::string_view linea) const {
  const QFontMetrics medidas(vista_previa_.lblvistaprevia[0]->font());
  return medidas.horizontalAdvance(to_box(std::string(linea))) * 15;
}

DialogueSummary Form1::resumen_de(std::size_t indice, std::vector<Mark>* marcas) const {
  const std::string& texto = textosmodificados[indice];
  std::vector<Mark> halladas = check_marks(texto, textosoriginales[indice]);
  auto anchas = wide_line_marks(texto, [this](std::string_view l) { return medir_linea(l); });
  halladas.insert(halladas.end(), anchas.begin(), anchas.end());
  DialogueSummary resumen;
  for (const Mark& marca : halladas) {
    (marca.kind == MarkKind::error ? resumen.errors : resumen.warnings) += 1;
  }
  resumen.translated = texto != textosoriginales[indice];
  if (marcas) *marcas = std::move(halladas);
  return resumen;
}

void Form1::calcular_resumenes() {
  resumenes_.resize(textosmodificados.size());
  for (std::size_t i = 0; i < textosmodificados.size(); ++i) resumenes_[i] = resumen_de(i, nullptr);
  if (auto* ventana = qobject_cast<Revision*>(revision_.data())) {
    QStringList lineas;
    for (std::size_t i = 0; i < textosmodificados.size(); ++i) lineas.append(primera_linea(i));
    ventana->mostrar(resumenes_, lineas);
  }
}

QString Form1::primera_linea(std::size_t indice) const {
  const std::string& texto = textosmodificados[indice];
  const auto marco = frame_parts(texto);
  std::size_t parte = 0;
  LineReader lineas(texto);
  while (!lineas.at_end()) {
    const std::string_view linea = lineas.next();
    if (parte < marco.size() && linea == marco[parte]) {
      ++parte;
      continue;
    }
    if (!linea.empty()) return to_box(std::string(linea));
  }
  return {};
}

// The checks, the width rule and the spelling of the dialogue on show, as wavy underlines.
void Form1::refrescar_marcas() {
  if (dialogoactual < 1 || dialogoactual > static_cast<int>(textosmodificados.size())) return;
  const std::size_t indice = static_cast<std::size_t>(dialogoactual - 1);
  if (resumenes_.size() != textosmodificados.size()) resumenes_.resize(textosmodificados.size());
  resumenes_[indice] = resumen_de(indice, &marcas_);
  preparar_ortografia();
  if (ortografia_.loaded()) {
    for (Word& palabra : spelling_words(textosmodificados[indice])) {
      if (!ortografia_.correct(palabra.text)) {
        marcas_.push_back(
            {palabra.begin, palabra.end, MarkKind::spelling, common::cp1252_to_utf8(palabra.text)});
      }
    }
  }
  QList<QTextEdit::ExtraSelection> subrayados;
  for (const Mark& marca : marcas_) {
    QTextEdit::ExtraSelection subrayado;
    subrayado.cursor = QTextCursor(txtscriptmodificado->document());
    subrayado.cursor.setPosition(static_cast<int>(marca.begin));
    subrayado.cursor.setPosition(static_cast<int>(marca.end), QTextCursor::KeepAnchor);
    subrayado.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    subrayado.format.setUnderlineColor(marca.kind == MarkKind::error ? QColor(0xE0, 0x00, 0x00)
                                       : marca.kind == MarkKind::warning
                                           ? QColor(0xF0, 0x80, 0x00)
                                           : QColor(0x00, 0x50, 0xE0));
    subrayados.append(subrayado);
  }
  txtscriptmodificado->setExtraSelections(subrayados);
  if (auto* ventana = qobject_cast<Revision*>(revision_.data())) {
    ventana->actualizar(resumenes_, dialogoactual, primera_linea(indice));
  }
}

void Form1::poner_scroll_a_cero() {
  vista_previa_.Scroll->setValue(0);
}

void Form1::txtscriptmodificado_Change() {
  // The program's own assignments put the element's text into the box, so only the user's
  // edits need reading back; every one of them, however it came in, is a change to save.
  if (!asignando_ && dialogoactual >= 1 &&
      dialogoactual <= static_cast<int>(textosmodificados.size())) {
    std::string& guardado = textosmodificados[dialogoactual - 1];
    if (const auto c = character_not_held(txtscriptmodificado->document()->toRawText())) {
      deshacer_cambio_no_admitido(
          txtscriptmodificado,
          u"Carácter no admitido en el diálogo %1: el juego no tiene «%2»"_qs.arg(dialogoactual)
              .arg(QString::fromUcs4(&*c, 1)));
      return;
    }
    std::string nuevo = from_box(txtscriptmodificado);
    if (!keeps_frame(guardado, nuevo)) {
      deshacer_cambio_no_admitido(
          txtscriptmodificado,
          u"Diálogo %1: las líneas de cabecera, de <Text block> y el <End of block> no se pueden cambiar, ni escribir tras el <End of block>"_qs
              .arg(dialogoactual));
      return;
    }
    // A change that leaves the text as it was (an undo back to it) is no change to save.
    if (nuevo != guardado) {
      guardado = std::move(nuevo);
      cambiossinguardar = true;
    }
  }
  refrescar_marcas();
  refrescar_vista_previa();
}

void Form1::txtcomentario_Change() {
  if (asignando_) return;
  if (const auto c = character_not_held(txtcomentario->document()->toRawText())) {
    deshacer_cambio_no_admitido(
        txtcomentario,
        u"Carácter no admitido en el comentario del diálogo %1: «%2»"_qs.arg(dialogoactual)
            .arg(QString::fromUcs4(&*c, 1)));
    return;
  }
  comentario_en_caja_ = txtcomentario->document()->toRawText();
  comentario_editado_ = true;
}

// Put back what the box held before the change, once the edit that brought it has finished
// (the box is still inside its own key, paste or drop handling now).
void Form1::deshacer_cambio_no_admitido(QPlainTextEdit* caja, const QString& motivo) {
  aviso_de_estado(motivo);
  if (deshacer_pendiente_) return;
  deshacer_pendiente_ = true;
  QTimer::singleShot(0, this, [this, caja] {
    deshacer_pendiente_ = false;
    const int posicion = posicion_cambio_;
    asignando_ = true;
    if (caja == txtscriptmodificado) {
      if (dialogoactual >= 1 && dialogoactual <= static_cast<int>(textosmodificados.size())) {
        caja->setPlainText(to_box(textosmodificados[dialogoactual - 1]));
      }
    } else {
      QString previo = comentario_en_caja_;
      previo.replace(QChar::ParagraphSeparator, u'\n');
      caja->setPlainText(previo);
    }
    asignando_ = false;
    QTextCursor cursor = caja->textCursor();
    cursor.setPosition(std::min(posicion, caja->document()->characterCount() - 1));
    caja->setTextCursor(cursor);
    if (caja == txtscriptmodificado) {
      refrescar_marcas();
      refrescar_vista_previa();
    }
  });
}

void Form1::cmdabrirscript_Click() {
  if (!seguir_tras_preguntar()) return;
  if (comentarioscargados) Guardar_comentario();

  const QString ruta = prompter_.choose_file(kTituloAbrir, kFiltroAbrir);
  if (ruta.isEmpty()) return;
  const auto bytes = common::read_file(to_path(ruta));
  if (!bytes) {
    prompter_.show_message(kSinAcceso, kTituloError, MessageIcon::error);
    return;
  }
  const std::string texto(bytes->begin(), bytes->end());

  // The whole file is checked before anything changes, so a refused file leaves the pair on
  // show as it was.
  const auto cabecera = read_source_header(first_line(texto));
  if (const auto* problema = std::get_if<DumpProblem>(&cabecera)) {
    avisar_script_ilegible(true, *problema, 0);
    return;
  }
  const SourceHeader header = std::get<SourceHeader>(cabecera);
  auto leidos = read_dialogues(texto, header.dialogues);
  if (const auto* problema = std::get_if<DialogueProblem>(&leidos)) {
    avisar_script_ilegible(true, problema->problem, problema->dialogue);
    return;
  }

  rutaoriginal = ruta;
  dialogoactual = 1;
  cmddialogoanterior->setEnabled(false);
  numeroroom = static_cast<std::int16_t>(header.room);
  numdialogos = static_cast<std::int16_t>(header.dialogues);
  panel1->setText(u"Room número %1"_qs.arg(numeroroom));
  poner_panel_dialogo();

  textosoriginales = std::get<std::vector<std::string>>(std::move(leidos));
  textosmodificados = textosoriginales;
  poner_texto(txtscriptoriginal, textosoriginales[0]);
  poner_texto(txtscriptmodificado, textosmodificados[0]);
  cmddialogosiguiente->setEnabled(numdialogos > 1);
  cmdabrirmodificado->setEnabled(true);
  cmdguardarscript->setEnabled(true);
  txtscriptmodificado->setReadOnly(false);
  txtcomentario->setReadOnly(false);
  poner_scroll_a_cero();

  // Each room has its own comments; a room that has none yet takes the old shared file when
  // that holds one comment per dialogue of this room.
  rutacomentarios = ruta_de_room(kCommentsFolder);
  std::string notas;
  if (const auto leido = common::read_file(rutacomentarios)) {
    notas.assign(leido->begin(), leido->end());
  } else {
    notas = fresh_comments(numdialogos);
    if (const auto antiguo = common::read_file(ruta_derivada(kCommentsFolder))) {
      const std::string texto_antiguo(antiguo->begin(), antiguo->end());
      const auto traduccion = common::read_file(ruta_derivada(kModifiedFolder));
      bool de_otra_room = false;
      if (traduccion) {
        const auto room = read_modified_header(first_line(std::string_view(
            reinterpret_cast<const char*>(traduccion->data()), traduccion->size())));
        de_otra_room = !std::holds_alternative<int>(room) || std::get<int>(room) != numeroroom;
      }
      if (!de_otra_room && count_comments(texto_antiguo) == static_cast<std::size_t>(numdialogos)) {
        notas = texto_antiguo;
      } else {
        aviso_de_estado(kComentariosAntiguos);
      }
    }
    std::error_code ignorado;
    if (!std::filesystem::exists(rutacomentarios, ignorado)) {
      crear_carpetas_de_room(kCommentsFolder);
      // A failure shows up at the rewrite that follows right away.
      save_file(rutacomentarios, notas);
    }
  }
  comentarios = read_comments(notas, numdialogos);
  poner_texto(txtcomentario, comentarios[0]);
  comentarioscargados = true;
  comentarios_fallidos_ = false;
  cambiossinguardar = false;
  calcular_resumenes();

  cmdabrirmodificado_Click();
}

void Form1::cmdabrirmodificado_Click() {
  if (!seguir_tras_preguntar()) return;
  if (comentarioscargados) Guardar_comentario();

  rutamodificado = ruta_de_room(kModifiedFolder);
  std::error_code ignorado;
  const bool existe = std::filesystem::exists(rutamodificado, ignorado);
  if (!existe) crear_carpetas_de_room(kModifiedFolder);
  auto bytes = common::read_file(rutamodificado);
  if (!bytes && !existe) {
    // A room without its own translation yet starts from the old shared one when that is of
    // this room; the shared file itself is never written again.
    if (auto antiguo = common::read_file(ruta_derivada(kModifiedFolder))) {
      const auto room = read_modified_header(first_line(
          std::string_view(reinterpret_cast<const char*>(antiguo->data()), antiguo->size())));
      if (std::holds_alternative<int>(room) && std::get<int>(room) == numeroroom) {
        bytes = std::move(antiguo);
      }
    }
  }
  if (!bytes) {
    // No translation yet: it starts as the source text. One that exists but cannot be read
    // must not be overwritten by it.
    modificado_rechazado_ = std::filesystem::is_regular_file(rutamodificado, ignorado);
    return;
  }
  const std::string texto(bytes->begin(), bytes->end());
  modificado_rechazado_ = true;
  const auto cabecera = read_modified_header(first_line(texto));
  if (const auto* problema = std::get_if<DumpProblem>(&cabecera)) {
    avisar_script_ilegible(false, *problema, 0);
    return;
  }
  if (std::get<int>(cabecera) != numeroroom) {
    prompter_.show_message(kNoCoinciden, kTituloNoCoinciden, MessageIcon::warning);
    return;
  }
  auto leidos = read_dialogues(texto, numdialogos);
  if (const auto* problema = std::get_if<DialogueProblem>(&leidos)) {
    avisar_script_ilegible(false, problema->problem, problema->dialogue);
    return;
  }
  modificado_rechazado_ = false;
  textosmodificados = std::get<std::vector<std::string>>(std::move(leidos));
  cambiossinguardar = false;
  calcular_resumenes();
  poner_scroll_a_cero();
  poner_texto(txtscriptmodificado, textosmodificados[dialogoactual - 1]);
}

bool Form1::cmdguardarscript_Click() {
  if (textosmodificados.empty()) return false;
  rutamodificado = ruta_de_room(kModifiedFolder);
  std::error_code ignorado;
  const bool existe = std::filesystem::exists(rutamodificado, ignorado);
  if (!existe) crear_carpetas_de_room(kModifiedFolder);
  if (modificado_rechazado_ && existe) {
    prompter_.show_message(
        u"El script modificado que ya existe no corresponde a este script o no se puede leer, así que no se sobrescribe. Muévalo o cámbielo de nombre antes de guardar:\r\n"_qs +
            from_path(rutamodificado),
        kTituloError, MessageIcon::warning);
    return false;
  }
  std::vector<std::string> escritos = textosmodificados;
  if (!save_file(rutamodificado, write_modified_dump(escritos))) {
    prompter_.show_message(kSinAcceso, kTituloError, MessageIcon::error);
    return false;
  }
  textosmodificados = std::move(escritos);
  modificado_rechazado_ = false;
  cambiossinguardar = false;
  // The comments go with every save, so a crash loses neither.
  if (comentarioscargados) Guardar_comentario();
  return true;
}

bool Form1::Guardar_comentario(bool callado) {
  guardar_caja_comentario();
  crear_carpetas_de_room(kCommentsFolder);
  if (save_file(rutacomentarios, write_comments(comentarios))) {
    comentarios_fallidos_ = false;
    return true;
  }
  if (!callado && !comentarios_fallidos_) {
    prompter_.show_message(
        u"No se pueden guardar los comentarios en el archivo:\r\n"_qs + from_path(rutacomentarios) +
            u"\r\nLos comentarios siguen en el editor y se guardarán en el próximo intento."_qs,
        kTituloError, MessageIcon::error);
  }
  comentarios_fallidos_ = true;
  return false;
}

void Form1::mover_dialogo(int paso) {
  ir_a_dialogo(dialogoactual + paso);
}

void Form1::ir_a_dialogo(int dialogo) {
  if (dialogo < 1 || dialogo > numdialogos ||
      textosmodificados.size() != static_cast<std::size_t>(numdialogos)) {
    return;
  }
  guardar_caja_comentario();
  poner_scroll_a_cero();
  dialogoactual = static_cast<std::int16_t>(dialogo);
  poner_panel_dialogo();
  cmddialogosiguiente->setEnabled(dialogoactual < numdialogos);
  cmddialogoanterior->setEnabled(dialogoactual > 1);
  mostrar_dialogo();
  if (chkdesaauto->isChecked()) cmdguardarscript_Click();
}

void Form1::siguiente_con_avisos(int paso) {
  const int total = static_cast<int>(resumenes_.size());
  if (total == 0 || dialogoactual < 1) {
    aviso_de_estado(kSinAvisos);
    return;
  }
  for (int i = 1; i <= total; ++i) {
    const int indice = ((dialogoactual - 1 + paso * i) % total + total) % total;
    const DialogueSummary& resumen = resumenes_[static_cast<std::size_t>(indice)];
    if (resumen.errors > 0 || resumen.warnings > 0) {
      ir_a_dialogo(indice + 1);
      return;
    }
  }
  aviso_de_estado(kSinAvisos);
}

void Form1::ir_al_dialogo_pedido() {
  if (numdialogos < 1 || textosmodificados.empty()) return;
  const auto numero = prompter_.ask_number(u"Ir al diálogo…"_qs,
                                           u"Número del diálogo (1 a %1):"_qs.arg(numdialogos), 1,
                                           numdialogos, dialogoactual);
  if (numero) ir_a_dialogo(*numero);
}

void Form1::buscar() {
  if (textosmodificados.empty()) return;
  const auto texto = prompter_.ask_text(u"Buscar"_qs, u"Texto que buscar:"_qs, busqueda_);
  if (!texto || texto->isEmpty()) return;
  busqueda_ = *texto;
  buscar_siguiente();
}

void Form1::buscar_siguiente() {
  if (textosmodificados.empty()) return;
  if (busqueda_.isEmpty()) {
    buscar();
    return;
  }
  guardar_caja_comentario();
  if (const auto c = character_not_held(busqueda_)) {
    aviso_de_estado(u"No se encuentra «%1»"_qs.arg(busqueda_));
    return;
  }
  const std::string buscado = common::utf8_to_cp1252(busqueda_.toStdString());
  QPlainTextEdit* cajas[] = {txtscriptoriginal, txtscriptmodificado, txtcomentario};
  const std::vector<std::string>* campos[] = {&textosoriginales, &textosmodificados, &comentarios};
  // From the end of the selection in the box that has the focus (or the translation).
  std::size_t campo = 1;
  for (std::size_t i = 0; i < 3; ++i) {
    if (cajas[i]->hasFocus()) campo = i;
  }
  const std::size_t dialogo = static_cast<std::size_t>(dialogoactual - 1);
  const std::string& actual = (*campos[campo])[dialogo];
  const Place desde{
      dialogo, campo,
      byte_offset(actual, static_cast<std::size_t>(cajas[campo]->textCursor().selectionEnd()))};
  const auto hallado = find_next(campos, buscado, desde);
  if (!hallado) {
    aviso_de_estado(u"No se encuentra «%1»"_qs.arg(busqueda_));
    return;
  }
  if (static_cast<int>(hallado->dialogue) + 1 != dialogoactual) {
    ir_a_dialogo(static_cast<int>(hallado->dialogue) + 1);
  }
  const std::string& texto = (*campos[hallado->field])[hallado->dialogue];
  QPlainTextEdit* caja = cajas[hallado->field];
  QTextCursor cursor = caja->textCursor();
  cursor.setPosition(static_cast<int>(box_offset(texto, hallado->offset)));
  cursor.setPosition(static_cast<int>(box_offset(texto, hallado->offset + buscado.size())),
                     QTextCursor::KeepAnchor);
  caja->setTextCursor(cursor);
  caja->setFocus();
}

void Form1::abrir_revision() {
  auto* ventana = qobject_cast<Revision*>(revision_.data());
  if (!ventana) {
    ventana = new Revision([this](int dialogo) { ir_a_dialogo(dialogo); });
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    revision_ = ventana;
  }
  QStringList lineas;
  for (std::size_t i = 0; i < textosmodificados.size(); ++i) lineas.append(primera_linea(i));
  ventana->mostrar(resumenes_, lineas);
  ventana->show();
  ventana->raise();
  ventana->activateWindow();
}

void Form1::cambiar_letra(int paso) {
  tam_letra_ = std::clamp(tam_letra_ + paso, 6, 28);
  for (QPlainTextEdit* caja : {txtscriptoriginal, txtscriptmodificado, txtcomentario}) {
    QFont letra = caja->font();
    letra.setPointSize(tam_letra_);
    caja->setFont(letra);
  }
}

void Form1::cmddialogosiguiente_Click() {
  if (dialogoactual < numdialogos) mover_dialogo(+1);
}

void Form1::cmddialogoanterior_Click() {
  if (dialogoactual > 1) mover_dialogo(-1);
}

void Form1::Command1_Click() {
  if (!form2_) form2_ = new Form2();
  form2_->show();
  form2_->raise();
  form2_->activateWindow();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (cambiossinguardar) {
    switch (preguntar_cambios()) {
      case Answer::yes:
        // A failed save keeps the window open, so the typed text is not lost.
        if (!cmdguardarscript_Click()) {
          event->ignore();
          return;
        }
        break;
      case Answer::no:
        cambiossinguardar = false;
        break;
      case Answer::cancel:
        event->ignore();
        return;
    }
  }
  // Comments typed since the last rewrite are kept on every way out; where they cannot be
  // written, the user decides before they are lost.
  if (comentarioscargados && !Guardar_comentario(true)) {
    const Answer respuesta = prompter_.ask_yes_no_cancel(
        u"No se pueden guardar los comentarios en el archivo:\r\n"_qs + from_path(rutacomentarios) +
            u"\r\n¿Cerrar el editor y perder los comentarios?"_qs,
        kTituloError, MessageIcon::warning);
    if (respuesta != Answer::yes) {
      event->ignore();
      return;
    }
  }
  if (form2_) form2_->close();
  if (revision_) revision_->close();
  event->accept();
}

}  // namespace qv::editor
