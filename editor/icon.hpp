// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>

namespace qv::editor {

// The 32 x 32 icon that both windows carry, from the editor's resources.
QIcon textbench_icon();

}  // namespace qv::editor
