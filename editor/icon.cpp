// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/icon.hpp"

// The pictures live in a static library, so their resource must be registered by hand; the
// macro has to stand outside any namespace.
static void register_pictures() {
  Q_INIT_RESOURCE(textbench);
}

namespace qv::editor {

QIcon textbench_icon() {
  static const bool registered = (register_pictures(), true);
  (void)registered;
  return QIcon(u":/textbench/textbench.png"_qs);
}

}  // namespace qv::editor
