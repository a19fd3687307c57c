#pragma once
#include <QIcon>

namespace qv::editor {

// The 32 x 32 icon that both windows carry: a message window of the game with two lines of text.
QIcon textbench_icon();

}  // namespace qv::editor
