#include "editor/form1.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <system_error>

#include "common/cp1252.hpp"
#include "common/files.hpp"
#include "editor/form2.hpp"
#include "editor/icon.hpp"

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
}

Form1::~Form1() {
  delete form2_;
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
  connect(txtcomentario, &QPlainTextEdit::textChanged, this, [this] {
    if (!asignando_) comentario_editado_ = true;
  });
  txtscriptmodificado->installEventFilter(this);
}

void Form1::centre_on_screen() {
  if (const QScreen* pantalla = screen()) {
    move(pantalla->availableGeometry().center() - rect().center());
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtscriptmodificado && event->type() == QEvent::KeyPress &&
      !txtscriptmodificado->isReadOnly()) {
    // A typed character marks the translation as changed; so do the editing keys that carry
    // no character (Delete) and the keyboard's cut, paste, undo and redo.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->text().isEmpty() || key->key() == Qt::Key_Delete ||
        key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
        key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
      cambiossinguardar = true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

std::filesystem::path Form1::ruta_derivada(std::string_view carpeta) const {
  return derived_path(to_path(QDir::currentPath()), carpeta, to_path(rutaoriginal));
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
      cambiossinguardar = false;
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
    case DumpProblem::missing_end:
      texto =
          script +
          u" no se puede leer como una lista de diálogos: el archivo se acaba antes del <End of block> del diálogo %1."_qs
              .arg(dialogo);
      break;
  }
  prompter_.show_message(texto, kTituloError, MessageIcon::warning);
}

void Form1::poner_texto(QPlainTextEdit* caja, const std::string& texto) {
  asignando_ = true;
  caja->setPlainText(to_box(texto));
  asignando_ = false;
  if (caja == txtcomentario) comentario_editado_ = false;
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
  show_preview(vista_previa_, textosmodificados[dialogoactual - 1]);
}

void Form1::poner_scroll_a_cero() {
  vista_previa_.Scroll->setValue(0);
}

void Form1::txtscriptmodificado_Change() {
  // The program's own assignments put the element's text into the box, so only the user's
  // edits need reading back.
  if (!asignando_ && dialogoactual >= 1 &&
      dialogoactual <= static_cast<int>(textosmodificados.size())) {
    textosmodificados[dialogoactual - 1] = from_box(txtscriptmodificado);
  }
  refrescar_vista_previa();
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

  rutacomentarios = ruta_derivada(kCommentsFolder);
  std::string notas;
  if (const auto leido = common::read_file(rutacomentarios)) {
    notas.assign(leido->begin(), leido->end());
  } else {
    notas = fresh_comments(numdialogos);
    std::error_code ignorado;
    if (!std::filesystem::exists(rutacomentarios, ignorado)) {
      make_folder(to_path(QDir::currentPath()), kCommentsFolder);
      // A failure shows up at the rewrite that follows right away.
      save_file(rutacomentarios, notas);
    }
  }
  comentarios = read_comments(notas, numdialogos);
  poner_texto(txtcomentario, comentarios[0]);
  comentarioscargados = true;

  cmdabrirmodificado_Click();
}

void Form1::cmdabrirmodificado_Click() {
  if (!seguir_tras_preguntar()) return;
  if (comentarioscargados) Guardar_comentario();

  rutamodificado = ruta_derivada(kModifiedFolder);
  std::error_code ignorado;
  const bool existe = std::filesystem::exists(rutamodificado, ignorado);
  if (!existe) make_folder(to_path(QDir::currentPath()), kModifiedFolder);
  const auto bytes = common::read_file(rutamodificado);
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
  poner_scroll_a_cero();
  poner_texto(txtscriptmodificado, textosmodificados[dialogoactual - 1]);
}

bool Form1::cmdguardarscript_Click() {
  if (textosmodificados.empty()) return false;
  rutamodificado = ruta_derivada(kModifiedFolder);
  std::error_code ignorado;
  const bool existe = std::filesystem::exists(rutamodificado, ignorado);
  if (!existe) make_folder(to_path(QDir::currentPath()), kModifiedFolder);
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
  return true;
}

void Form1::Guardar_comentario() {
  guardar_caja_comentario();
  if (!save_file(rutacomentarios, write_comments(comentarios))) {
    prompter_.show_message(
        u"No se pueden guardar los comentarios en el archivo:\r\n"_qs + from_path(rutacomentarios) +
            u"\r\nLos comentarios siguen en el editor y se guardarán en el próximo intento."_qs,
        kTituloError, MessageIcon::error);
  }
}

void Form1::mover_dialogo(int paso) {
  guardar_caja_comentario();
  poner_scroll_a_cero();
  dialogoactual = static_cast<std::int16_t>(dialogoactual + paso);
  poner_panel_dialogo();
  if (paso > 0) {
    if (dialogoactual == numdialogos) cmddialogosiguiente->setEnabled(false);
    cmddialogoanterior->setEnabled(true);
  } else {
    if (dialogoactual == 1) cmddialogoanterior->setEnabled(false);
    cmddialogosiguiente->setEnabled(true);
  }
  mostrar_dialogo();
  if (chkdesaauto->isChecked()) cmdguardarscript_Click();
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
  // Comments typed since the last rewrite are kept on every way out.
  if (comentarioscargados) Guardar_comentario();
  if (form2_) form2_->close();
  event->accept();
}

}  // namespace qv::editor
