#pragma once
// The styled editors as the windows see them: the rich page editor for Rich,
// the markup editor for Markup.

#include "app/shell/ZQEditorFace.h"

// The factory the windows use by default.
ZQEditorFactory styledEditorFactory();
